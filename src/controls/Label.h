#pragma once

#include "controls/StdCtrls.h"

namespace hivelark {

// A one-line label that sizes itself to its text in its font, over its parent's background.
class TsLabel : public TLabel {
public:
  explicit TsLabel(TComponent* owner);

  void SetCaption(const std::string& caption);
  std::string Caption() const { return Text(); }

protected:
  void AfterCreateHandle() override;
  void OnDpiChanged() override;
  HBRUSH OnControlColor(HDC dc) override;

private:
  void FitToText();
};

} // namespace hivelark
