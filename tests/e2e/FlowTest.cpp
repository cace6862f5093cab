// The program's whole job, done as a user does it: the real Hivelark.exe in its own process,
// worked through its windows, with the registry changed by another program.
#include "e2e/ProgramTest.h"
#include "support/WindowDriver.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace e2e;

namespace {

constexpr UINT kTrayCallback = WM_USER + 1;

using Flow = ProgramTest;

// What the shell sends the icon's window when the mouse does `event` over the icon. The program
// asks for the newer behaviour, in which a release is followed by a selection or a menu request.
void ReportIconMouse(HWND trayWindow, UINT event) {
  const auto report = [trayWindow](UINT what) {
    PostMessageA(trayWindow, kTrayCallback, reinterpret_cast<WPARAM>(trayWindow), what);
  };
  report(event);
  if (event == WM_LBUTTONUP) {
    report(NIN_SELECT);
  } else if (event == WM_RBUTTONUP) {
    report(WM_CONTEXTMENU);
  }
}

size_t MarkerLines(const std::string& marker) {
  return SplitLines(ReadWholeFile(marker)).size();
}

} // namespace

TEST_F(Flow, EachChangeIsLoggedWithItsThreeLinesUntilStopAndAgainAfterStart) {
  EXPECT_EQ(program.Status(), "Hivelark is Ready");
  EXPECT_EQ(program.StartCaption(), "Start Monitor");
  EXPECT_TRUE(program.SettingsEnabled());
  EXPECT_FALSE(IsWindowEnabled(program.FileField()));

  ASSERT_TRUE(program.StartWatching(key));
  EXPECT_FALSE(IsWindowEnabled(program.Combo()));
  EXPECT_FALSE(IsWindowEnabled(program.KeyPathField()));
  EXPECT_FALSE(IsWindowEnabled(program.Radio("Keys")));
  EXPECT_FALSE(IsWindowEnabled(program.Radio("Execute a program")));
  EXPECT_FALSE(IsWindowEnabled(program.FileField()));

  // Values and sub-keys, added, changed and deleted, anywhere under the key: one entry each,
  // always naming the watched key.
  const std::string inner = key + "\\inner";
  const std::vector<std::function<bool()>> changes = {
      [&] { return RegSetValue(key, "colour", "green"); },
      [&] { return RegSetValue(key, "colour", "blue"); },
      [&] { return RegAddKey(inner); },
      [&] { return RegSetValue(inner, "deep", "1"); },
      [&] { return RegDeleteValue(key, "colour"); },
      [&] { return RegDeleteKey(inner); },
  };
  for (size_t index = 0; index < changes.size(); ++index) {
    ASSERT_TRUE(changes[index]()) << "change " << index;
    ASSERT_TRUE(program.WaitForEntries(index + 1)) << "change " << index << " gives one entry";
    // The monitor arms again once the window has logged the change.
    Sleep(100);
  }
  ExpectEntries(changes.size(), Where());

  ASSERT_TRUE(program.StopWatching());
  EXPECT_TRUE(program.SettingsEnabled());
  EXPECT_FALSE(IsWindowEnabled(program.FileField())) << "only with \"Execute a program\"";
  ASSERT_TRUE(RegSetValue(key, "unseen", "x"));
  Sleep(1000);
  EXPECT_EQ(program.EntryCount(), changes.size()) << "a stopped monitor reports nothing";

  // Started again: one monitor reports, not two.
  ASSERT_TRUE(program.StartWatching(key));
  ASSERT_TRUE(RegSetValue(key, "again", "y"));
  ASSERT_TRUE(program.WaitForEntries(changes.size() + 1));
  Sleep(1000);
  ExpectEntries(changes.size() + 1, Where());
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(Flow, PopupShowsEachChangeAfterItIsLogged) {
  program.ChooseAction("Popup a message");
  ASSERT_TRUE(program.StartWatching(key));
  for (size_t count = 1; count <= 2; ++count) {
    ASSERT_TRUE(RegChange(key));
    HWND popup = program.WaitForMessageDialog("Information");
    ASSERT_NE(popup, nullptr) << "change " << count;
    const std::string message = Hivelark::MessageOf(popup);
    // "Hivelark detected a change at <time stamp> On My Computer\...": lines 2 and 3 on one line.
    const std::string tail = " " + Where();
    ASSERT_GT(message.size(), tail.size());
    EXPECT_EQ(message.substr(message.size() - tail.size()), tail) << message;
    EXPECT_TRUE(IsDetectedLine(message.substr(0, message.size() - tail.size()))) << message;
    EXPECT_EQ(program.EntryCount(), count) << "the entry is in the log while the popup is open";
    ASSERT_TRUE(Hivelark::Answer(popup));
    Sleep(300);
  }
  ExpectEntries(2, Where());
  EXPECT_TRUE(program.StopWatching());
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(Flow, ProgramChosenInTheBrowseDialogRunsOncePerChange) {
  ScratchFolder folder("execute");
  const std::string marker = folder / "marker.txt";
  const std::string batch = MakeMarkerBatch(folder, marker);
  ChooseProgramToExecute(batch);
  if (HasFatalFailure()) {
    return;
  }

  ASSERT_TRUE(program.StartWatching(key));
  EXPECT_FALSE(IsWindowEnabled(program.FileField()));
  for (size_t count = 1; count <= 2; ++count) {
    ASSERT_TRUE(RegChange(key));
    ASSERT_TRUE(program.WaitForEntries(count));
    EXPECT_TRUE(WaitUntil([&] { return MarkerLines(marker) == count; }, 20000, 50))
        << "change " << count << " runs the program once";
  }
  ExpectEntries(2, Where());
  ASSERT_TRUE(program.StopWatching());
  EXPECT_TRUE(IsWindowEnabled(program.FileField())) << "Stop keeps the chosen program";
  EXPECT_EQ(program.FileName(), batch);
  EXPECT_TRUE(program.NoDialogOpen());
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(Flow, SaveLogWritesTheLogByteForByteThenClearLogEmptiesIt) {
  ScratchFolder folder("save");
  ASSERT_TRUE(program.StartWatching(key));
  for (size_t count = 1; count <= 2; ++count) {
    ASSERT_TRUE(RegChange(key));
    ASSERT_TRUE(program.WaitForEntries(count));
    Sleep(100);
  }
  ASSERT_TRUE(program.StopWatching());

  program.ClickPicture(Picture::Save);
  HWND save = program.WaitForWindow("#32770", "Save Registry Log");
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(FileDialogName(save), "RegLog.txt");
  const std::string saved = folder / "saved.txt";
  ChooseInFileDialog(save, saved);
  ASSERT_TRUE(program.WaitForStatus("Log Saved"));
  const std::string bytes = ReadWholeFile(saved);
  EXPECT_EQ(bytes, program.LogText());
  std::vector<LogEntry> entries;
  std::string problem;
  EXPECT_TRUE(ParseEntries(bytes, entries, problem)) << problem;
  EXPECT_EQ(entries.size(), 2u);
  EXPECT_EQ(SplitLines(bytes).size(), 6u);
  EXPECT_EQ(bytes.substr(0, 3), "***") << "no byte-order mark, no header";

  // Onto an existing file: replaced without a question. The dialog proposes the last file.
  const std::string existing = folder / "existing.txt";
  ASSERT_TRUE(WriteWholeFile(existing, std::string(100000, 'x')));
  program.ClickPicture(Picture::Clear);
  ASSERT_TRUE(program.WaitForStatus("Log Cleared"));
  EXPECT_EQ(program.LogLength(), 0);
  program.ClickPicture(Picture::Save);
  save = program.WaitForWindow("#32770", "Save Registry Log");
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(FileDialogName(save), "saved.txt") << "the last file, in its folder";
  ChooseInFileDialog(save, existing);
  ASSERT_TRUE(program.WaitForStatus("Log Saved"));
  EXPECT_EQ(ReadWholeFile(existing), "") << "an empty log gives an empty file";
  EXPECT_TRUE(program.NoDialogOpen()) << "no overwrite prompt";

  // A name typed without extension gets ".txt"; a cancelled dialog writes nothing.
  program.ClickPicture(Picture::Save);
  save = program.WaitForWindow("#32770", "Save Registry Log");
  ASSERT_NE(save, nullptr);
  ChooseInFileDialog(save, folder / "plain");
  ASSERT_TRUE(WaitUntil([&] { return FileExists(folder / "plain.txt"); }));
  program.ClickPicture(Picture::Clear);
  ASSERT_TRUE(program.WaitForStatus("Log Cleared"));
  program.ClickPicture(Picture::Save);
  save = program.WaitForWindow("#32770", "Save Registry Log");
  ASSERT_NE(save, nullptr);
  ChooseInFileDialog(save, "");
  CancelFileDialog(save);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(save); }));
  Sleep(200);
  EXPECT_EQ(program.Status(), "Log Cleared") << "cancel leaves the status as it was";
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(Flow, TrayHidesIconBringsBackSecondStartRestoresAndIconMenuExits) {
  ASSERT_TRUE(program.StartWatching(key));
  HWND tray = testing_support::FindAnyTopLevelWindow(program.ProcessId(), "HivelarkTrayIcon", "");
  ASSERT_NE(tray, nullptr);

  program.ClickPicture(Picture::Tray);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.Main()); }));
  // Hidden, it still watches.
  ASSERT_TRUE(RegSetValue(key, "hidden", "1"));
  ASSERT_TRUE(program.WaitForEntries(1));
  ReportIconMouse(tray, WM_LBUTTONDOWN);
  ReportIconMouse(tray, WM_LBUTTONUP);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(program.Main()) != FALSE; }))
      << "a click on the icon shows the window";
  EXPECT_TRUE(program.Monitoring());

  // A second start while the first is hidden: told, ended with 0, and the first comes back.
  program.ClickPicture(Picture::Tray);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.Main()); }));
  {
    testing_support::ProgramProcess second;
    ASSERT_TRUE(second.Started());
    HWND told = second.WaitForWindow("Information");
    ASSERT_NE(told, nullptr);
    EXPECT_EQ(Hivelark::MessageOf(told), "Hivelark is already running");
    EXPECT_TRUE(Hivelark::Answer(told));
    EXPECT_EQ(second.WaitForExit(20000), 0u);
  }
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(program.Main()) != FALSE; }));
  EXPECT_TRUE(program.Running());

  // Hidden again, "Exit Hivelark" from the icon's menu ends the program.
  program.ClickPicture(Picture::Tray);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(program.Main()); }));
  ReportIconMouse(tray, WM_RBUTTONDOWN);
  ReportIconMouse(tray, WM_RBUTTONUP);
  HWND menu = program.WaitForWindow("#32768", "");
  ASSERT_NE(menu, nullptr) << "a right click on the icon opens its menu";
  for (const WPARAM keyCode : {VK_DOWN, VK_DOWN, VK_RETURN}) {
    PostMessageA(menu, WM_KEYDOWN, keyCode, 0);
  }
  EXPECT_EQ(program.Process().WaitForExit(20000), 0u);
}

TEST_F(Flow, RefusedStartsSayWhyAndStayStopped) {
  program.ChooseRoot(kCurrentUserItem);
  program.TypeKeyPath("");
  ExpectRefused("Please Enter a Key Path");
  program.TypeKeyPath(key + "\\missing");
  ExpectRefused("Your Key Path doesn't Exists");
  // The performance data root has no keys to open.
  program.ChooseRoot(kPerformanceDataItem);
  program.TypeKeyPath("Counter");
  ExpectRefused("Your Key Path doesn't Exists");

  // Accepted after all that, with the same window.
  ASSERT_TRUE(program.StartWatching(key));
  ASSERT_TRUE(RegChange(key));
  ASSERT_TRUE(program.WaitForEntries(1));
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(Flow, WatchedKeyDeletedWhileMonitoringIsReportedAndStops) {
  ASSERT_TRUE(CreateTestKey(key + "\\inner"));
  ASSERT_TRUE(program.StartWatching(key));
  ASSERT_TRUE(RegDeleteKey(key));
  HWND error = program.WaitForMessageDialog("Error");
  ASSERT_NE(error, nullptr);
  const std::string message = Hivelark::MessageOf(error);
  EXPECT_EQ(message.rfind("Unable to watch registry key " + key + ": ", 0), 0u) << message;
  EXPECT_EQ(program.Status(), "Monitoring aborted");
  EXPECT_EQ(program.StartCaption(), "Start Monitor");
  ASSERT_TRUE(Hivelark::Answer(error));
  EXPECT_TRUE(program.SettingsEnabled());
  ExpectEntries(1, Where());

  // Stop and Start again: the key is back and watched anew.
  ASSERT_TRUE(CreateTestKey(key));
  ASSERT_TRUE(program.StartWatching(key));
  ASSERT_TRUE(RegSetValue(key, "back", "1"));
  ASSERT_TRUE(program.WaitForEntries(2));
  ASSERT_TRUE(program.StopWatching());
  EXPECT_EQ(program.Exit(), 0u);
}
