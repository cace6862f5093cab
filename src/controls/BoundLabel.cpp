#include "controls/BoundLabel.h"

namespace hivelark {

TBoundLabel::TBoundLabel(TWindow& control) : TsLabel(&control), control_(control) {
  FollowControl();
}

void TBoundLabel::SetCaption(const std::string& caption) {
  TsLabel::SetCaption(caption);
  FollowControl();
}

void TBoundLabel::FollowControl() {
  SetName(control_.Name() + "Label");
  if (Parent() != control_.Parent()) {
    SetParent(control_.Parent());
  }
  // The height comes from the text, so the top is only known after sizing.
  if (Left() != control_.Left() || Top() != control_.Top() - Height()) {
    SetBounds(control_.Left(), control_.Top() - Height(), Width(), Height());
  }
  if (Visible() != control_.Visible()) {
    SetVisible(control_.Visible());
  }
  if (Enabled() != control_.Enabled()) {
    SetEnabled(control_.Enabled());
  }
}

void TBoundLabel::AfterCreateHandle() {
  TsLabel::AfterCreateHandle();
  FollowControl();
  // A screen reader names a field by the label just before it in z-order, and the label's window
  // comes after the control's: it goes in front of the control, which keeps its place in the tab
  // order.
  HWND control = control_.WindowHandle();
  if (control != nullptr && GetParent(control) == GetParent(WindowHandle())) {
    HWND before = GetWindow(control, GW_HWNDPREV);
    SetWindowPos(WindowHandle(), before != nullptr ? before : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }
}

LRESULT TBoundLabel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = TsLabel::WndProc(message, wParam, lParam);
  // A new font of the parent changes the text's size and so the label's place.
  if (message == WM_SETFONT) {
    SetCaption(Caption());
  }
  return result;
}

} // namespace hivelark
