#include "controls/StatusBar.h"

#include <commctrl.h>

namespace hivelark {

TsStatusBar::TsStatusBar(TComponent* owner) : TWindow(owner) {}

void TsStatusBar::CreateParams(TCreateParams& params) {
  params.className = STATUSCLASSNAMEA;
  params.subclassStandardControl = true;
  params.style = CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
}

void TsStatusBar::AfterCreateHandle() {
  SendMessageA(WindowHandle(), SB_SIMPLE, TRUE, 0);
  SendMessageA(WindowHandle(), SB_SETTEXTA, SB_SIMPLEID,
               reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

std::string TsStatusBar::SimpleText() const {
  return simpleText_;
}

void TsStatusBar::SetSimpleText(const std::string& text) {
  simpleText_ = text;
  if (HandleAllocated()) {
    SendMessageA(WindowHandle(), SB_SETTEXTA, SB_SIMPLEID,
                 reinterpret_cast<LPARAM>(simpleText_.c_str()));
    // A screen reader speaks the new progress text on the change of the bar's name.
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, WindowHandle(), OBJID_CLIENT, CHILDID_SELF);
  }
}

} // namespace hivelark
