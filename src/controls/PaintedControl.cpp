#include "controls/PaintedControl.h"

namespace hivelark {

TPaintedControl::TPaintedControl(TComponent* owner) : TMouseControl(owner) {}

void TPaintedControl::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  // The platform asks for the pointer only when the mouse moves again: show the new one at once
  // while the mouse rests over the control.
  if (MouseInside() && HandleAllocated() && !ApplyCursor()) {
    ::SetCursor(reinterpret_cast<HCURSOR>(GetClassLongPtrA(WindowHandle(), GCLP_HCURSOR)));
  }
}

bool TPaintedControl::ApplyCursor() {
  if (cursor_ == crHandPoint) {
    ::SetCursor(LoadCursorA(nullptr, IDC_HAND));
    return true;
  }
  return false;
}

void TPaintedControl::CreateParams(TCreateParams& params) {
  params.className = "HivelarkPaintedControl";
  params.style = 0;
}

void TPaintedControl::PaintTo(HDC dc) {
  RECT client;
  GetClientRect(Handle(), &client);
  PaintParentBackground(*this, dc, client);
  Paint(dc, client);
}

LRESULT TPaintedControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_SETTEXT:
  case WM_SETFONT:
  case WM_ENABLE: {
    const LRESULT result = TMouseControl::WndProc(message, wParam, lParam);
    Invalidate();
    return result;
  }
  case WM_SETCURSOR:
    if (LOWORD(lParam) == HTCLIENT && ApplyCursor()) {
      return TRUE;
    }
    break;
  default:
    break;
  }
  return TMouseControl::WndProc(message, wParam, lParam);
}

} // namespace hivelark
