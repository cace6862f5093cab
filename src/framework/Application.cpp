#include "framework/Application.h"

#include "framework/Exception.h"
#include "framework/MainThread.h"
#include "framework/ModalScope.h"

#include <commctrl.h>

namespace hivelark {

TApplication* Application = nullptr;

namespace {

constexpr char kApplicationWindowClass[] = "HivelarkApplication";

LRESULT CALLBACK ApplicationWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The hidden window never closes by itself: closing the program goes through the main form.
  if (message == WM_CLOSE) {
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string ModuleBaseName() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name(path);
  const size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) {
    name.erase(0, slash + 1);
  }
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) {
    name.erase(dot);
  }
  return name;
}

} // namespace

std::string ErrorBoxText(const std::string& message) {
  std::string text = message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text += '.';
  }
  return text;
}

TApplication::TApplication() : TComponent(nullptr) {
  InitMainThread();
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = ApplicationWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hIcon = LoadIconA(windowClass.hInstance, "MAINICON");
  windowClass.hIconSm = SmallProgramIcon();
  windowClass.lpszClassName = kApplicationWindowClass;
  RegisterClassExA(&windowClass);
  // Until the main form takes the taskbar button, the application window carries the program's
  // name, as a titled top-level window would.
  title_ = ModuleBaseName();
  handle_.reset(
      CreateWindowExA(0, kApplicationWindowClass, title_.c_str(),
                      WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                      0, 0, nullptr, nullptr, windowClass.hInstance, nullptr));
  Application = this;
}

TApplication::~TApplication() {
  DestroyForms();
  if (Application == this) {
    Application = nullptr;
  }
}

void TApplication::BeforeDestruction() {
  DestroyForms();
  TComponent::BeforeDestruction();
}

void TApplication::DestroyForms() {
  for (auto form = forms_.rbegin(); form != forms_.rend(); ++form) {
    try {
      (*form)->DoDestroy();
    } catch (...) {
      HandleException(std::current_exception());
    }
  }
  // Owned components (the forms among them) go here, last created first, and not in the base's
  // destructor: the application object must stay reachable for them until then.
  while (!Components().empty()) {
    delete Components().back();
  }
  forms_.clear();
  mainForm_ = nullptr;
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  if (!mainFormOnTaskBar_ && handle_) {
    SetWindowTextA(handle_.get(), title.c_str());
  }
}

void TApplication::SetMainFormOnTaskBar(bool value) {
  mainFormOnTaskBar_ = value;
  if (handle_) {
    SetWindowTextA(handle_.get(), value ? "" : title_.c_str());
  }
}

void TApplication::AddForm(TForm* form) {
  forms_.push_back(form);
  form->FinishLoading();
  form->DoCreate();
  if (mainForm_ == nullptr) {
    mainForm_ = form;
    form->Handle();
  }
}

int TApplication::StartupShowCommand() {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoA(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWNORMAL;
}

void TApplication::Run() {
  if (mainForm_ != nullptr && showMainForm_) {
    switch (StartupShowCommand()) {
    case SW_SHOWMAXIMIZED:
      mainForm_->ShowWithCommand(SW_SHOWMAXIMIZED);
      break;
    case SW_SHOWMINNOACTIVE:
      mainForm_->ShowWithCommand(SW_SHOWMINNOACTIVE);
      break;
    default:
      mainForm_->ShowWithCommand(SW_SHOWNORMAL);
      break;
    }
  }
  while (HandleMessage()) {
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

bool TApplication::HandleMessage() {
  MSG message;
  const BOOL result = GetMessageA(&message, nullptr, 0, 0);
  if (result == -1) {
    // The platform could not hand over a message (under Wine: a text sent from another process
    // too big to carry). That message is lost, the program is not: go on taking messages. A
    // failure that repeats at once waits a little for new input rather than spinning.
    if (++failedTakes_ > 1) {
      MsgWaitForMultipleObjectsEx(0, nullptr, kFailedTakePauseMs, QS_ALLINPUT, 0);
    }
    return true;
  }
  failedTakes_ = 0;
  if (result == 0) {
    terminated_ = true;
    return false;
  }
  ProcessMessage(message);
  return true;
}

void TApplication::ProcessMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Leave the quit request for the loop that ends on it.
      terminated_ = true;
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    ProcessMessage(message);
  }
}

void TApplication::ProcessMessage(MSG& message) {
  try {
    if (message.hwnd != nullptr) {
      HWND root = GetAncestor(message.hwnd, GA_ROOT);
      auto* form = dynamic_cast<TForm*>(TWindow::FromHandle(root));
      if (form != nullptr) {
        const bool keyMessage = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
        if (keyMessage) {
          form->NoteKeyboardUse(message);
          if (form->KeyPreview() && form->PreviewKey(message)) {
            return;
          }
        }
        // Tab, Enter, Esc and the arrow keys between option buttons, as in the platform's
        // dialogs.
        if (IsDialogMessageA(root, &message)) {
          return;
        }
      }
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  } catch (...) {
    HandleException(std::current_exception());
  }
}

void TApplication::HandleException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
  } catch (const std::exception& exception) {
    ShowException(exception.what());
  } catch (...) {
    ShowException("Unknown error");
  }
}

void TApplication::ShowException(const std::string& message) {
  ModalScope scope;
  MessageBoxA(scope.PreviousActiveWindow(), ErrorBoxText(message).c_str(), title_.c_str(),
              MB_OK | MB_ICONERROR);
}

} // namespace hivelark
