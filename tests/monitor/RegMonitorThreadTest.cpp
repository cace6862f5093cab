#include "MonitorTestSupport.h"

#include "framework/Exception.h"
#include "monitor/RegMonitorThread.h"
#include "support/ProgramProcess.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace hivelark;
using namespace hivelark::monitortest;
using testing_support::OpenHandleCount;
using testing_support::ThreadCount;

namespace {

// A report arrives within milliseconds: what stays away this long was not reported.
constexpr DWORD QUIET_MS = 300;

class RegMonitorTest : public ::testing::Test {
protected:
  void TearDown() override {
    for (const auto& link : links_) {
      link->Stop();
    }
    PumpUntil([&] {
      return std::all_of(records_.begin(), records_.end(),
                         [](const auto& record) { return record->destroyed.load(); });
    });
  }

  // Starts a free-running observed monitor the way the main window does.
  std::shared_ptr<TRegMonitorLink> Start(const std::string& path, DWORD filter = 0,
                                         DWORD root = HKEY_CURRENT_USER_CODE,
                                         bool stopped = false) {
    records_.push_back(std::make_shared<ArmRecord>());
    std::unique_ptr<TRegMonitorThread> monitor(new ObservedMonitor(records_.back()));
    monitor->SetNotifyWnd(window.Handle());
    monitor->SetFilter(filter);
    monitor->SetRootKey(root);
    monitor->SetKeyPath(path);
    monitor->SetLogWhatChanged(logWhatChanged);
    monitor->SetSnapshotLimit(snapshotLimit);
    if (stopped) {
      monitor->Link()->Stop();
    }
    links_.push_back(TRegMonitorThread::Start(std::move(monitor)));
    return links_.back();
  }
  // The arming record of the monitor started last.
  ArmRecord& Arms() { return *records_.back(); }
  static bool WaitArmed(ArmRecord& record, int arms) {
    return PumpUntil([&] { return record.arms >= arms; }, 5000, record.armed.get());
  }
  bool WaitReports(size_t count) {
    return PumpUntil([&] { return window.reports.size() >= count; });
  }
  static bool WaitDestroyed(ArmRecord& record) {
    return PumpUntil([&] { return record.destroyed.load(); });
  }

  ReceiverWindow window;
  ScratchKey key;
  // Whether the next Start asks for what changed.
  bool logWhatChanged = false;
  size_t snapshotLimit = kSnapshotItemLimit;

private:
  std::vector<std::shared_ptr<TRegMonitorLink>> links_;
  std::vector<std::shared_ptr<ArmRecord>> records_;
};

TEST_F(RegMonitorTest, OneReportPerArming) {
  Start(key.Path());
  ASSERT_TRUE(WaitArmed(Arms(), 1));
  // A burst while this thread handles no message: after the first change the monitor is
  // blocked in its send.
  for (int i = 0; i < 10; ++i) {
    key.SetValue("burst", std::to_string(i));
  }
  ASSERT_TRUE(WaitReports(1));
  ASSERT_TRUE(WaitArmed(Arms(), 2));

  window.OnChange = [&] {
    key.SetValue("during", "handler");
    key.CreateSubKey("during");
  };
  key.SetValue("next", "1");
  ASSERT_TRUE(WaitReports(2));
  ASSERT_TRUE(WaitArmed(Arms(), 3));
  window.OnChange = nullptr;
  PumpUntil([] { return false; }, QUIET_MS);
  EXPECT_EQ(window.reports.size(), 2u);

  key.SetValue("after", "the re-arm");
  EXPECT_TRUE(WaitReports(3));
}

TEST_F(RegMonitorTest, EveryReportNamesTheWatchedKeyAsGiven) {
  // One leading backslash: carried in the record, and the same key is watched.
  const std::string path = "\\" + key.Path();
  const auto link = Start(path);
  ASSERT_TRUE(WaitArmed(Arms(), 1));
  key.SetValue("x", "1", "A");
  ASSERT_TRUE(WaitReports(1));
  ASSERT_TRUE(WaitArmed(Arms(), 2));
  key.SetValue("y", "2", "B\\Deep");
  ASSERT_TRUE(WaitReports(2));
  ASSERT_TRUE(WaitArmed(Arms(), 3));

  const TChangeData expected{path, HKEY_CURRENT_USER_CODE, {}};
  for (const auto& report : window.reports) {
    EXPECT_TRUE(report.fromMonitor);
    EXPECT_EQ(report.record, expected);
    EXPECT_TRUE(link->IsSender(report.lParam));
    EXPECT_EQ(reinterpret_cast<const char*>(report.lParam), path);
  }
  const std::lock_guard lock(Arms().mutex);
  EXPECT_EQ(Arms().recordsAtArming, (std::vector<TChangeData>{expected, expected, expected}))
      << "the monitor's own record is the one its reports carry, from the first arming on";
}

TEST_F(RegMonitorTest, FilterSelectsWhatWakesTheMonitor) {
  ScratchKey keysOnly;
  ScratchKey valuesOnly;
  Start(keysOnly.Path(), REG_NOTIFY_CHANGE_NAME);
  ArmRecord& keysArms = Arms();
  Start(valuesOnly.Path(), REG_NOTIFY_CHANGE_LAST_SET);
  ArmRecord& valuesArms = Arms();
  ASSERT_TRUE(WaitArmed(keysArms, 1) && WaitArmed(valuesArms, 1));
  keysOnly.SetValue("value", "1");
  valuesOnly.CreateSubKey("sub");
  PumpUntil([] { return false; }, QUIET_MS);
  EXPECT_TRUE(window.reports.empty());

  keysOnly.CreateSubKey("sub");
  ASSERT_TRUE(WaitReports(1));
  valuesOnly.SetValue("value", "1");
  ASSERT_TRUE(WaitReports(2));
  EXPECT_EQ(window.reports[0].record.KeyPath, keysOnly.Path());
  EXPECT_EQ(window.reports[1].record.KeyPath, valuesOnly.Path());

  // Attribute and security changes do not fire everywhere: check what is armed.
  Start(key.Path(), 0);
  ASSERT_TRUE(WaitArmed(Arms(), 1));
  EXPECT_EQ(Arms().lastFilter, kNotifyAllChanges);
  for (const DWORD filter : {REG_NOTIFY_CHANGE_ATTRIBUTES, REG_NOTIFY_CHANGE_SECURITY}) {
    Start(key.Path(), filter);
    ASSERT_TRUE(WaitArmed(Arms(), 1));
    EXPECT_EQ(Arms().lastFilter, filter);
  }
  TRegMonitorThread unstarted;
  EXPECT_EQ(unstarted.GetFilter(), kNotifyAllChanges);
  unstarted.SetFilter(REG_NOTIFY_CHANGE_NAME);
  EXPECT_EQ(unstarted.GetFilter(), DWORD{REG_NOTIFY_CHANGE_NAME});
}

TEST_F(RegMonitorTest, WhatChangesBeforeTheNextArmingShowsInTheNextReport) {
  logWhatChanged = true;
  const auto link = Start(key.Path());
  ASSERT_TRUE(PumpUntil([&] { return link->Watching(); }));
  window.OnChange = [&] {
    if (window.reports.size() == 1) {
      key.SetValue("between", "the report and the next arming");
    }
  };
  key.SetValue("first", "1");
  ASSERT_TRUE(WaitReports(1));
  ASSERT_TRUE(PumpUntil([&] { return link->Armings() >= 2; }));
  key.SetValue("second", "2", "Sub");
  ASSERT_TRUE(WaitReports(2));

  const auto valuesOf = [](const TChangeDetails& details) {
    EXPECT_EQ(details.State, TChangeDetails::TState::Compared);
    std::vector<std::wstring> names;
    for (const TRegistryDifference& difference : details.Differences) {
      names.push_back(difference.KeyPath + L"|" + difference.ValueName);
    }
    std::sort(names.begin(), names.end());
    return names;
  };
  EXPECT_EQ(valuesOf(window.reports[0].record.Details), std::vector<std::wstring>{L"|first"});
  EXPECT_EQ(valuesOf(window.reports[1].record.Details),
            (std::vector<std::wstring>{L"Sub|", L"Sub|second", L"|between"}))
      << "the key added for the value is listed too";
}

TEST_F(RegMonitorTest, ASubtreeTooLargeToReadIsSaidSoInEveryReportAndWatchedOn) {
  logWhatChanged = true;
  snapshotLimit = 1;
  key.SetValue("one", "1");
  const auto link = Start(key.Path());
  ASSERT_TRUE(PumpUntil([&] { return link->Watching(); }));
  key.SetValue("two", "2");
  ASSERT_TRUE(WaitReports(1));
  ASSERT_TRUE(PumpUntil([&] { return link->Armings() >= 2; }));
  key.SetValue("three", "3");
  ASSERT_TRUE(WaitReports(2));
  for (const auto& report : window.reports) {
    EXPECT_EQ(report.record.Details.State, TChangeDetails::TState::TooLarge);
  }
}

TEST_F(RegMonitorTest, StopEndsTheMonitorWithoutArmingAgain) {
  // While waiting: at once.
  const auto waiting = Start(key.Path());
  ASSERT_TRUE(WaitArmed(Arms(), 1));
  const ULONGLONG stoppedAt = GetTickCount64();
  waiting->Stop();
  ASSERT_TRUE(WaitDestroyed(Arms()));
  EXPECT_LT(GetTickCount64() - stoppedAt, 1000u);
  EXPECT_TRUE(waiting->Ended());
  EXPECT_EQ(waiting->FailureText(), "");

  // Before it ever ran: nothing is opened.
  Start(key.Path(), 0, HKEY_CURRENT_USER_CODE, true);
  ASSERT_TRUE(WaitDestroyed(Arms()));
  EXPECT_EQ(Arms().arms, 0);

  // While blocked in its send: the report is handled, then the monitor ends.
  const auto sending = Start(key.Path());
  ASSERT_TRUE(WaitArmed(Arms(), 1));
  window.OnChange = [&] { sending->Stop(); };
  key.SetValue("v", "1");
  ASSERT_TRUE(WaitDestroyed(Arms()));
  EXPECT_EQ(Arms().arms, 1);

  key.SetValue("v", "2");
  PumpUntil([] { return false; }, QUIET_MS);
  EXPECT_EQ(window.reports.size(), 1u);
  EXPECT_TRUE(window.failures.empty());
}

TEST_F(RegMonitorTest, ReportsNeverCrossBetweenMonitors) {
  ScratchKey oldKey;
  const auto oldLink = Start(oldKey.Path());
  ASSERT_TRUE(WaitArmed(Arms(), 1));
  oldLink->Stop();
  const auto newLink = Start(key.Path());
  ASSERT_TRUE(WaitArmed(Arms(), 1));
  oldKey.SetValue("v", "1");
  oldKey.CreateSubKey("sub");
  PumpUntil([] { return false; }, QUIET_MS);
  EXPECT_TRUE(window.reports.empty());

  // Replaced while it is reporting: its message still names its own key, not the newest one's.
  std::shared_ptr<TRegMonitorLink> newest;
  window.BeforeRead = [&] {
    if (!newest) {
      newLink->Stop();
      newest = Start(oldKey.Path());
    }
  };
  key.SetValue("v", "1");
  ASSERT_TRUE(WaitReports(1));
  EXPECT_TRUE(window.reports[0].fromMonitor);
  EXPECT_EQ(window.reports[0].record, (TChangeData{key.Path(), HKEY_CURRENT_USER_CODE, {}}));
  EXPECT_TRUE(newLink->IsSender(window.reports[0].lParam));
  EXPECT_FALSE(newest->IsSender(window.reports[0].lParam));

  // A message that no monitor sent is never read through its lParam.
  const std::string copy = key.Path();
  SendMessageA(window.Handle(), WM_REGCHANGE, HKEY_CURRENT_USER_CODE,
               reinterpret_cast<LPARAM>(copy.c_str()));
  SendMessageA(window.Handle(), WM_REGCHANGE, HKEY_CURRENT_USER_CODE, 0x10);
  ASSERT_EQ(window.reports.size(), 3u);
  EXPECT_FALSE(window.reports[1].fromMonitor || window.reports[2].fromMonitor);
}

TEST_F(RegMonitorTest, StartAndStopLeaveNoHandlesOrThreadsBehind) {
  // One cycle first, so that what the platform creates on first use is in the baseline.
  Start(key.Path())->Stop();
  ASSERT_TRUE(WaitDestroyed(Arms()));
  const auto arms = std::make_shared<ArmRecord>();
  const DWORD handlesBefore = OpenHandleCount(GetCurrentProcess());
  const DWORD threadsBefore = ThreadCount(GetCurrentProcessId());

  std::shared_ptr<TRegMonitorLink> link;
  for (int cycle = 0; cycle < 1000; ++cycle) {
    std::unique_ptr<TRegMonitorThread> monitor(new ObservedMonitor(arms));
    monitor->SetNotifyWnd(window.Handle());
    monitor->SetRootKey(HKEY_CURRENT_USER_CODE);
    monitor->SetKeyPath(key.Path());
    const int armsBefore = arms->arms;
    link = TRegMonitorThread::Start(std::move(monitor));
    // Every other cycle stops a waiting monitor, the others one that may not have opened yet.
    if (cycle % 2 == 0) {
      ASSERT_TRUE(WaitArmed(*arms, armsBefore + 1)) << "cycle " << cycle;
    }
    link->Stop();
  }
  link.reset();
  // The lock that all monitors share makes its event the first time two threads meet at it, and
  // keeps it for the process's life: one handle, however many cycles. A leak per cycle shows as
  // hundreds.
  constexpr DWORD kLockEvent = 1;
  // An ended thread leaves the process a little after its last instruction.
  DWORD handlesAfter = 0;
  DWORD threadsAfter = 0;
  PumpUntil(
      [&] {
        handlesAfter = OpenHandleCount(GetCurrentProcess());
        threadsAfter = ThreadCount(GetCurrentProcessId());
        return handlesAfter <= handlesBefore + kLockEvent && threadsAfter <= threadsBefore;
      },
      10000);
  EXPECT_LE(handlesAfter, handlesBefore + kLockEvent);
  EXPECT_LE(threadsAfter, threadsBefore);
}

TEST_F(RegMonitorTest, FailuresArePostedAndEndTheMonitor) {
  const auto failureOf = [&](const std::shared_ptr<TRegMonitorLink>& link) {
    EXPECT_TRUE(PumpUntil([&] { return !window.failures.empty(); }) && WaitDestroyed(Arms()));
    EXPECT_EQ(window.failures, std::vector<WPARAM>{link->Id()});
    EXPECT_TRUE(link->Ended());
    window.failures.clear();
    return link->FailureText();
  };

  // Removed between the window's check and the monitor's open.
  ScratchKey removed;
  removed.Delete();
  EXPECT_EQ(failureOf(Start(removed.Path())), "Unable to open registry key " + removed.Path());
  // Only one leading backslash is dropped: the second reaches the platform, which refuses it.
  EXPECT_EQ(failureOf(Start("\\\\" + key.Path())), "Unable to open registry key \\\\" + key.Path());

  // The performance data root opens but cannot be watched; the platform's refusal gives the text.
  UniqueKey performanceData;
  ASSERT_EQ(RegOpenKeyExA(HKEY_PERFORMANCE_DATA, "", 0, KEY_READ, performanceData.put()), 0);
  UniqueHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  const LONG refusal =
      RegNotifyChangeKeyValue(performanceData.get(), TRUE, kNotifyAllChanges, event.get(), TRUE);
  ASSERT_NE(refusal, ERROR_SUCCESS);
  EXPECT_EQ(failureOf(Start("", 0, HKEY_PERFORMANCE_DATA_CODE)),
            "Unable to watch registry key : " + SystemErrorMessage(refusal));

  // Deleted while watched: the deletion is reported, then arming again fails.
  key.CreateSubKey("sub");
  const auto link = Start(key.Path());
  ASSERT_TRUE(WaitArmed(Arms(), 1));
  key.Delete();
  EXPECT_EQ(failureOf(link), "Unable to watch registry key " + key.Path() + ": " +
                                 SystemErrorMessage(ERROR_KEY_DELETED));
  EXPECT_EQ(window.reports.size(), 1u);
}

// Set for the child process of the exit test.
constexpr char EXIT_CHILD_VARIABLE[] = "HIVELARK_MONITOR_EXIT_CHILD";

// Holds in its first arming until released, then fails.
class HeldMonitor : public TRegMonitorThread {
public:
  HeldMonitor(HANDLE held, HANDLE release) : held_(held), release_(release) {}

protected:
  LONG ArmNotification(HKEY, DWORD, HANDLE) override {
    SetEvent(held_);
    WaitForSingleObject(release_, INFINITE);
    return ERROR_KEY_DELETED;
  }

private:
  HANDLE held_;
  HANDLE release_;
};

// Releases the held monitors and waits for their end as the last thing the process does.
struct HeldAtExit {
  UniqueHandle release{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  std::vector<UniqueHandle> threads;
  // Constructed first, so destroyed last: after every other static object of the process.
  ~HeldAtExit() {
    SetEvent(release.get());
    for (const UniqueHandle& thread : threads) {
      WaitForSingleObject(thread.get(), 10000);
    }
  }
};
__attribute__((init_priority(101))) HeldAtExit heldAtExit;

TEST(RegMonitorAtExit, ProcessEndsCleanlyWhileMonitorsAreEnding) {
  // The child: monitors still on their way out when the process exits, as when the window
  // closes without waiting for its monitor.
  if (GetEnvironmentVariableA(EXIT_CHILD_VARIABLE, nullptr, 0) != 0) {
    for (int i = 0; i < 3; ++i) {
      UniqueHandle held(CreateEventA(nullptr, TRUE, FALSE, nullptr));
      std::unique_ptr<TRegMonitorThread> monitor(
          new HeldMonitor(held.get(), heldAtExit.release.get()));
      monitor->SetRootKey(HKEY_CURRENT_USER_CODE);
      monitor->SetKeyPath("Software");
      HANDLE thread = nullptr;
      DuplicateHandle(GetCurrentProcess(), monitor->Handle(), GetCurrentProcess(), &thread,
                      SYNCHRONIZE, FALSE, 0);
      heldAtExit.threads.emplace_back(thread);
      TRegMonitorThread::Start(std::move(monitor));
      WaitForSingleObject(held.get(), 10000);
    }
    std::exit(0);
  }
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string commandLine = std::string("\"") + program + "\" --gtest_filter=RegMonitorAtExit.*";
  SetEnvironmentVariableA(EXIT_CHILD_VARIABLE, "1");
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                      nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableA(EXIT_CHILD_VARIABLE, nullptr);
  ASSERT_TRUE(started);
  const UniqueHandle child(process.hProcess);
  CloseHandle(process.hThread);
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(child.get(), 60000) == WAIT_TIMEOUT) {
    TerminateProcess(child.get(), 99);
  }
  GetExitCodeProcess(child.get(), &code);
  EXPECT_EQ(code, 0u) << std::hex << code;
}

} // namespace
