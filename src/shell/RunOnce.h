#pragma once

#include "framework/Component.h"
#include "framework/Handles.h"

#include <windows.h>

#include <functional>
#include <string>

namespace hivelark {

// The base of the guard's component family: it adds a version text that nothing reads.
class TVrComponent : public TComponent {
public:
  explicit TVrComponent(TComponent* owner);

  const std::string& Version() const { return version_; }
  void SetVersion(const std::string& version) { version_ = version; }

private:
  std::string version_ = "1.3";
};

// Keeps a second instance of the program from running. After the owner's layout is built
// (AfterLoad) it creates a named mutex whose name is the application title; when a mutex of that
// name already exists (or cannot be created), another instance counts as running: OnExists is
// called, the running instance's main window is brought back, and this instance shows its
// message and asks to end. The mutex is never owned or waited on: only its existence counts.
// Main thread only.
class TVrRunOnce : public TVrComponent {
public:
  explicit TVrRunOnce(TComponent* owner);
  // Closes the mutex handle, if the check created or opened one.
  ~TVrRunOnce() override;

  const std::string& MessageText() const { return messageText_; }
  void SetMessageText(const std::string& text) { messageText_ = text; }
  bool ShowMessage() const { return showMessage_; }
  void SetShowMessage(bool value) { showMessage_ = value; }
  bool Terminate() const { return terminate_; }
  void SetTerminate(bool value) { terminate_ = value; }
  bool RestorePrevInst() const { return restorePrevInst_; }
  void SetRestorePrevInst(bool value) { restorePrevInst_ = value; }

  TNotifyEvent OnExists;

  bool CheckDone() const { return checkDone_; }
  HANDLE MutexHandle() const { return mutex_.get(); }

  // Runs the check.
  void AfterLoad() override;

  // How the running instance's main window is found: its window class and caption. The window
  // brought back must not belong to this process.
  void SetMainWindowIdentity(const std::string& className, const std::string& caption);

protected:
  virtual void DoExists();
  // Brings the running instance's main window back: restored if minimised, shown if hidden,
  // then brought to the front. Changes no window's title.
  virtual void RestorePreviousInstance();

private:
  std::string messageText_;
  bool showMessage_ = false;
  bool terminate_ = true;
  bool restorePrevInst_ = true;
  bool checkDone_ = false;
  UniqueHandle mutex_;
  std::string mainWindowClass_;
  std::string mainWindowCaption_;
};

} // namespace hivelark
