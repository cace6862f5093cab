#include "controls/PictureButton.h"

namespace hivelark {

TImage::TImage(TComponent* owner) : TButton(owner) {}

void TImage::SetPicture(std::string name) {
  picture_.Set(
      [name = std::move(name)](int dpi) {
        return AlphaPicture::FromArtwork(GetModuleHandleA(nullptr), name, dpi);
      },
      Dpi());
  Invalidate();
}

void TImage::AfterCreateHandle() {
  TButton::AfterCreateHandle();
  picture_.FitTo(Dpi());
}

void TImage::OnDpiChanged() {
  TButton::OnDpiChanged();
  picture_.FitTo(Dpi());
}

void TImage::CreateParams(TCreateParams& params) {
  TButton::CreateParams(params);
  params.style = (params.style & ~BS_TYPEMASK) | BS_OWNERDRAW;
}

LRESULT TImage::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_GETDLGCODE: {
    // The dialog navigation gives Enter to the default button, and an owner-drawn button never
    // is one: the picture takes Enter itself.
    const LRESULT code = TButton::WndProc(message, wParam, lParam);
    const auto* key = reinterpret_cast<const MSG*>(lParam);
    if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
      return code | DLGC_WANTMESSAGE;
    }
    return code;
  }
  case WM_KEYDOWN:
    if (wParam == VK_RETURN) {
      // A held key repeats its press: one click per press.
      if ((lParam & (1 << 30)) == 0) {
        Click();
      }
      return 0;
    }
    break;
  case WM_LBUTTONDBLCLK:
    // The second press of a double click: its first press and release were the one click that a
    // user means by it.
    return 0;
  case WM_MOUSEMOVE:
    if (!mouseInside_) {
      mouseInside_ = true;
      TRACKMOUSEEVENT tracking{sizeof(tracking), TME_LEAVE, WindowHandle(), 0};
      TrackMouseEvent(&tracking);
      if (OnMouseEnter) {
        OnMouseEnter(this);
      }
    }
    break;
  case WM_MOUSELEAVE:
    if (mouseInside_) {
      mouseInside_ = false;
      if (OnMouseLeave) {
        OnMouseLeave(this);
      }
    }
    break;
  case WM_ERASEBKGND:
    // The drawing covers the whole button.
    return 1;
  case WM_UPDATEUISTATE: {
    // The focus rectangle comes and goes with the keyboard cues.
    const LRESULT result = TButton::WndProc(message, wParam, lParam);
    Invalidate();
    return result;
  }
  default:
    break;
  }
  return TButton::WndProc(message, wParam, lParam);
}

bool TImage::ShowsFocusRectangle(UINT itemState) const {
  if ((itemState & ODS_FOCUS) == 0 || (itemState & ODS_NOFOCUSRECT) != 0) {
    return false;
  }
  const TForm* form = ParentForm(*this);
  return form == nullptr || !form->FocusCuesHidden();
}

bool TImage::OnDrawItem(DRAWITEMSTRUCT* item) {
  const RECT bounds = item->rcItem;
  const bool focusRectangle = ShowsFocusRectangle(item->itemState);
  // Every state draws the whole button: background, picture and, with the keyboard in use, the
  // focus rectangle around it.
  PaintOffScreen(item->hDC, bounds, [&](HDC dc) {
    PaintParentBackground(*this, dc, bounds);
    picture_.Get().Draw(dc, bounds.left, bounds.top);
    if (focusRectangle) {
      DrawFocusRect(dc, &bounds);
    }
  });
  return true;
}

} // namespace hivelark
