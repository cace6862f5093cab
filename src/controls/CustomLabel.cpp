#include "controls/CustomLabel.h"

#include "framework/Handles.h"

namespace hivelark {

TCustomLabel::TCustomLabel(TComponent* owner) : TPaintedControl(owner) {}

void TCustomLabel::SetAlignment(TAlignment alignment) {
  alignment_ = alignment;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool wordWrap) {
  wordWrap_ = wordWrap;
  Invalidate();
}

void TCustomLabel::CreateParams(TCreateParams& params) {
  TPaintedControl::CreateParams(params);
  params.className = "HivelarkLabel";
}

UINT TCustomLabel::TextFormat() const {
  UINT format = DT_EXPANDTABS;
  switch (alignment_) {
  case taLeftJustify:
    format |= DT_LEFT;
    break;
  case taRightJustify:
    format |= DT_RIGHT;
    break;
  case taCenter:
    format |= DT_CENTER;
    break;
  }
  if (wordWrap_) {
    format |= DT_WORDBREAK;
  }
  return format;
}

COLORREF TCustomLabel::CaptionColor() const {
  return Font()->Color();
}

void TCustomLabel::DrawCaption(HDC dc, RECT bounds, COLORREF color) {
  const std::string caption = Text();
  SelectObjectScope font(dc, FontHandle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &bounds, TextFormat());
}

void TCustomLabel::Paint(HDC dc, const RECT& client) {
  if (Enabled()) {
    DrawCaption(dc, client, CaptionColor());
    return;
  }
  // The platform's disabled text: a light copy a pixel (at 96 dpi) down and right under a dark one.
  RECT raised = client;
  OffsetRect(&raised, ToPixels(1), ToPixels(1));
  DrawCaption(dc, raised, GetSysColor(COLOR_BTNHIGHLIGHT));
  DrawCaption(dc, client, GetSysColor(COLOR_BTNSHADOW));
}

} // namespace hivelark
