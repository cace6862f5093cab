#pragma once

#include "controls/PaintedControl.h"

#include <windows.h>

namespace hivelark {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// A label of fixed size that draws its text itself, in its font's colour, over its parent's
// background, and reports the mouse (a link is a label whose handlers change its colour and
// pointer). An ampersand underlines the next character and two show one. A disabled label shows
// its text embossed. Main thread only.
class TCustomLabel : public TPaintedControl {
public:
  explicit TCustomLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment);
  // Whether long lines break at blanks (default false: only line breaks in the text start lines).
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool wordWrap);

protected:
  void CreateParams(TCreateParams& params) override;
  void Paint(HDC dc, const RECT& client) override;

  // The colour of the enabled label's text.
  virtual COLORREF CaptionColor() const;
  // Draws the text in the label's font and layout into `bounds` of `dc`.
  void DrawCaption(HDC dc, RECT bounds, COLORREF color);

private:
  UINT TextFormat() const;

  TAlignment alignment_ = taLeftJustify;
  bool wordWrap_ = false;
};

} // namespace hivelark
