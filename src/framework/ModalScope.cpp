#include "framework/ModalScope.h"

#include "framework/Application.h"
#include "framework/Form.h"

namespace hivelark {
namespace {

struct DisableContext {
  HWND modalWindow;
  HWND mainWindow;
  std::vector<HWND>* disabled;
};

BOOL CALLBACK DisableTaskWindow(HWND window, LPARAM parameter) {
  auto* context = reinterpret_cast<DisableContext*>(parameter);
  // The main window also while it is hidden (in the notification area): brought back during the
  // dialog, it must not take commands while the dialog's caller is still waiting for it, as the
  // system's own dialogs keep their owner disabled.
  const bool taking = IsWindowVisible(window) || window == context->mainWindow;
  if (window != context->modalWindow && taking && IsWindowEnabled(window)) {
    EnableWindow(window, FALSE);
    context->disabled->push_back(window);
  }
  return TRUE;
}

} // namespace

ModalScope::ModalScope(HWND modalWindow)
    : previousActive_(GetActiveWindow()), previousFocus_(GetFocus()) {
  TForm* mainForm = Application != nullptr ? Application->MainForm() : nullptr;
  DisableContext context{modalWindow, mainForm != nullptr ? mainForm->WindowHandle() : nullptr,
                         &disabled_};
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
