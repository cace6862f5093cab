#pragma once

#include "framework/Window.h"

namespace hivelark {

// A status bar in simple mode: one text across the whole bar, no panels. It keeps the bounds it is
// given rather than placing itself at the bottom of its parent.
class TsStatusBar : public TWindow {
public:
  explicit TsStatusBar(TComponent* owner);

  std::string SimpleText() const;
  void SetSimpleText(const std::string& text);

protected:
  void CreateParams(TCreateParams& params) override;
  void AfterCreateHandle() override;

private:
  std::string simpleText_;
};

} // namespace hivelark
