#include "framework/ModalScope.h"

namespace hivelark {
namespace {

struct DisableContext {
  HWND modalWindow;
  std::vector<HWND>* disabled;
};

BOOL CALLBACK DisableTaskWindow(HWND window, LPARAM parameter) {
  auto* context = reinterpret_cast<DisableContext*>(parameter);
  if (window != context->modalWindow && IsWindowVisible(window) && IsWindowEnabled(window)) {
    EnableWindow(window, FALSE);
    context->disabled->push_back(window);
  }
  return TRUE;
}

} // namespace

ModalScope::ModalScope(HWND modalWindow)
    : previousActive_(GetActiveWindow()), previousFocus_(GetFocus()) {
  DisableContext context{modalWindow, &disabled_};
  EnumThreadWindows(GetCurrentThreadId(), DisableTaskWindow, reinterpret_cast<LPARAM>(&context));
}

void ModalScope::EnableOtherWindows() {
  for (HWND window : disabled_) {
    if (IsWindow(window)) {
      EnableWindow(window, TRUE);
    }
  }
  disabled_.clear();
}

ModalScope::~ModalScope() {
  // Enable first: the platform activates no disabled window.
  EnableOtherWindows();
  if (previousActive_ != nullptr && IsWindow(previousActive_)) {
    SetActiveWindow(previousActive_);
  }
  if (previousFocus_ != nullptr && IsWindow(previousFocus_)) {
    SetFocus(previousFocus_);
  }
}

} // namespace hivelark
