#pragma once

#include "framework/Handles.h"
#include "framework/Thread.h"
#include "monitor/RegistryAccess.h"
#include "monitor/RegistryDifference.h"
#include "monitor/RegistrySnapshot.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

// A registry monitor watches one key and its whole subtree on a thread of its own and reports to
// a window through two messages of framework/Messages.h:
//
//  WM_REGCHANGE (sent, SendMessageA): something matching the filter changed under the key.
//    wParam: the monitor's root key code; lParam: the address of its zero-terminated key path
//    text. The monitor stays blocked in the send until the handler returns, and only then arms
//    the next notification: changes made meanwhile give no report of their own.
//  WM_REGMONITOR_FAILED (posted): the monitor could not open or watch its key and has ended.
//    wParam: the monitor's Id(); lParam: 0. The text is its link's FailureText().
//
// How the owner drives one, on the main thread:
//
//   std::unique_ptr<TRegMonitorThread> monitor(new TRegMonitorThread);  // created suspended
//   monitor->SetNotifyWnd(window);
//   monitor->SetFilter(filter);
//   monitor->SetRootKey(rootKey);
//   monitor->SetKeyPath(keyPath);
//   link_ = TRegMonitorThread::Start(std::move(monitor));
//
// From Start on the monitor belongs to its own thread, which destroys it when it ends; the owner
// keeps only the link. To stop it (also when the window is destroyed): link_->Stop(), which never
// waits. In the WM_REGCHANGE handler:
//
//   TChangeData record;
//   if (ReadChangeMessage(wParam, lParam, record)) { ... log record ... }
//   const bool fromCurrentMonitor = link_ && link_->IsSender(lParam);
//
// ReadChangeMessage gives the sender's own record even when the sender is a monitor that was
// stopped while it was already reporting, after a newer one started. In the WM_REGMONITOR_FAILED
// handler, believe the link rather than the message, which any process can post and which can
// arrive after a Stop: show link_->FailureText() only when link_ && wParam == link_->Id() &&
// !link_->StopRequested() && link_->Ended() and the text is not empty.
namespace hivelark {

// What a report names: the watched key. A default record has an empty path and root key code 0.
// A monitor asked to log what changed adds what its reading of the subtree for this report found
// changed since the one before (else the details are NotTaken).
struct TChangeData {
  std::string KeyPath;
  DWORD RootKey = 0;
  TChangeDetails Details;

  bool operator==(const TChangeData&) const = default;
};

class TRegMonitorThread;

// What the owner and one monitor share; it lives as long as either holds it, so the owner never
// holds a pointer that the monitor's end could leave dangling. Every member may be called on any
// thread.
class TRegMonitorLink {
public:
  ~TRegMonitorLink();
  TRegMonitorLink(const TRegMonitorLink&) = delete;
  TRegMonitorLink& operator=(const TRegMonitorLink&) = delete;

  // Unique in the process; the wParam of the monitor's WM_REGMONITOR_FAILED.
  WPARAM Id() const { return id_; }

  // The monitor's settings; fixed from Start on.
  DWORD RootKey() const { return rootKey_; }
  const std::string& KeyPath() const { return keyPath_; }

  // Whether a WM_REGCHANGE with this lParam comes from this link's monitor.
  bool IsSender(LPARAM lParam) const {
    return reinterpret_cast<const char*>(lParam) == keyPath_.c_str();
  }

  // Asks the monitor to end and wakes it; never waits. A waiting monitor ends at once; one that
  // is blocked in its send ends as soon as the handler returns, without arming again. Stopping
  // an ended monitor, or stopping twice, does nothing.
  void Stop();
  bool StopRequested() const { return stopRequested_; }

  // True once the monitor has armed its first notification (and, logging what changed, made its
  // first reading): from then on every change under the key is reported (changes made before it
  // are not).
  bool Watching() const { return armings_ > 0; }
  // How many notifications the monitor has armed. Each report uses up one arming, so a change
  // made after the Nth report gets a report of its own only once this count exceeds N (what the
  // window tests wait for before their next change).
  unsigned Armings() const { return armings_; }

  // True once the monitor watches no more: its key and change event are closed and it sends
  // nothing from now on (its object may still be on its way out).
  bool Ended() const { return ended_; }
  // Why it ended: "" after a stop, else the text of its WM_REGMONITOR_FAILED.
  std::string FailureText() const;

private:
  friend class TRegMonitorThread;
  friend bool ReadChangeMessage(WPARAM wParam, LPARAM lParam, TChangeData& record);

  TRegMonitorLink();
  void Finish(const std::string& failureText);

  const WPARAM id_;
  DWORD rootKey_ = 0;
  std::string keyPath_;
  UniqueHandle stopEvent_;
  std::atomic<bool> stopRequested_{false};
  std::atomic<unsigned> armings_{0};
  std::atomic<bool> ended_{false};
  mutable std::mutex failureMutex_;
  std::string failureText_;
  // The details of the report being sent; written by the monitor before its send and emptied
  // after it, read by ReadChangeMessage during it.
  mutable std::mutex detailsMutex_;
  TChangeDetails details_;
};

// Main thread, inside a WM_REGCHANGE handler: copies the record of the monitor that sent the
// message (it is blocked in its send, so the record cannot change meanwhile) and returns true.
// Returns false, leaving `record` alone, when the message does not come from a monitor of this
// process, so that a stray message is never read as a pointer.
bool ReadChangeMessage(WPARAM wParam, LPARAM lParam, TChangeData& record);

// The monitor thread. Members marked "owner" are for the main thread before Start (or Resume);
// after it only the monitor's own thread touches the object.
class TRegMonitorThread : public TThread {
public:
  // Created suspended, with root key code 0, an empty path, filter 0 and no window. Raises
  // EThread when the thread cannot be created, Exception when its stop event cannot.
  TRegMonitorThread();
  ~TRegMonitorThread() override;

  // Sets free-on-terminate, resumes the monitor and returns its link: from here on the monitor
  // destroys itself when it ends and the caller must not touch it. If resuming fails, the
  // monitor is destroyed and the EThread passes on.
  static std::shared_ptr<TRegMonitorLink> Start(std::unique_ptr<TRegMonitorThread> monitor);

  // Owner: the window that receives the messages.
  HWND NotifyWnd() const { return notifyWnd_; }
  void SetNotifyWnd(HWND window) { notifyWnd_ = window; }
  // Owner: the root key code and the path under it (path rule of TRegistry).
  DWORD RootKey() const { return link_->rootKey_; }
  void SetRootKey(DWORD code) { link_->rootKey_ = code; }
  const std::string& KeyPath() const { return link_->keyPath_; }
  void SetKeyPath(const std::string& path) { link_->keyPath_ = path; }
  // Owner: the notify filter bits (RegistryAccess.h); 0 means all four.
  void SetFilter(DWORD value) { filter_ = value; }
  // Any thread: the filter, storing kNotifyAllChanges first when it is 0.
  DWORD GetFilter();
  // Owner: whether each report carries what changed (off by default). The monitor then reads the
  // subtree once after its first arming and again at each wake, before it reports, and compares.
  void SetLogWhatChanged(bool on) { logWhatChanged_ = on; }
  // Owner: the most keys and values a reading may hold (kSnapshotItemLimit by default).
  void SetSnapshotLimit(size_t limit) { snapshotLimit_ = limit; }

  // Copies the key and root that every report of this monitor carries: what its link holds, the
  // one record that ReadChangeMessage also reads (which adds the report's details). Any thread
  // once the settings are made.
  void GetChangeData(TChangeData& record) const {
    record.KeyPath = KeyPath();
    record.RootKey = RootKey();
  }

  // The link that Start hands out, for an owner that resumes the monitor itself.
  const std::shared_ptr<TRegMonitorLink>& Link() const { return link_; }

protected:
  // The monitoring loop, on the monitor's thread; see the .cpp.
  void Execute() override;
  // On the monitor's thread: opens the key and arms the first notification; raises Exception
  // with the failure text when it cannot.
  void InitMonitor();
  // On the monitor's thread: RegNotifyChangeKeyValue on `key` for the whole subtree, signalling
  // `event` once; returns the platform's result. Virtual so that a harness can see what is armed.
  virtual LONG ArmNotification(HKEY key, DWORD filter, HANDLE event);

private:
  void Arm();
  void WatchUntilStopped();
  TRegistrySnapshot ReadSubtree() const;
  // Reads the subtree again and compares it with the last reading, which it then replaces.
  TChangeDetails WhatChanged();
  std::string WatchFailureText(DWORD code) const;

  TRegistry registry_;
  UniqueHandle changeEvent_;
  std::atomic<DWORD> filter_{0};
  HWND notifyWnd_ = nullptr;
  bool logWhatChanged_ = false;
  size_t snapshotLimit_ = kSnapshotItemLimit;
  // The reading that the next report is compared with.
  TRegistrySnapshot baseline_;
  // Holds the settings KeyPath and RootKey, so that they outlive this object for the owner.
  std::shared_ptr<TRegMonitorLink> link_;
};

} // namespace hivelark
