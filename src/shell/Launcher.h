#pragma once

#include "framework/Component.h"
#include "framework/Handles.h"
#include "framework/Thread.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// The program launcher starts a program, or opens a document, through the shell.
//
//   Launch          hands FileName to the shell and returns at once with the shell's verdict.
//   LaunchAndWatch  hands it to the shell and watches the started process until it ends or
//                   Timeout passes, reporting through OnFinished, OnTimeout or OnError. The watch
//                   runs in the calling thread (WaitUntilFinished true; WaitType says whether it
//                   blocks or keeps handling messages) or on a TRzLaunchThread of its own.
//
// Threads: everything is called on the main thread. During a background watch the watch thread
// makes the start (DoLaunch) and polls the process (WaitBackground); it hands each event to the
// main thread and waits until the main thread has run it. The main thread runs such hand-overs
// when it takes messages, never while LaunchAndWatch sleeps for the start to settle. Change the
// properties only while no watch runs: the watch thread reads them.
//
// The launcher never stops a program it started. It owns the process handle of the last start and
// closes it when the next start replaces it, when a watch ends and when the launcher is destroyed.
namespace hivelark {

// How the started program's window is first shown.
enum TShowMode { smNormal, smMaximized, smMinimized, smHide };

// How a watch in the calling thread waits.
enum TRzWaitType { wtFullStop, wtProcessMessages };

// The start or the wait failed. `errorCode` is the shell's SE_ERR_ code for a refused start and
// the system's error code for a failed wait.
using TRzLaunchErrorEvent = std::function<void(TComponent* sender, DWORD errorCode)>;

class TRzLauncher;
class TRzLaunchThread;

// What a launcher and the watch thread of its background watch share, so that the thread never
// touches a launcher that is gone. Each holds it, so it lives as long as either needs it.
//
// The rules of the hand-off:
//  - The watch thread holds the launcher from its construction until its destruction (Attach,
//    Release). While it does, it may use the launcher's members, except after an event hand-over
//    (RunEvent) that reports the launcher gone: then it touches nothing of the launcher again.
//  - The launcher's destructor (Detach) first marks the launcher gone, so that no event of this
//    watch runs any more, and asks the thread to terminate. Then it waits for Release, handling
//    messages sent to the main thread meanwhile: a thread blocked in a hand-over is let through
//    (its event is skipped), and one that is polling ends within one poll.
//  - Only when the destructor runs inside one of this watch's own events, where the thread is
//    blocked until the event returns, it does not wait: the thread finds the launcher gone when
//    the hand-over returns.
// Derived launchers whose overrides of the watch operations run on the watch thread must therefore
// not rely on their own members once the destructor of TRzLauncher has begun.
class TRzLaunchLink {
public:
  explicit TRzLaunchLink(TRzLauncher* launcher);
  TRzLaunchLink(const TRzLaunchLink&) = delete;
  TRzLaunchLink& operator=(const TRzLaunchLink&) = delete;

  // Any thread: the launcher, or null once its destructor has begun.
  TRzLauncher* Launcher() const;
  // Any thread: the watch thread while it holds the launcher, else null.
  TRzLaunchThread* Thread() const;
  // True while no watch thread holds the launcher.
  bool Released() const;

  // From the watch thread's constructor, before the thread runs.
  void Attach(TRzLaunchThread* thread);
  // From the watch thread's destructor: it touches the launcher no more.
  void Release();

  // Watch thread: the start has succeeded or failed (also set by Release, so that a thread that
  // ended without a start never keeps LaunchAndWatch waiting).
  void SettleStart() { startSettled_ = true; }
  bool StartSettled() const { return startSettled_; }

  // Sets the watch thread's terminated flag; true when it was set here (a thread holds the
  // launcher and its flag was clear).
  bool RequestStop();
  // Watch thread: whether its terminated flag is set.
  bool StopRequested() const;

  // Watch thread: runs `event` of the launcher on the main thread and waits for it, unless the
  // launcher is gone by then. Returns false when the launcher is gone after the event. An
  // exception out of the event's handler comes back to the caller.
  bool RunEvent(void (TRzLauncher::*event)());

  // Main thread, from the launcher's destructor: see the rules above.
  void Detach();

private:
  mutable std::mutex mutex_;
  TRzLauncher* launcher_;
  TRzLaunchThread* thread_ = nullptr;
  std::atomic<bool> startSettled_{false};
  // Main thread only: one of this watch's events is running.
  bool inEvent_ = false;
  // Manual-reset event, signalled while no watch thread holds the launcher.
  UniqueHandle released_;
};

class TRzLauncher : public TComponent {
public:
  // The call that hands the request to the shell: ShellExecuteExA unless replaced, as tests do to
  // see the request. TRUE on success.
  using TShellExecute = std::function<BOOL(SHELLEXECUTEINFOA& request)>;

  explicit TRzLauncher(TComponent* owner);
  // During a background watch: asks the watch thread to terminate, pauses two poll periods so
  // that the watch can end, then makes sure the thread is done with the launcher (see
  // TRzLaunchLink). No event is raised from then on; the started program runs on.
  ~TRzLauncher() override;

  // The shell verb (default "Open").
  const std::string& Action() const { return action_; }
  void SetAction(const std::string& value) { action_ = value; }
  // The program or document to start (default empty: nothing is started).
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& value) { fileName_ = value; }
  // Command-line parameters handed to the shell (default empty).
  const std::string& Parameters() const { return parameters_; }
  void SetParameters(const std::string& value) { parameters_ = value; }
  // How the started program's window is first shown (default smNormal).
  TShowMode ShowMode() const { return showMode_; }
  void SetShowMode(TShowMode value) { showMode_ = value; }
  // The working directory handed to the shell (default empty).
  const std::string& StartDir() const { return startDir_; }
  void SetStartDir(const std::string& value) { startDir_ = value; }
  // The longest watch in milliseconds; -1 (the default) means no limit.
  int Timeout() const { return timeout_; }
  void SetTimeout(int value) { timeout_ = value; }
  // How a watch in the calling thread waits (default wtFullStop).
  TRzWaitType WaitType() const { return waitType_; }
  void SetWaitType(TRzWaitType value) { waitType_ = value; }
  // Watch in the calling thread (true) or on a watch thread (false, the default).
  bool WaitUntilFinished() const { return waitUntilFinished_; }
  void SetWaitUntilFinished(bool value) { waitUntilFinished_ = value; }

  void SetShellExecute(TShellExecute shellExecute) { shellExecute_ = std::move(shellExecute); }

  // The shell's instance result of the last successful start.
  HINSTANCE InstApp() const { return instApp_; }
  // The process of the last successful start; null when the shell started no new process, and
  // once a watch has ended.
  HANDLE ProcessHandle() const { return processHandle_.get(); }
  // The watched program's exit code, read when it ended.
  DWORD ExitCode() const { return exitCode_; }
  // The code of the last failure of a watched start or wait; 0 for none.
  DWORD LastErrorCode() const { return lastErrorCode_; }
  // From the successful start of a watched program until its watch has ended.
  bool Running() const { return running_; }
  // The watch thread of the current background watch, null when there is none. The thread
  // destroys itself when its watch ends: do not keep the pointer.
  TRzLaunchThread* WaitThread() const;

  TNotifyEvent OnFinished;
  TNotifyEvent OnTimeout;
  TRzLaunchErrorEvent OnError;

protected:
  // The three waits on ProcessHandle; each ends with at most one event.
  virtual void WaitProcessMessages();
  virtual void WaitFullStop();
  // On the watch thread: polls every 100 ms.
  virtual void WaitBackground();

public:
  // Starts FileName and watches it; outcomes arrive through the events. Does nothing while a
  // watch runs (or its watch thread has not yet delivered its last event) or when FileName is
  // empty. A background watch returns once the start has succeeded or failed.
  virtual void LaunchAndWatch();
  // Starts FileName and returns at once: 0 when the shell accepted the request or nothing was
  // attempted (FileName empty or a watch running), else the shell's SE_ERR_ code. Raises no
  // event and shows nothing.
  virtual DWORD Launch();

protected:
  virtual void DoFinished();
  virtual void DoTimeout();
  virtual void DoError();

  // The watched start: in the calling thread or on the watch thread.
  void DoLaunch();

private:
  friend class TRzLaunchLink;
  friend class TRzLaunchThread;

  // Builds the request from the properties and hands it to the shell: 0 on success, else the
  // shell's code for the failure, never 0.
  DWORD MakeShellRequest(SHELLEXECUTEINFOA& request);
  // Forgets the previous start (closing its process handle) and makes a new one; keeps the new
  // process's handle and instance code. Returns what MakeShellRequest returned.
  DWORD StartProcess();
  // Takes the exit code of the ended process.
  void ReadExitCode();
  void ProcessPendingMessages();

  std::string action_ = "Open";
  std::string fileName_;
  std::string parameters_;
  TShowMode showMode_ = smNormal;
  std::string startDir_;
  int timeout_ = -1;
  TRzWaitType waitType_ = wtFullStop;
  bool waitUntilFinished_ = false;
  TShellExecute shellExecute_;

  HINSTANCE instApp_ = nullptr;
  UniqueHandle processHandle_;
  std::atomic<DWORD> exitCode_{0};
  std::atomic<DWORD> lastErrorCode_{0};
  std::atomic<bool> running_{false};
  // The link of the latest background watch, null before the first.
  std::shared_ptr<TRzLaunchLink> link_;
};

// The thread of one background watch: runs its launcher's DoLaunch and destroys itself when that
// ends. Created by LaunchAndWatch through StartThread, which starts it once constructed.
class TRzLaunchThread : public TThread {
public:
  explicit TRzLaunchThread(TRzLauncher* launcher);
  ~TRzLaunchThread() override;

  TRzLauncher* Launcher() const { return launcher_; }
  using TThread::Terminated;

protected:
  void Execute() override;

private:
  TRzLauncher* launcher_;
  std::shared_ptr<TRzLaunchLink> link_;
};

} // namespace hivelark
