#include "controls/PaintedControl.h"

#include "framework/Handles.h"

#include <windowsx.h>

namespace hivelark {
namespace {

// The mouse message's key flags as the mouse events carry them. Alt has no flag of its own.
TShiftState MouseShiftState(WPARAM keys) {
  TShiftState state = 0;
  if ((keys & MK_SHIFT) != 0) {
    state |= ssShift;
  }
  if ((keys & MK_CONTROL) != 0) {
    state |= ssCtrl;
  }
  if (GetKeyState(VK_MENU) < 0) {
    state |= ssAlt;
  }
  if ((keys & MK_LBUTTON) != 0) {
    state |= ssLeft;
  }
  if ((keys & MK_RBUTTON) != 0) {
    state |= ssRight;
  }
  if ((keys & MK_MBUTTON) != 0) {
    state |= ssMiddle;
  }
  return state;
}

} // namespace

TPaintedControl::TPaintedControl(TComponent* owner) : TCustomControl(owner) {}

void TPaintedControl::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  // The platform asks for the pointer only when the mouse moves again: show the new one at once
  // while the mouse rests over the control.
  if (mouseInside_ && HandleAllocated() && !ApplyCursor()) {
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

void TPaintedControl::PaintParentBackground(HDC dc, const RECT& client) {
  TWindow* parent = Parent();
  const COLORREF parentColor = parent != nullptr ? parent->Color() : CLR_INVALID;
  if (parentColor != CLR_INVALID) {
    UniqueBrush brush(CreateSolidBrush(parentColor));
    FillRect(dc, &client, brush.get());
  } else {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  }
  if (parent == nullptr || !parent->HandleAllocated()) {
    return;
  }
  // A parent that paints more than a plain colour (a panel's bevels) draws itself into the same
  // device context, moved so that the part behind this control lands at the origin.
  POINT origin{0, 0};
  MapWindowPoints(WindowHandle(), parent->WindowHandle(), &origin, 1);
  POINT previous{0, 0};
  OffsetViewportOrgEx(dc, -origin.x, -origin.y, &previous);
  SendMessageA(parent->WindowHandle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
}

void TPaintedControl::PaintTo(HDC dc) {
  RECT client;
  GetClientRect(Handle(), &client);
  PaintParentBackground(dc, client);
  Paint(dc, client);
}

LRESULT TPaintedControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_SETTEXT:
  case WM_SETFONT:
  case WM_ENABLE: {
    const LRESULT result = TCustomControl::WndProc(message, wParam, lParam);
    Invalidate();
    return result;
  }
  case WM_SETCURSOR:
    if (LOWORD(lParam) == HTCLIENT && ApplyCursor()) {
      return TRUE;
    }
    break;
  case WM_MOUSEMOVE:
    if (!mouseInside_) {
      mouseInside_ = true;
      TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, WindowHandle(), 0};
      TrackMouseEvent(&track);
      DoMouseEnter();
    }
    DoMouseMove(MouseShiftState(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    return 0;
  case WM_MOUSELEAVE:
    if (mouseInside_) {
      mouseInside_ = false;
      DoMouseLeave();
    }
    return 0;
  case WM_LBUTTONDOWN:
  case WM_LBUTTONDBLCLK:
    pressed_ = true;
    SetCapture(WindowHandle());
    return 0;
  case WM_LBUTTONUP: {
    const bool wasPressed = pressed_;
    pressed_ = false;
    if (GetCapture() == WindowHandle()) {
      ReleaseCapture();
    }
    RECT client;
    GetClientRect(WindowHandle(), &client);
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // A click is a press and a release over the control, as with a push button.
    if (wasPressed && PtInRect(&client, point)) {
      DoClick();
    }
    return 0;
  }
  case WM_CAPTURECHANGED:
    pressed_ = false;
    return 0;
  default:
    break;
  }
  return TCustomControl::WndProc(message, wParam, lParam);
}

void TPaintedControl::DoClick() {
  if (OnClick) {
    OnClick(this);
  }
}

void TPaintedControl::DoMouseEnter() {
  if (OnMouseEnter) {
    OnMouseEnter(this);
  }
}

void TPaintedControl::DoMouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) {
    OnMouseMove(this, shift, x, y);
  }
}

void TPaintedControl::DoMouseLeave() {
  if (OnMouseLeave) {
    OnMouseLeave(this);
  }
}

} // namespace hivelark
