// A long run of the real program: many changes and many Start/Stop cycles, then the log checked
// entry by entry and the process's threads and handles counted again.
#include "e2e/ProgramDriver.h"
#include "framework/Handles.h"
#include "support/ProgramProcess.h"
#include "support/WindowDriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace e2e;
using hivelark::UniqueHandle;

namespace {

constexpr int kChanges = 10000;
constexpr int kCycles = 1000;
// The first tenth of each is done with the window shown; the rest with the window hidden in the
// notification area, where a long watch usually runs and where the program paints nothing.
constexpr int kShownShare = 10;
// The log is saved to a file and cleared after this many changes, as a user keeping a long watch
// would: adding to the on-screen log slows as it grows, and the run would take far longer.
constexpr int kChangesPerLogPart = 2500;
constexpr UINT kTrayCallback = WM_USER + 1;
// Every this many cycles, one change made while monitoring must give exactly one entry.
constexpr int kCyclesPerCheckedChange = 100;
// Waited for an entry before the change is made again (it may have come before the monitor
// armed its notification again, and changes made meanwhile give no report of their own).
constexpr DWORD kEntryPatienceMs = 1000;
constexpr int kMaxRetriesPerEntry = 5;
constexpr DWORD kEntryPollMs = 1;

// The registry writer helper, paced by two named events.
class PacedWriter {
public:
  PacedWriter(const std::string& key, int maxWrites) {
    const std::string name = "HivelarkE2E.writer." + std::to_string(GetCurrentProcessId());
    go_.reset(CreateEventA(nullptr, FALSE, FALSE, (name + ".go").c_str()));
    quit_.reset(CreateEventA(nullptr, TRUE, FALSE, (name + ".quit").c_str()));
    std::string commandLine = "\"" + testing_support::ProgramBeside("registry_writer.exe") +
                              "\" \"" + key + "\" " + std::to_string(maxWrites) + " " + name;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                       nullptr, nullptr, &startup, &process)) {
      process_.reset(process.hProcess);
      CloseHandle(process.hThread);
    }
  }
  PacedWriter(const PacedWriter&) = delete;
  PacedWriter& operator=(const PacedWriter&) = delete;
  ~PacedWriter() { Finish(); }

  bool Started() const { return static_cast<bool>(process_); }
  void WriteOnce() {
    SetEvent(go_.get());
    ++writes_;
  }
  int Writes() const { return writes_; }
  // Ends the helper; its exit code (0 when every write it was asked for succeeded).
  DWORD Finish() {
    if (!process_) {
      return 1;
    }
    SetEvent(quit_.get());
    WaitForSingleObject(process_.get(), 20000);
    DWORD code = 1;
    GetExitCodeProcess(process_.get(), &code);
    process_.reset();
    return code;
  }

private:
  UniqueHandle go_;
  UniqueHandle quit_;
  UniqueHandle process_;
  int writes_ = 0;
};

// Entries, counted by the log's lines.
int Entries(const Hivelark& program) {
  return (program.LogLineCount() - 1) / 3;
}

// Makes one change and waits for its entry; counts the changes made again. False if no entry
// came at all.
bool ChangeAndWaitForEntry(Hivelark& program, PacedWriter& writer, int& retries) {
  const int before = Entries(program);
  for (int attempt = 0; attempt <= kMaxRetriesPerEntry; ++attempt) {
    if (attempt > 0) {
      ++retries;
    }
    writer.WriteOnce();
    if (WaitUntil([&] { return Entries(program) > before; }, kEntryPatienceMs, kEntryPollMs)) {
      // The monitor arms again once the window has logged the change.
      Sleep(2);
      return true;
    }
  }
  return false;
}

} // namespace

// A change made while the monitor is on its way back from its report, before it arms again, gives
// no report of its own: the platform signals the first change after each arming. Such a change is
// made again, and at most 1% may be; what is checked is that every report gives one whole entry
// naming the key, and that nothing leaks.
TEST(Soak, TenThousandChangesAndAThousandStartStopCyclesLogWholeEntriesAndLeakNothing) {
  const std::string key = std::string(kTestRoot) + "\\Soak";
  const std::string where = "On My Computer\\HKEY_CURRENT_USER\\" + key;
  DeleteTestTree(key);
  ASSERT_TRUE(CreateTestKey(key));
  ScratchFolder folder("soak");
  Hivelark program;
  ASSERT_TRUE(program.Ready());
  PacedWriter writer(key, 2 * (kChanges + kCycles / kCyclesPerCheckedChange));
  ASSERT_TRUE(writer.Started());
  HWND tray = testing_support::FindAnyTopLevelWindow(program.ProcessId(), "HivelarkTrayIcon", "");
  ASSERT_NE(tray, nullptr);

  const auto hide = [&] {
    program.ClickPicture(Picture::Tray);
    return WaitUntil([&] { return !IsWindowVisible(program.Main()); });
  };
  const auto show = [&] {
    PostMessageA(tray, kTrayCallback, reinterpret_cast<WPARAM>(tray), WM_LBUTTONDOWN);
    PostMessageA(tray, kTrayCallback, reinterpret_cast<WPARAM>(tray), WM_LBUTTONUP);
    return WaitUntil([&] { return IsWindowVisible(program.Main()) != FALSE; });
  };
  // Saves the log into the next part file and clears it, with the window shown. The platform's
  // file dialog may keep a handle or two of its own each time it opens: what a save leaves open
  // is counted apart from the monitors'.
  std::vector<std::string> parts;
  DWORD handlesKeptBySaves = 0;
  const auto saveAndClear = [&] {
    const DWORD handlesBefore = program.Counts().handles;
    const bool hidden = !IsWindowVisible(program.Main());
    ASSERT_TRUE(!hidden || show());
    program.ClickPicture(Picture::Save);
    HWND save = program.WaitForWindow("#32770", "Save Registry Log");
    ASSERT_NE(save, nullptr);
    parts.push_back(folder / ("part " + std::to_string(parts.size() + 1) + ".txt"));
    ChooseInFileDialog(save, parts.back());
    ASSERT_TRUE(program.WaitForStatus("Log Saved", 30000));
    program.ClickPicture(Picture::Clear);
    ASSERT_TRUE(program.WaitForStatus("Log Cleared"));
    ASSERT_TRUE(!hidden || hide());
    const DWORD handlesAfter = program.Counts().handles;
    handlesKeptBySaves += handlesAfter > handlesBefore ? handlesAfter - handlesBefore : 0;
  };

  // Warm-up: the first monitor and the first save dialog load what every later one shares.
  int retries = 0;
  ASSERT_TRUE(program.StartWatching(key));
  ASSERT_TRUE(ChangeAndWaitForEntry(program, writer, retries));
  ASSERT_TRUE(program.StopWatching());
  saveAndClear();
  ASSERT_FALSE(HasFatalFailure());
  parts.clear();
  Sleep(500);
  const ProcessCounts before = program.Counts();
  handlesKeptBySaves = 0;
  retries = 0;

  DWORD changesMs = 0;
  DWORD cyclesMs = 0;
  int changesMade = 0;
  const auto makeChanges = [&](int count) {
    const DWORD start = GetTickCount();
    program.ClickPicture(Picture::StartStop);
    ASSERT_TRUE(WaitUntil([&] { return program.Monitoring(); }));
    Sleep(300);
    for (int change = 0; change < count; ++change, ++changesMade) {
      if (changesMade > 0 && changesMade % kChangesPerLogPart == 0) {
        saveAndClear();
        ASSERT_FALSE(testing::Test::HasFatalFailure());
      }
      ASSERT_TRUE(ChangeAndWaitForEntry(program, writer, retries))
          << "no entry for change " << changesMade << " after " << kMaxRetriesPerEntry + 1
          << " writes";
    }
    ASSERT_TRUE(program.StopWatching());
    changesMs += GetTickCount() - start;
  };
  int checkedChanges = 0;
  const auto cycle = [&](int count) {
    const DWORD start = GetTickCount();
    for (int cycle = 1; cycle <= count; ++cycle) {
      program.ClickPicture(Picture::StartStop);
      ASSERT_TRUE(WaitUntil([&] { return program.Monitoring(); }, 10000, 0)) << "cycle " << cycle;
      if (cycle % kCyclesPerCheckedChange == 0) {
        Sleep(300);
        const int entries = Entries(program);
        ASSERT_TRUE(ChangeAndWaitForEntry(program, writer, retries)) << "cycle " << cycle;
        // A monitor left alive by an earlier Stop would log the change twice.
        Sleep(300);
        EXPECT_EQ(Entries(program), entries + 1) << "cycle " << cycle;
        ++checkedChanges;
      }
      program.ClickPicture(Picture::StartStop);
      ASSERT_TRUE(WaitUntil([&] { return !program.Monitoring(); }, 10000, 0)) << "cycle " << cycle;
    }
    cyclesMs += GetTickCount() - start;
  };

  // A failed assertion inside a step ends only that step.
  makeChanges(kChanges / kShownShare);
  ASSERT_FALSE(HasFatalFailure());
  cycle(kCycles / kShownShare);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(hide());
  makeChanges(kChanges - kChanges / kShownShare);
  ASSERT_FALSE(HasFatalFailure());
  cycle(kCycles - kCycles / kShownShare);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(show());
  EXPECT_EQ(program.Status(), "Monitor Stoped");

  // Every change that gave an entry gave exactly one, whole and naming the key; a change made
  // again because its entry was late may have given one more.
  Sleep(kEntryPatienceMs);
  std::string log;
  for (const std::string& part : parts) {
    log += ReadWholeFile(part);
  }
  log += program.LogText();
  std::vector<LogEntry> entries;
  std::string problem;
  ASSERT_TRUE(ParseEntries(log, entries, problem)) << problem;
  const int expected = kChanges + checkedChanges;
  EXPECT_GE(static_cast<int>(entries.size()), expected);
  EXPECT_LE(static_cast<int>(entries.size()), expected + retries);
  size_t wrong = 0;
  for (const LogEntry& entry : entries) {
    wrong += entry.where != where ? 1 : 0;
  }
  EXPECT_EQ(wrong, 0u) << "entries naming another key";
  EXPECT_LE(retries, expected / 100) << "changes that had to be made again";

  // The monitors are gone: threads and handles as before the run.
  ProcessCounts after = program.Counts();
  WaitUntil(
      [&] {
        after = program.Counts();
        return after.threads <= before.threads &&
               after.handles <= before.handles + handlesKeptBySaves;
      },
      10000, 100);
  EXPECT_EQ(after.threads, before.threads);
  EXPECT_LE(after.handles, before.handles + handlesKeptBySaves);
  std::printf("[ soak     ] %d changes in %lu ms, %d cycles in %lu ms, %d made again; threads "
              "%lu -> %lu, handles %lu -> %lu (%lu of them kept by the save dialog)\n",
              kChanges, changesMs, kCycles, cyclesMs, retries, before.threads, after.threads,
              before.handles, after.handles, handlesKeptBySaves);
  EXPECT_EQ(writer.Finish(), 0u);
  EXPECT_EQ(program.Exit(), 0u);
  DeleteTestTree(key);
}
