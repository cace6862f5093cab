#include "shell/Launcher.h"

#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/MainThread.h"
#include "framework/ScopeEnd.h"

namespace hivelark {

#if defined(_WIN32) && !defined(_WIN64)
// The shell checks cbSize against the layout it knows.
static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "SHELLEXECUTEINFOA must have its 32-bit layout");
#endif

namespace {

// One poll of a background watch; the time-out counts polls, not clock time.
constexpr DWORD BACKGROUND_POLL_MS = 100;
// How often LaunchAndWatch looks whether a background start has settled.
constexpr DWORD START_SETTLE_POLL_MS = 10;
// Two poll periods: long enough for a polling watch to see its terminated flag and end.
constexpr DWORD WATCH_END_PAUSE_MS = 2 * BACKGROUND_POLL_MS;

int ShowCommand(TShowMode mode) {
  switch (mode) {
  case smMaximized:
    return SW_SHOWMAXIMIZED;
  case smMinimized:
    return SW_SHOWMINNOACTIVE;
  case smHide:
    return SW_HIDE;
  case smNormal:
    break;
  }
  return SW_SHOWNORMAL;
}

} // namespace

TRzLaunchLink::TRzLaunchLink(TRzLauncher* launcher)
    : launcher_(launcher), released_(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {
  // Without it the destructor could not wait for the thread safely: refuse the watch instead.
  if (!released_) {
    throw Exception(SystemErrorMessage(GetLastError()));
  }
}

TRzLauncher* TRzLaunchLink::Launcher() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return launcher_;
}

TRzLaunchThread* TRzLaunchLink::Thread() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return thread_;
}

bool TRzLaunchLink::Released() const {
  return Thread() == nullptr;
}

void TRzLaunchLink::Attach(TRzLaunchThread* thread) {
  std::lock_guard<std::mutex> guard(mutex_);
  thread_ = thread;
  ResetEvent(released_.get());
}

void TRzLaunchLink::Release() {
  // Under the lock: whoever reads thread_ under it may still call the thread.
  std::lock_guard<std::mutex> guard(mutex_);
  thread_ = nullptr;
  startSettled_ = true;
  SetEvent(released_.get());
}

bool TRzLaunchLink::RequestStop() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (thread_ == nullptr || thread_->Terminated()) {
    return false;
  }
  thread_->Terminate();
  return true;
}

bool TRzLaunchLink::StopRequested() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return thread_ != nullptr && thread_->Terminated();
}

bool TRzLaunchLink::RunEvent(void (TRzLauncher::*event)()) {
  RunOnMainThread([this, event] {
    // Read on the main thread, where the destructor runs: a launcher destroyed while this
    // hand-over waited is seen here.
    TRzLauncher* const launcher = Launcher();
    if (launcher == nullptr) {
      return;
    }
    inEvent_ = true;
    const AtScopeEnd leaveEvent([this] { inEvent_ = false; });
    (launcher->*event)();
  });
  return Launcher() != nullptr;
}

void TRzLaunchLink::Detach() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    launcher_ = nullptr;
    if (thread_ != nullptr) {
      thread_->Terminate();
    }
  }
  // Inside one of this watch's events the thread waits for us: it finds the launcher gone when
  // the event returns, and waiting for it here would never end.
  if (!inEvent_) {
    WaitHandlingSentMessages(released_.get());
  }
}

TRzLauncher::TRzLauncher(TComponent* owner) : TComponent(owner) {}

TRzLauncher::~TRzLauncher() {
  if (link_ == nullptr) {
    return;
  }
  if (running_ && !waitUntilFinished_ && link_->RequestStop()) {
    Sleep(WATCH_END_PAUSE_MS);
  }
  // The pause is too short when the thread is blocked handing an event to the main thread.
  link_->Detach();
}

TRzLaunchThread* TRzLauncher::WaitThread() const {
  return link_ != nullptr ? link_->Thread() : nullptr;
}

DWORD TRzLauncher::MakeShellRequest(SHELLEXECUTEINFOA& request) {
  request = SHELLEXECUTEINFOA{};
  request.cbSize = sizeof(request);
  request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
  request.hwnd = nullptr;
  // An empty property goes as an empty text, never as a null pointer.
  request.lpVerb = action_.c_str();
  request.lpFile = fileName_.c_str();
  request.lpParameters = parameters_.c_str();
  request.lpDirectory = startDir_.c_str();
  request.nShow = ShowCommand(showMode_);
  const BOOL accepted = shellExecute_ ? shellExecute_(request) : ShellExecuteExA(&request);
  if (accepted) {
    return 0;
  }
  const auto code = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(request.hInstApp));
  // The shell's older form of "out of memory or resources" is 0, which would read as success.
  return code != 0 ? code : SE_ERR_OOM;
}

DWORD TRzLauncher::Launch() {
  if (running_ || fileName_.empty()) {
    return 0;
  }
  return StartProcess();
}

DWORD TRzLauncher::StartProcess() {
  instApp_ = nullptr;
  // Closes the handle of the previous start: nobody could close it once it is replaced.
  processHandle_.reset();
  exitCode_ = 0;
  SHELLEXECUTEINFOA request;
  const DWORD failure = MakeShellRequest(request);
  if (failure == 0) {
    instApp_ = request.hInstApp;
    processHandle_.reset(request.hProcess);
  }
  return failure;
}

void TRzLauncher::LaunchAndWatch() {
  // A watch thread that has not let go of the launcher still has an event to deliver.
  if (running_ || fileName_.empty() || (link_ != nullptr && !link_->Released())) {
    return;
  }
  if (waitUntilFinished_) {
    DoLaunch();
    return;
  }
  link_ = std::make_shared<TRzLaunchLink>(this);
  StartThread<TRzLaunchThread>(this);
  // Processes no messages: nothing else may run until the start has succeeded or failed. The
  // thread settles the start also when it fails with code 0 or ends without a start.
  while (!link_->StartSettled()) {
    Sleep(START_SETTLE_POLL_MS);
  }
}

void TRzLauncher::DoLaunch() {
  // Read once: the caller may change the property as soon as a background start has settled.
  const std::shared_ptr<TRzLaunchLink> link = waitUntilFinished_ ? nullptr : link_;
  lastErrorCode_ = 0;
  const DWORD failure = StartProcess();
  if (failure != 0) {
    lastErrorCode_ = failure;
    if (link == nullptr) {
      DoError();
      return;
    }
    // Before the hand-over: LaunchAndWatch returns first, and the main thread then runs the event.
    link->SettleStart();
    link->RunEvent(&TRzLauncher::DoError);
    return;
  }
  running_ = true;
  if (link != nullptr) {
    link->SettleStart();
  }
  // However the wait ends, an exception from an event handler included. A launcher destroyed
  // during a background watch is not touched: its destructor closes the handle.
  const AtScopeEnd endWatch([this, &link] {
    if (link == nullptr || link->Launcher() != nullptr) {
      processHandle_.reset();
      running_ = false;
    }
  });
  if (link != nullptr) {
    WaitBackground();
  } else if (waitType_ == wtProcessMessages) {
    WaitProcessMessages();
  } else {
    WaitFullStop();
  }
}

void TRzLauncher::ReadExitCode() {
  DWORD code = 0;
  GetExitCodeProcess(processHandle_.get(), &code);
  exitCode_ = code;
}

void TRzLauncher::WaitFullStop() {
  // -1 is INFINITE.
  switch (WaitForSingleObject(processHandle_.get(), static_cast<DWORD>(timeout_))) {
  case WAIT_OBJECT_0:
    ReadExitCode();
    DoFinished();
    break;
  case WAIT_TIMEOUT:
    DoTimeout();
    break;
  case WAIT_FAILED:
    lastErrorCode_ = GetLastError();
    DoError();
    break;
  default:
    break;
  }
}

void TRzLauncher::WaitProcessMessages() {
  const HANDLE process = processHandle_.get();
  // No input bits: keyboard and mouse input is handled when the next posted or sent message
  // wakes the wait. Each wait starts the full time-out again.
  const DWORD wakeMask = QS_POSTMESSAGE | QS_SENDMESSAGE | QS_ALLPOSTMESSAGE;
  for (;;) {
    const DWORD woken =
        MsgWaitForMultipleObjects(1, &process, FALSE, static_cast<DWORD>(timeout_), wakeMask);
    if (woken == WAIT_OBJECT_0) {
      ReadExitCode();
      DoFinished();
      return;
    }
    if (woken == WAIT_OBJECT_0 + 1) {
      ProcessPendingMessages();
    } else if (woken == WAIT_TIMEOUT) {
      DoTimeout();
      return;
    } else if (woken == WAIT_FAILED) {
      lastErrorCode_ = GetLastError();
      DoError();
      return;
    }
  }
}

void TRzLauncher::ProcessPendingMessages() {
  if (Application != nullptr) {
    Application->ProcessMessages();
    return;
  }
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Left for the loop that ends on it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void TRzLauncher::WaitBackground() {
  // The link is read while the launcher surely exists; after an event hand-over only the link's
  // answer says whether it still does, and the watch ends there anyway.
  const std::shared_ptr<TRzLaunchLink> link = link_;
  const HANDLE process = processHandle_.get();
  DWORD counter = 0;
  for (;;) {
    switch (WaitForSingleObject(process, BACKGROUND_POLL_MS)) {
    case WAIT_OBJECT_0:
      ReadExitCode();
      link->RunEvent(&TRzLauncher::DoFinished);
      return;
    case WAIT_FAILED:
      lastErrorCode_ = GetLastError();
      link->RunEvent(&TRzLauncher::DoError);
      return;
    case WAIT_TIMEOUT:
      counter += BACKGROUND_POLL_MS;
      // Unsigned: a Timeout of -1 is a count that is never reached.
      if (counter >= static_cast<DWORD>(timeout_)) {
        link->RunEvent(&TRzLauncher::DoTimeout);
        return;
      }
      break;
    default:
      break;
    }
    if (link->StopRequested()) {
      return;
    }
  }
}

void TRzLauncher::DoFinished() {
  if (OnFinished) {
    OnFinished(this);
  }
}

void TRzLauncher::DoTimeout() {
  if (OnTimeout) {
    OnTimeout(this);
  }
}

void TRzLauncher::DoError() {
  if (OnError) {
    OnError(this, lastErrorCode_);
  }
}

TRzLaunchThread::TRzLaunchThread(TRzLauncher* launcher)
    : TThread(false), launcher_(launcher), link_(launcher != nullptr ? launcher->link_ : nullptr) {
  SetFreeOnTerminate(true);
  if (link_ != nullptr) {
    link_->Attach(this);
  }
}

TRzLaunchThread::~TRzLaunchThread() {
  // Also when the thread never ran: a launcher must not wait for it.
  if (link_ != nullptr) {
    link_->Release();
  }
}

void TRzLaunchThread::Execute() {
  if (launcher_ != nullptr) {
    launcher_->DoLaunch();
  }
}

} // namespace hivelark
