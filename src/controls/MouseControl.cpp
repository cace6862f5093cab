#include "controls/MouseControl.h"

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

bool TMouseControl::Contains(LPARAM point) const {
  RECT client;
  GetClientRect(WindowHandle(), &client);
  return PtInRect(&client, POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)}) != FALSE;
}

LRESULT TMouseControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_MOUSEMOVE: {
    bool changed = false;
    if (!mouseInside_) {
      mouseInside_ = true;
      TRACKMOUSEEVENT tracking{sizeof(tracking), TME_LEAVE, WindowHandle(), 0};
      TrackMouseEvent(&tracking);
      DoMouseEnter();
      changed = true;
    }
    if (held_ && Contains(lParam) != heldInside_) {
      heldInside_ = !heldInside_;
      changed = true;
    }
    if (changed) {
      MouseStateChanged();
    }
    DoMouseMove(MouseShiftState(wParam), ToUnits(GET_X_LPARAM(lParam)),
                ToUnits(GET_Y_LPARAM(lParam)));
    return 0;
  }
  case WM_MOUSELEAVE:
    if (mouseInside_) {
      mouseInside_ = false;
      DoMouseLeave();
      MouseStateChanged();
    }
    return 0;
  case WM_LBUTTONDBLCLK:
    // The second press of a double click: its first press and release were the one click that a
    // user means by it.
    return 0;
  case WM_LBUTTONDOWN:
    SetCapture(WindowHandle());
    held_ = true;
    heldInside_ = true;
    MouseStateChanged();
    return 0;
  case WM_LBUTTONUP: {
    const bool wasHeld = held_;
    // Cleared before the capture goes, so that WM_CAPTURECHANGED finds nothing to undo.
    held_ = false;
    if (GetCapture() == WindowHandle()) {
      ReleaseCapture();
    }
    if (wasHeld) {
      MouseStateChanged();
      if (Contains(lParam)) {
        DoClick();
      }
    }
    return 0;
  }
  case WM_CAPTURECHANGED:
    if (held_) {
      held_ = false;
      MouseStateChanged();
    }
    return 0;
  default:
    break;
  }
  return TCustomControl::WndProc(message, wParam, lParam);
}

void TMouseControl::DoClick() {
  if (OnClick) {
    OnClick(this);
  }
}

void TMouseControl::DoMouseEnter() {
  if (OnMouseEnter) {
    OnMouseEnter(this);
  }
}

void TMouseControl::DoMouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) {
    OnMouseMove(this, shift, x, y);
  }
}

void TMouseControl::DoMouseLeave() {
  if (OnMouseLeave) {
    OnMouseLeave(this);
  }
}

} // namespace hivelark
