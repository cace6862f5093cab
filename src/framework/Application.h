#pragma once

#include "framework/Component.h"
#include "framework/Form.h"
#include "framework/Handles.h"

#include <windows.h>

#include <exception>
#include <string>
#include <vector>

namespace hivelark {

// The application object: one per process, created on the main thread before anything else. It
// keeps COM initialised on the main thread (single-threaded apartment) for its whole life, owns
// the hidden application window and the forms, runs the message loop and shows exceptions that
// escape a handler in its error box. Main thread only.
class TApplication : public TComponent {
public:
  TApplication();
  // The exit sequence: each form's destruction handler runs, last created first, then the forms
  // and their components are destroyed.
  ~TApplication() override;

  // The hidden top-level window: never shown, owner of the common dialogs and shell requests.
  HWND Handle() const { return handle_.get(); }

  // The stored title, used as the error box caption and as the single-instance name. While the
  // main form carries the taskbar button, the application window's text stays empty.
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);

  bool MainFormOnTaskBar() const { return mainFormOnTaskBar_; }
  void SetMainFormOnTaskBar(bool value);

  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool value) { showMainForm_ = value; }

  // Creates a form owned by the application: builds it and its layout, runs the components'
  // after-load steps and the form's creation handler. The first form created becomes the main
  // form, and its native window is created (hidden).
  template <typename Form> Form* CreateForm() {
    auto* form = new Form(this);
    AddForm(form);
    return form;
  }
  TForm* MainForm() const { return mainForm_; }

  // Shows the main form according to the show command the process was started with, then takes
  // and dispatches messages until the quit request is taken.
  void Run();
  // The quit request: posts the quit message (exit code 0). Nothing stops at once.
  void Terminate();
  bool Terminated() const { return terminated_; }

  // Waits for one message and handles it; false when it was the quit message. A message the
  // platform failed to hand over is skipped (true).
  bool HandleMessage();
  // Handles every message waiting in the queue, then returns.
  void ProcessMessages();

  // The error box for an exception that escaped a handler; the silent-abort kind shows nothing.
  void HandleException(std::exception_ptr error);
  // The error box itself: caption Title, error icon, one OK button.
  void ShowException(const std::string& message);

  // The show command the process was started with (SW_SHOWNORMAL when none was given).
  static int StartupShowCommand();

protected:
  void BeforeDestruction() override;

private:
  void AddForm(TForm* form);
  // The exit sequence (see the destructor); does nothing once done.
  void DestroyForms();
  void ProcessMessage(MSG& message);

  // First in, last out: the shell's calls (the launcher's open requests among them) need COM on
  // the main thread while any window lives.
  ComApartmentScope comApartment_;
  UniqueWindow handle_;
  std::string title_;
  bool mainFormOnTaskBar_ = false;
  bool showMainForm_ = true;
  bool terminated_ = false;
  // Failed message takes in a row; see HandleMessage.
  int failedTakes_ = 0;
  static constexpr DWORD kFailedTakePauseMs = 10;
  TForm* mainForm_ = nullptr;
  std::vector<TForm*> forms_;
};

// The one application object of the process, or null before it exists.
extern TApplication* Application;

// The error box's text: a full stop is appended when the last character sorts after ".".
std::string ErrorBoxText(const std::string& message);

} // namespace hivelark
