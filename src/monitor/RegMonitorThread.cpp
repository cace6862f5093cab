#include "monitor/RegMonitorThread.h"

#include "framework/Exception.h"
#include "framework/Messages.h"

#include <algorithm>
#include <vector>

namespace hivelark {
namespace {

std::atomic<WPARAM> lastLinkId{0};

// Every link alive in the process. ReadChangeMessage accepts an lParam only when it is the key
// path text of one of them; the lock keeps a link from being destroyed while its text is copied.
struct LiveLinks {
  std::mutex mutex;
  std::vector<const TRegMonitorLink*> links;
};

// Never destroyed: the window does not wait for its monitor to end, so a monitor may destroy its
// link while the process exits, after the runtime has destroyed its static objects.
LiveLinks& TheLiveLinks() {
  static LiveLinks& liveLinks = *new LiveLinks;
  return liveLinks;
}

} // namespace

TRegMonitorLink::TRegMonitorLink() : id_(++lastLinkId) {
  stopEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!stopEvent_) {
    throw Exception("Unable to create the registry monitor: " + SystemErrorMessage(GetLastError()));
  }
  LiveLinks& live = TheLiveLinks();
  const std::lock_guard lock(live.mutex);
  live.links.push_back(this);
}

TRegMonitorLink::~TRegMonitorLink() {
  LiveLinks& live = TheLiveLinks();
  const std::lock_guard lock(live.mutex);
  live.links.erase(std::find(live.links.begin(), live.links.end(), this));
}

void TRegMonitorLink::Stop() {
  stopRequested_ = true;
  SetEvent(stopEvent_.get());
}

std::string TRegMonitorLink::FailureText() const {
  const std::lock_guard lock(failureMutex_);
  return failureText_;
}

void TRegMonitorLink::Finish(const std::string& failureText) {
  {
    const std::lock_guard lock(failureMutex_);
    failureText_ = failureText;
  }
  ended_ = true;
}

bool ReadChangeMessage(WPARAM wParam, LPARAM lParam, TChangeData& record) {
  LiveLinks& live = TheLiveLinks();
  const std::lock_guard lock(live.mutex);
  for (const TRegMonitorLink* link : live.links) {
    if (link->IsSender(lParam) && link->rootKey_ == wParam) {
      record.RootKey = link->rootKey_;
      record.KeyPath = link->keyPath_;
      const std::lock_guard detailsLock(link->detailsMutex_);
      record.Details = link->details_;
      return true;
    }
  }
  return false;
}

TRegMonitorThread::TRegMonitorThread()
    : TThread(true), link_(std::shared_ptr<TRegMonitorLink>(new TRegMonitorLink)) {}

// A monitor destroyed by its owner before it ever ran has ended as well.
TRegMonitorThread::~TRegMonitorThread() {
  if (!link_->Ended()) {
    link_->Finish("");
  }
}

std::shared_ptr<TRegMonitorLink>
TRegMonitorThread::Start(std::unique_ptr<TRegMonitorThread> monitor) {
  std::shared_ptr<TRegMonitorLink> link = monitor->link_;
  monitor->SetFreeOnTerminate(true);
  monitor->Resume();
  monitor.release();
  return link;
}

DWORD TRegMonitorThread::GetFilter() {
  DWORD expected = 0;
  filter_.compare_exchange_strong(expected, kNotifyAllChanges);
  return filter_;
}

// Every way out (a stop, a failure) closes the key, which cancels an armed notification, and the
// change event before the link says that the monitor has ended; a failure is then posted to the
// window. The object itself goes with the thread (free-on-terminate).
void TRegMonitorThread::Execute() {
  std::string failureText;
  try {
    if (!link_->StopRequested()) {
      InitMonitor();
      WatchUntilStopped();
    }
  } catch (const std::exception& error) {
    failureText = error.what();
  }
  registry_.Close();
  changeEvent_.reset();
  link_->Finish(failureText);
  if (!failureText.empty() && notifyWnd_ != nullptr) {
    PostMessageA(notifyWnd_, WM_REGMONITOR_FAILED, link_->Id(), 0);
  }
}

void TRegMonitorThread::InitMonitor() {
  registry_.SetRoot(RootKey());
  if (!registry_.OpenReadOnly(KeyPath())) {
    throw Exception("Unable to open registry key " + KeyPath());
  }
  // Unnamed and the monitor's own: no other monitor or process can signal it.
  changeEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!changeEvent_) {
    throw Exception(WatchFailureText(GetLastError()));
  }
  Arm();
  // Read after arming: a change made while it is read is then reported, never missed.
  if (logWhatChanged_) {
    baseline_ = ReadSubtree();
  }
  ++link_->armings_;
}

TRegistrySnapshot TRegMonitorThread::ReadSubtree() const {
  return TRegistrySnapshot::Read(registry_.KeyHandle(), filter_, snapshotLimit_,
                                 [this] { return link_->StopRequested(); });
}

TChangeDetails TRegMonitorThread::WhatChanged() {
  TChangeDetails details;
  TRegistrySnapshot now = ReadSubtree();
  if (baseline_.TooLarge() || now.TooLarge()) {
    details.State = TChangeDetails::TState::TooLarge;
  } else {
    details.State = TChangeDetails::TState::Compared;
    details.Differences = CompareSnapshots(baseline_, now);
  }
  baseline_ = std::move(now);
  return details;
}

LONG TRegMonitorThread::ArmNotification(HKEY key, DWORD filter, HANDLE event) {
  return RegNotifyChangeKeyValue(key, TRUE, filter, event, TRUE);
}

// Fails, among other cases, for a key opened only with a fallback mask (no KEY_NOTIFY), for the
// performance data root, and for a watched key that has been deleted.
void TRegMonitorThread::Arm() {
  const LONG result = ArmNotification(registry_.KeyHandle(), GetFilter(), changeEvent_.get());
  if (result != ERROR_SUCCESS) {
    throw Exception(WatchFailureText(static_cast<DWORD>(result)));
  }
}

// One report per arming: the next notification is armed only after the window has handled the
// report and the event has been reset. Ends only when the owner stops the monitor through its
// link (the stop event is first in the wait, so a stop wins over a change that arrives with it)
// or when waiting or arming fails.
void TRegMonitorThread::WatchUntilStopped() {
  const HANDLE events[] = {link_->stopEvent_.get(), changeEvent_.get()};
  for (;;) {
    const DWORD woken = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0) {
      break;
    }
    if (woken != WAIT_OBJECT_0 + 1) {
      // Waiting again would fail again at once: end instead of spinning.
      throw Exception(WatchFailureText(woken == WAIT_FAILED ? GetLastError() : woken));
    }
    if (link_->StopRequested()) {
      break;
    }
    if (logWhatChanged_) {
      TChangeDetails details = WhatChanged();
      if (link_->StopRequested()) {
        break;
      }
      const std::lock_guard lock(link_->detailsMutex_);
      link_->details_ = std::move(details);
    }
    SendMessageA(notifyWnd_, WM_REGCHANGE, RootKey(), reinterpret_cast<LPARAM>(KeyPath().c_str()));
    if (logWhatChanged_) {
      const std::lock_guard lock(link_->detailsMutex_);
      link_->details_ = {};
    }
    if (link_->StopRequested()) {
      break;
    }
    ResetEvent(changeEvent_.get());
    Arm();
    ++link_->armings_;
  }
}

std::string TRegMonitorThread::WatchFailureText(DWORD code) const {
  return "Unable to watch registry key " + KeyPath() + ": " + SystemErrorMessage(code);
}

} // namespace hivelark
