#include "controls/Panel.h"

#include <algorithm>

namespace hivelark {
namespace {

// One ring of a bevel: light on the top and left, dark on the bottom and right when raised.
void DrawBevelRing(HDC dc, RECT& rect, TBevelCut cut, int width) {
  if (cut == TBevelCut::None) {
    return;
  }
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF topLeft = cut == TBevelCut::Raised ? light : dark;
  const COLORREF bottomRight = cut == TBevelCut::Raised ? dark : light;
  for (int ring = 0; ring < width; ++ring) {
    RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
    RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
    RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
    RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
    SetBkColor(dc, topLeft);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &top, nullptr, 0, nullptr);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &left, nullptr, 0, nullptr);
    SetBkColor(dc, bottomRight);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &bottom, nullptr, 0, nullptr);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &right, nullptr, 0, nullptr);
    InflateRect(&rect, -1, -1);
  }
}

} // namespace

TsPanel::TsPanel(TComponent* owner) : TCustomControl(owner) {}

void TsPanel::SetBevels(TBevelCut outer, TBevelCut inner, int width) {
  bevelOuter_ = outer;
  bevelInner_ = inner;
  bevelWidth_ = width;
  Invalidate();
}

void TsPanel::CreateParams(TCreateParams& params) {
  params.className = "HivelarkPanel";
  params.style = WS_CLIPCHILDREN;
  // Tab moves into the panel's controls as if they stood on the form itself.
  params.exStyle = WS_EX_CONTROLPARENT;
  params.classStyle = CS_HREDRAW | CS_VREDRAW;
}

void TsPanel::PaintWindow(HDC dc) {
  RECT rect;
  GetClientRect(WindowHandle(), &rect);
  FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
  const int bevelWidth = ToPixels(bevelWidth_);
  DrawBevelRing(dc, rect, bevelOuter_, bevelWidth);
  DrawBevelRing(dc, rect, bevelInner_, bevelWidth);
  for (const TBevel* bevel : bevels_) {
    bevel->Paint(dc);
  }
}

TBevel::TBevel(TComponent* owner, TsPanel* parent) : TComponent(owner), parent_(parent) {
  parent_->bevels_.push_back(this);
}

TBevel::~TBevel() {
  auto& bevels = parent_->bevels_;
  bevels.erase(std::remove(bevels.begin(), bevels.end(), this), bevels.end());
}

void TBevel::SetBounds(int left, int top, int width, int height) {
  bounds_ = {left, top, left + width, top + height};
  parent_->Invalidate();
}

void TBevel::SetStyle(TBevelCut style) {
  style_ = style;
  parent_->Invalidate();
}

void TBevel::Paint(HDC dc) const {
  RECT box = ScaleRectToDpi(bounds_, parent_->Dpi());
  DrawBevelRing(dc, box, style_, parent_->ToPixels(1));
}

} // namespace hivelark
