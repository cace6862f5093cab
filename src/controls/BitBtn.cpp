#include "controls/BitBtn.h"

#include "framework/Handles.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>

namespace hivelark {
namespace {

void CloseTheme(HTHEME theme) {
  CloseThemeData(theme);
}
using UniqueTheme = UniqueResource<HTHEME, CloseTheme>;

// Between the frame and the focus rectangle of a button without visual styles, in 96-dpi units.
constexpr int kClassicFocusInset = 4;
// Between the glyph and the caption, in 96-dpi units.
constexpr int kGlyphSpacing = 4;

} // namespace

TsBitBtn::TsBitBtn(TComponent* owner) : TButton(owner) {}

void TsBitBtn::SetGlyph(std::string name, int numGlyphs) {
  numGlyphs_ = std::max(numGlyphs, 1);
  glyph_.Set(
      [name = std::move(name), columns = numGlyphs_](int dpi) {
        return AlphaPicture::FromArtwork(GetModuleHandleA(nullptr), name, dpi, columns);
      },
      Dpi());
  Invalidate();
}

void TsBitBtn::AfterCreateHandle() {
  TButton::AfterCreateHandle();
  glyph_.FitTo(Dpi());
}

void TsBitBtn::OnDpiChanged() {
  TButton::OnDpiChanged();
  glyph_.FitTo(Dpi());
}

void TsBitBtn::CreateParams(TCreateParams& params) {
  TButton::CreateParams(params);
  params.style = (params.style & ~BS_TYPEMASK) | BS_OWNERDRAW;
}

LRESULT TsBitBtn::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == BM_SETSTYLE) {
    // Making the button the default one (TButton::SetDefault, the dialog navigation) asks for the
    // default push button type; it must stay owner-drawn, and Default() already tells the drawing.
    return TButton::WndProc(message, (wParam & ~BS_TYPEMASK) | BS_OWNERDRAW, lParam);
  }
  return TButton::WndProc(message, wParam, lParam);
}

bool TsBitBtn::OnDrawItem(DRAWITEMSTRUCT* item) {
  const RECT content = DrawFrame(item->hDC, item->rcItem, item->itemState);
  DrawContent(item->hDC, item->rcItem, item->itemState);
  if ((item->itemState & ODS_FOCUS) != 0 && (item->itemState & ODS_NOFOCUSRECT) == 0) {
    DrawFocusRect(item->hDC, &content);
  }
  return true;
}

RECT TsBitBtn::DrawFrame(HDC dc, const RECT& bounds, UINT itemState) {
  const bool pressed = (itemState & ODS_SELECTED) != 0;
  const bool disabled = (itemState & ODS_DISABLED) != 0;
  UniqueTheme theme(IsAppThemed() ? OpenThemeData(WindowHandle(), L"BUTTON") : nullptr);
  if (theme) {
    int state = PBS_NORMAL;
    if (disabled) {
      state = PBS_DISABLED;
    } else if (pressed) {
      state = PBS_PRESSED;
    } else if ((SendMessageA(WindowHandle(), BM_GETSTATE, 0, 0) & BST_HOT) != 0) {
      state = PBS_HOT;
    } else if (Default()) {
      state = PBS_DEFAULTED;
    }
    if (IsThemeBackgroundPartiallyTransparent(theme.get(), BP_PUSHBUTTON, state)) {
      RECT behind = bounds;
      DrawThemeParentBackground(WindowHandle(), dc, &behind);
    }
    DrawThemeBackground(theme.get(), dc, BP_PUSHBUTTON, state, &bounds, nullptr);
    RECT content = bounds;
    GetThemeBackgroundContentRect(theme.get(), dc, BP_PUSHBUTTON, state, &bounds, &content);
    return content;
  }
  RECT frame = bounds;
  if (Default()) {
    // The heavy outline of the button that Enter presses.
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&frame, -1, -1);
  }
  DrawFrameControl(dc, &frame, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  RECT content = bounds;
  InflateRect(&content, -ToPixels(kClassicFocusInset), -ToPixels(kClassicFocusInset));
  return content;
}

void TsBitBtn::DrawContent(HDC dc, const RECT& bounds, UINT itemState) {
  const bool disabled = (itemState & ODS_DISABLED) != 0;
  const std::string caption = Text();
  SelectObjectScope font(dc, FontHandle());
  const UINT textFormat =
      DT_SINGLELINE | DT_VCENTER | DT_LEFT | ((itemState & ODS_NOACCEL) != 0 ? DT_HIDEPREFIX : 0);
  RECT textExtent{0, 0, 0, 0};
  if (!caption.empty()) {
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &textExtent,
              textFormat | DT_CALCRECT);
  }
  const AlphaPicture& glyph = glyph_.Get();
  const int glyphWidth = glyph.empty() ? 0 : glyph.width() / numGlyphs_;
  const int glyphHeight = glyph.empty() ? 0 : glyph.height();
  const int gap = glyphWidth > 0 && !caption.empty() ? ToPixels(kGlyphSpacing) : 0;
  const int blockWidth = glyphWidth + gap + textExtent.right;

  RECT area = bounds;
  // A pressed button without visual styles shows its face sunk by a pixel.
  if ((itemState & ODS_SELECTED) != 0 && !IsAppThemed()) {
    OffsetRect(&area, 1, 1);
  }
  const int left = area.left + (area.right - area.left - blockWidth) / 2;
  if (glyphWidth > 0) {
    const int image = disabled && numGlyphs_ > 1 ? 1 : 0;
    glyph.DrawPart(dc, left, area.top + (area.bottom - area.top - glyphHeight) / 2,
                   image * glyphWidth, 0, glyphWidth, glyphHeight);
  }
  if (!caption.empty()) {
    RECT text{left + glyphWidth + gap, area.top, left + blockWidth, area.bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text, textFormat);
  }
}

} // namespace hivelark
