#include "controls/Label.h"

#include "framework/Handles.h"

namespace hivelark {

TsLabel::TsLabel(TComponent* owner) : TLabel(owner) {
  SetWordWrap(false);
}

void TsLabel::SetCaption(const std::string& caption) {
  SetText(caption);
  FitToText();
}

void TsLabel::AfterCreateHandle() {
  TLabel::AfterCreateHandle();
  FitToText();
}

void TsLabel::OnDpiChanged() {
  // The font at the new DPI is not its old self scaled: glyphs are fitted to whole pixels.
  FitToText();
}

void TsLabel::FitToText() {
  const std::string caption = Text();
  HDC screen = GetDC(nullptr);
  RECT extent{0, 0, 0, 0};
  {
    SelectObjectScope font(screen, FontHandle());
    DrawTextA(screen, caption.empty() ? " " : caption.c_str(), caption.empty() ? 1 : -1, &extent,
              DT_CALCRECT | DT_SINGLELINE);
  }
  ReleaseDC(nullptr, screen);
  // Rounded up: a label a pixel narrower than its text would cut the text's last column.
  const int dpi = Dpi();
  SetBounds(Left(), Top(), caption.empty() ? 0 : ScaleFromDpiRoundingUp(extent.right, dpi),
            ScaleFromDpiRoundingUp(extent.bottom, dpi));
}

HBRUSH TsLabel::OnControlColor(HDC dc) {
  SetTextColor(dc, GetSysColor(Enabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  SetBkMode(dc, TRANSPARENT);
  return GetSysColorBrush(COLOR_BTNFACE);
}

} // namespace hivelark
