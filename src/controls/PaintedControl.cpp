#include "controls/PaintedControl.h"

#include "framework/Handles.h"

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
