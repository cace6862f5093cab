#pragma once

#include "framework/Window.h"

#include <vector>

namespace hivelark {

class TBevel;

enum class TBevelCut { None, Lowered, Raised };

// A panel: a plain rectangle of the button-face colour that holds other controls, framed by an
// outer and an inner bevel. It also paints the bevels placed on it, which are drawn shapes rather
// than windows.
class TsPanel : public TCustomControl {
public:
  explicit TsPanel(TComponent* owner);

  // The width of each bevel in 96-dpi units.
  void SetBevels(TBevelCut outer, TBevelCut inner, int width = 1);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  TBevelCut BevelInner() const { return bevelInner_; }

protected:
  void CreateParams(TCreateParams& params) override;
  void PaintWindow(HDC dc) override;

private:
  friend class TBevel;

  TBevelCut bevelOuter_ = TBevelCut::Raised;
  TBevelCut bevelInner_ = TBevelCut::None;
  int bevelWidth_ = 1;
  std::vector<TBevel*> bevels_;
};

// The About box's panel is the same control.
using TPanel = TsPanel;

// A framed box drawn on a panel around a group of controls: lowered (sunken) or raised, its bounds
// and its one-unit line in 96-dpi units of the panel's DPI. It must not outlive its panel (create
// it after the panel, with the same owner).
class TBevel : public TComponent {
public:
  TBevel(TComponent* owner, TsPanel* parent);
  ~TBevel() override;

  void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return bounds_; }
  void SetStyle(TBevelCut style);
  TBevelCut Style() const { return style_; }
  void Paint(HDC dc) const;

private:
  TsPanel* parent_;
  RECT bounds_{0, 0, 0, 0};
  TBevelCut style_ = TBevelCut::Lowered;
};

} // namespace hivelark
