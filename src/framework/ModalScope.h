#pragma once

#include <windows.h>

#include <vector>

namespace hivelark {

// What every modal window of the program does around its own loop (forms shown modally, the
// message dialog, the common file dialogs, the error box): while the scope lives, every other
// enabled, visible top-level window of the main thread is disabled, and the application's main
// window even while it is hidden; when it ends they are enabled
// again, the window that was active before is activated and the keyboard focus goes back where it
// was.
class ModalScope {
public:
  // `modalWindow` (may be null while it does not exist yet) is left enabled.
  explicit ModalScope(HWND modalWindow = nullptr);
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
  ~ModalScope();

  // Enables the other windows again at once (before the modal window hides, so that the platform
  // does not hand the activation to another program meanwhile). The destructor does the rest.
  void EnableOtherWindows();

  // The window that was active when the scope began, or null.
  HWND PreviousActiveWindow() const { return previousActive_; }

private:
  HWND previousActive_;
  HWND previousFocus_;
  std::vector<HWND> disabled_;
};

} // namespace hivelark
