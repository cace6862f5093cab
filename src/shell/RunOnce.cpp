#include "shell/RunOnce.h"

#include "controls/MessageDialog.h"
#include "framework/Application.h"
#include "framework/Window.h"

#include <cstring>

namespace hivelark {
namespace {

struct MainWindowSearch {
  const std::string* className;
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<MainWindowSearch*>(parameter);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId == GetCurrentProcessId()) {
    return TRUE;
  }
  char className[256] = {};
  GetClassNameA(window, className, sizeof(className));
  if (*search->className != className) {
    return TRUE;
  }
  char caption[256] = {};
  // A window of another process that does not answer must not hold this start up.
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof(caption), reinterpret_cast<LPARAM>(caption),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  if (*search->caption != caption) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

} // namespace

TVrComponent::TVrComponent(TComponent* owner) : TComponent(owner) {}

TVrRunOnce::TVrRunOnce(TComponent* owner) : TVrComponent(owner) {}

TVrRunOnce::~TVrRunOnce() = default;

void TVrRunOnce::SetMainWindowIdentity(const std::string& className, const std::string& caption) {
  mainWindowClass_ = className;
  mainWindowCaption_ = caption;
}

void TVrRunOnce::AfterLoad() {
  TVrComponent::AfterLoad();
  // The name is the title in a fixed buffer of 256 characters: a longer title is cut.
  char name[256] = {};
  std::strncpy(name, Application != nullptr ? Application->Title().c_str() : "", sizeof(name) - 1);
  checkDone_ = false;
  mutex_.reset(CreateMutexA(nullptr, FALSE, name));
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS || !mutex_) {
    DoExists();
    if (restorePrevInst_) {
      RestorePreviousInstance();
    }
    if (terminate_) {
      if (showMessage_) {
        ShowMessageDialog(messageText_, mkInformation);
      }
      if (Application != nullptr) {
        Application->Terminate();
      }
    }
  }
  checkDone_ = true;
}

void TVrRunOnce::DoExists() {
  if (OnExists) {
    OnExists(this);
  }
}

void TVrRunOnce::RestorePreviousInstance() {
  if (mainWindowClass_.empty()) {
    return;
  }
  MainWindowSearch search{&mainWindowClass_, &mainWindowCaption_, nullptr};
  EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) {
    return;
  }
  // The running instance is another process: it may take the foreground only with our leave.
  AllowSetForegroundWindow(ASFW_ANY);
  RestoreToFront(search.found);
}

} // namespace hivelark
