#include "framework/Thread.h"

#include "framework/MainThread.h"

namespace hivelark {
namespace {

constexpr DWORD THREAD_CALL_FAILED = static_cast<DWORD>(-1);

[[noreturn]] void RaiseThreadError(DWORD code) {
  throw EThread(
      Format("Thread Error: %s (%d)", SystemErrorMessage(code).c_str(), static_cast<int>(code)));
}

} // namespace

TThread::TThread(bool createSuspended, SIZE_T stackSize)
    : startAfterConstruction_(!createSuspended) {
  // Always created suspended: the object is not complete until the derived constructors have run.
  // The size is a reservation, so that an absurd one fails here rather than committing memory.
  const DWORD flags = CREATE_SUSPENDED | (stackSize != 0 ? STACK_SIZE_PARAM_IS_A_RESERVATION : 0);
  handle_.reset(CreateThread(nullptr, stackSize, ThreadProc, this, flags, &threadId_));
  if (!handle_) {
    throw EThread(Format("Thread creation error: %s", SystemErrorMessage(GetLastError()).c_str()));
  }
}

TThread::~TThread() {
  if (!handle_ || GetCurrentThreadId() == threadId_ || finished_) {
    return;
  }
  if (!started_) {
    abandoned_ = true;
  }
  terminated_ = true;
  // A thread the system refuses to resume never runs again; waiting for it would never end.
  if (ResumeFully()) {
    WaitHandlingSentMessages(handle_.get());
  }
}

void TThread::AfterConstruction() {
  if (std::exchange(startAfterConstruction_, false)) {
    Resume();
  }
}

// A free-on-terminate thread that runs may end and destroy this object at any moment, even before
// ResumeThread returns: the state is written before the thread is let run and put back only when
// it was not.
void TThread::Resume() {
  const bool wasStarted = started_.exchange(true);
  const bool wasSuspended = suspended_.exchange(false);
  const DWORD previousCount = ResumeThread(handle_.get());
  if (previousCount != THREAD_CALL_FAILED && previousCount <= 1) {
    return;
  }
  const DWORD code = GetLastError();
  started_ = wasStarted;
  suspended_ = wasSuspended;
  if (previousCount == THREAD_CALL_FAILED) {
    RaiseThreadError(code);
  }
}

void TThread::Suspend() {
  const bool wasSuspended = suspended_.exchange(true);
  if (SuspendThread(handle_.get()) == THREAD_CALL_FAILED) {
    const DWORD code = GetLastError();
    suspended_ = wasSuspended;
    RaiseThreadError(code);
  }
}

void TThread::WaitFor() {
  if (!WaitHandlingSentMessages(handle_.get())) {
    RaiseThreadError(GetLastError());
  }
}

bool TThread::ResumeFully() {
  DWORD previousCount;
  do {
    previousCount = ResumeThread(handle_.get());
  } while (previousCount != THREAD_CALL_FAILED && previousCount > 1);
  if (previousCount == THREAD_CALL_FAILED) {
    return false;
  }
  started_ = true;
  suspended_ = false;
  return true;
}

void TThread::DoTerminate() {
  if (OnTerminate) {
    RunOnMainThread([this] { OnTerminate(this); });
  }
}

DWORD WINAPI TThread::ThreadProc(void* parameter) {
  auto* thread = static_cast<TThread*>(parameter);
  if (thread->abandoned_) {
    return 0;
  }
  if (!thread->Terminated()) {
    try {
      thread->Execute();
    } catch (...) {
      thread->fatalException_ = std::current_exception();
    }
  }
  try {
    thread->DoTerminate();
  } catch (...) {
    if (!thread->fatalException_) {
      thread->fatalException_ = std::current_exception();
    }
  }
  // Read before finished_ is set: from then on another thread may destroy the object.
  const bool freeOnTerminate = thread->freeOnTerminate_;
  thread->finished_ = true;
  if (freeOnTerminate) {
    delete thread;
  }
  return 0;
}

} // namespace hivelark
