#pragma once

#include "e2e/ProgramDriver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace e2e {

// A test with the real program running and a key of its own under the test root, named after the
// test, made fresh before it and removed after it.
class ProgramTest : public testing::Test {
protected:
  void SetUp() override {
    key = std::string(kTestRoot) + "\\" +
          testing::UnitTest::GetInstance()->current_test_info()->name();
    DeleteTestTree(key);
    ASSERT_TRUE(CreateTestKey(key));
    ASSERT_TRUE(program.Ready()) << "the program came up with all its controls";
  }
  void TearDown() override { DeleteTestTree(key); }

  static std::string WhereOf(const std::string& path) {
    return "On My Computer\\HKEY_CURRENT_USER\\" + path;
  }
  std::string Where() const { return WhereOf(key); }

  // The log holds `count` entries, each of the right shape, all naming `where`.
  void ExpectEntries(size_t count, const std::string& where) {
    std::vector<LogEntry> entries;
    std::string problem;
    ASSERT_TRUE(ParseEntries(program.LogText(), entries, problem)) << problem;
    ASSERT_EQ(entries.size(), count);
    for (const LogEntry& entry : entries) {
      EXPECT_EQ(entry.where, where);
    }
  }

  // Starts watching `path`, makes one change under `changedKey` and expects exactly one entry
  // naming `path` as typed; then stops and clears the log.
  void ExpectWatchedAsTyped(const std::string& path, const std::string& changedKey) {
    ASSERT_TRUE(program.StartWatching(path)) << path;
    ASSERT_TRUE(RegChange(changedKey));
    ASSERT_TRUE(program.WaitForEntries(1)) << path;
    ExpectEntries(1, WhereOf(path));
    ASSERT_TRUE(program.StopWatching());
    program.ClickPicture(Picture::Clear);
    ASSERT_TRUE(program.WaitForStatus("Log Cleared"));
  }

  // For a typed path that the platform may take or not (Wine's registry refuses some that Windows
  // takes): presses Start; if watching began, stops it and expects `path` to be watched as typed
  // with a change under `changedKey`; if not, expects the missing key's refusal.
  void ExpectWatchedAsTypedOrRefused(const std::string& path, const std::string& changedKey) {
    program.ClickPicture(Picture::StartStop);
    ASSERT_TRUE(WaitUntil([&] {
      return program.Monitoring() || program.FindWindow("HivelarkForm", "Error") != nullptr;
    }));
    if (program.Monitoring()) {
      ASSERT_TRUE(program.StopWatching());
      ExpectWatchedAsTyped(path, changedKey);
      return;
    }
    HWND error = program.WaitForMessageDialog("Error");
    EXPECT_EQ(Hivelark::MessageOf(error), "Your Key Path doesn't Exists");
    ASSERT_TRUE(Hivelark::Answer(error));
    EXPECT_TRUE(program.WaitForStatus("Monitoring aborted"));
  }

  // Presses Start and expects the refusal: the error dialog with `why`, then the Stopped state
  // with the key path field focused.
  void ExpectRefused(const std::string& why) {
    program.ClickPicture(Picture::StartStop);
    HWND error = program.WaitForMessageDialog("Error");
    ASSERT_NE(error, nullptr) << "no error dialog";
    EXPECT_EQ(Hivelark::MessageOf(error), why);
    ASSERT_TRUE(Hivelark::Answer(error));
    EXPECT_TRUE(program.WaitForStatus("Monitoring aborted"));
    EXPECT_EQ(program.StartCaption(), "Start Monitor");
    EXPECT_TRUE(program.SettingsEnabled());
    EXPECT_TRUE(WaitUntil([&] { return program.Focus() == program.KeyPathField(); }))
        << "the key path field has the focus";
  }

  // Picks "Execute a program", answers its hint and chooses `file` in the real open dialog,
  // opened by the field's browse button.
  void ChooseProgramToExecute(const std::string& file) {
    program.ChooseAction("Execute a program");
    HWND hint = program.WaitForMessageDialog("Information");
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(Hivelark::MessageOf(hint), "Browse and select a program to execute on event");
    ASSERT_TRUE(Hivelark::Answer(hint));
    EXPECT_TRUE(WaitUntil([&] { return program.Focus() == program.FileField(); }))
        << "the file field has the focus once the hint is closed";
    EXPECT_TRUE(IsWindowEnabled(program.FileField()));

    PostMessageA(program.FileButton(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessageA(program.FileButton(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    HWND browse = program.WaitForWindow("#32770", "");
    ASSERT_NE(browse, nullptr) << "the browse button opens the open dialog";
    ChooseInFileDialog(browse, file);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(browse); }));
    EXPECT_TRUE(WaitUntil([&] { return program.FileName() == file; })) << program.FileName();
  }

  std::string key;
  Hivelark program;
};

// A batch file in `folder` that appends one line to `marker` each time it runs.
inline std::string MakeMarkerBatch(const ScratchFolder& folder, const std::string& marker) {
  const std::string batch = folder / "on change.bat";
  WriteWholeFile(batch, "@echo off\r\necho ran>>\"" + marker + "\"\r\n");
  return batch;
}

} // namespace e2e
