#pragma once

#include "framework/Exception.h"
#include "framework/Handles.h"

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <utility>

namespace hivelark {

// Raised on the calling thread when a thread cannot be created, resumed or suspended.
class EThread : public Exception {
public:
  using Exception::Exception;
};

// The base of the program's worker threads. A derived class puts its work in Execute, which runs
// on the new thread; everything else below is called from other threads (normally the main
// thread) unless it says otherwise.
//
// The thread procedure, once the thread runs: if the terminated flag is clear it runs Execute and
// keeps an exception that escapes it silently (FatalException); then DoTerminate (OnTerminate on
// the main thread); then it marks the thread finished and, with FreeOnTerminate, destroys the
// object on its own thread.
//
// Who may destroy the object, and when:
//  - With FreeOnTerminate set, once resumed, nobody: the thread destroys it. Until then the
//    creator may still delete it (the thread then ends without running anything).
//  - Otherwise any other thread, once the thread was never resumed or has finished (Finished()
//    or WaitFor). A thread destroyed while its Execute may still run would run on in a derived
//    object that no longer exists; as a last resort the destructor sets the terminated flag and
//    waits, but a derived class whose body can block must stop it in its own destructor.
class TThread {
public:
  using TThreadNotifyEvent = std::function<void(TThread* sender)>;

  // Creates the thread, always suspended. With `createSuspended` true it stays so until Resume.
  // With false it starts at AfterConstruction: the platform offers no point after the most
  // derived constructor, and a thread started from here could run Execute on a half-built object.
  // `stackSize` is the stack's reservation in bytes, 0 for the program's default. Raises EThread
  // "Thread creation error: %s" when the system cannot create the thread.
  explicit TThread(bool createSuspended, SIZE_T stackSize = 0);
  virtual ~TThread();
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts a thread constructed with createSuspended false; does nothing for the other kind or
  // when called again. StartThread below calls it for you.
  void AfterConstruction();

  // ResumeThread; the thread runs again once every Suspend has been matched. Raises EThread
  // "Thread Error: %s (%d)" when the system call fails. Once it has let a free-on-terminate
  // thread run, it no longer touches the object, which may be gone by the time it returns.
  void Resume();
  // SuspendThread: halts the thread wherever it is, also inside a wait or a sent message. Raises
  // EThread "Thread Error: %s (%d)" when the system call fails, leaving Suspended() as it was.
  void Suspend();
  bool Suspended() const { return suspended_; }

  // Only sets the terminated flag, which Execute reads through Terminated(): it wakes nothing and
  // interrupts no wait. Any thread.
  void Terminate() { terminated_ = true; }

  // Waits until the thread has ended, handling messages sent to the calling thread meanwhile (so
  // that OnTerminate, which is sent to the main thread, can run while the main thread waits).
  // Only for a resumed thread without FreeOnTerminate, never from the thread itself. Raises
  // EThread when the wait fails.
  void WaitFor();

  // True once the thread procedure has done everything but end the system thread.
  bool Finished() const { return finished_; }

  // Set before Resume; read by the thread procedure after Execute.
  bool FreeOnTerminate() const { return freeOnTerminate_; }
  void SetFreeOnTerminate(bool value) { freeOnTerminate_ = value; }

  // The exception that escaped Execute (or OnTerminate), or null; read it once Finished().
  std::exception_ptr FatalException() const { return fatalException_; }

  HANDLE Handle() const { return handle_.get(); }
  DWORD ThreadId() const { return threadId_; }

  // Run on the main thread after Execute has ended, with this thread as the sender; set it before
  // Resume.
  TThreadNotifyEvent OnTerminate;

protected:
  // The work; runs on the new thread.
  virtual void Execute() = 0;
  // Runs on the thread after Execute: raises OnTerminate on the main thread when it is set.
  virtual void DoTerminate();
  bool Terminated() const { return terminated_; }

private:
  static DWORD WINAPI ThreadProc(void* parameter);
  // Resumes until the suspend count reaches zero; false when the system refuses.
  bool ResumeFully();

  UniqueHandle handle_;
  DWORD threadId_ = 0;
  std::atomic<bool> suspended_{true};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> freeOnTerminate_{false};
  // The thread procedure may have begun.
  std::atomic<bool> started_{false};
  // Destroyed before it ever ran: the thread procedure returns at once and touches nothing.
  std::atomic<bool> abandoned_{false};
  bool startAfterConstruction_;
  std::exception_ptr fatalException_;
};

// Creates a T and, when T's constructor asked for a running thread, starts it now that the whole
// object exists. If starting fails the object is destroyed and the EThread passes on. A T that
// frees itself on termination may be gone by the time this returns.
template <typename T, typename... Arguments> T* StartThread(Arguments&&... arguments) {
  std::unique_ptr<T> thread(new T(std::forward<Arguments>(arguments)...));
  thread->AfterConstruction();
  return thread.release();
}

} // namespace hivelark
