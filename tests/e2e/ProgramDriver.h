#pragma once

#include "support/ProgramProcess.h"
#include "support/TextLines.h"
#include "support/WindowDriver.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The hands of a user at the real program: everything here works Hivelark.exe from outside, as
// its own process, through its windows only. The registry is changed by other processes (the
// system's reg.exe, or the registry writer helper), never by the driver itself while a change is
// to be reported.
namespace e2e {

// Where every key of these tests lives, under HKEY_CURRENT_USER.
inline constexpr char kTestRoot[] = "Software\\HivelarkE2E";
inline constexpr int kLocalMachineItem = 0;
inline constexpr int kCurrentUserItem = 1;
inline constexpr int kPerformanceDataItem = 5;

// Polls `done` every few milliseconds (without pumping: the driver owns no windows that matter)
// until it holds or `timeoutMs` passes; returns `done()`.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000, DWORD pollMs = 5);

// --- The registry, changed from outside -------------------------------------------------------

// Which of the system's reg.exe programs makes a change: the one of this test program's own
// bitness, or the system's native one, which on 64-bit Windows is the 64-bit reg.exe (reached
// from a 32-bit program through Sysnative) and works in the registry's 64-bit view.
enum class RegTool { OwnBitness, Native };

// Runs reg.exe with `arguments` (wide, so that names outside the code page pass unchanged) and
// returns its exit code, or -1 when it could not be run or did not end in time.
int RunReg(const std::wstring& arguments, RegTool tool = RegTool::OwnBitness);
int RunReg(const std::string& arguments, RegTool tool = RegTool::OwnBitness);
// reg add HKCU\<path> [/v name /d data] /f
bool RegAddKey(const std::string& path);
bool RegSetValue(const std::string& path, const std::string& name, const std::string& data);
// Sets the value "value" under `path` to data it never had in this run: storing the same data
// again is no change on some platforms.
bool RegChange(const std::string& path);
bool RegDeleteValue(const std::string& path, const std::string& name);
bool RegDeleteKey(const std::string& path);

// Direct set-up and clean-up of test keys under HKEY_CURRENT_USER (not a watched change).
bool CreateTestKey(const std::string& path);
bool TestKeyExists(const std::string& path);
void DeleteTestTree(const std::string& path);

// --- Files ---------------------------------------------------------------------------------------

std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// A fresh folder under the temporary folder; removed with its files (not deeper) at the end.
class ScratchFolder {
public:
  explicit ScratchFolder(const std::string& name);
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
  std::string path_;
};

// --- The log's text ---------------------------------------------------------------------------

using testing_support::SplitLines;

// One log entry: its three lines.
struct LogEntry {
  std::string separator;
  std::string detected;
  std::string where;
};

// The entries of a log made only of entries; false (with what was wrong in `problem`) when the
// text is anything else: a line out of place, a missing CR LF, a stray character.
bool ParseEntries(const std::string& log, std::vector<LogEntry>& entries, std::string& problem);

// Whether `line` is "Hivelark detected a change at " followed by a time stamp of the shape that
// this prefix's regional settings give: the short date, then (except at midnight) a blank and the
// hour, minutes and seconds with the time separator, with the morning/afternoon marker where the
// region uses one. Only the shape is checked, not the value.
bool IsDetectedLine(const std::string& line);

// --- The program ------------------------------------------------------------------------------

enum class Picture { StartStop, Clear, Save, Tray, About, Exit };

// Thread and handle counts of a process, taken from outside: threads from a snapshot of the
// system's threads, handles from GetProcessHandleCount or, where that says 0, by probing.
struct ProcessCounts {
  DWORD threads = 0;
  DWORD handles = 0;
};

// The running program and its main window's controls, found as a user finds them: by where they
// stand and what they say.
class Hivelark {
public:
  explicit Hivelark(WORD showCommand = SW_SHOWNORMAL);
  Hivelark(const Hivelark&) = delete;
  Hivelark& operator=(const Hivelark&) = delete;
  ~Hivelark();

  // Whether the program came up with its main window and every control was found.
  bool Ready() const { return ready_; }
  DWORD ProcessId() const { return process_.Id(); }
  testing_support::ProgramProcess& Process() { return process_; }

  HWND Main() const { return main_; }
  HWND Combo() const { return combo_; }
  HWND KeyPathField() const { return keyPath_; }
  HWND FileField() const { return fileField_; }
  HWND FileButton() const { return fileButton_; }
  HWND Log() const { return log_; }
  HWND Radio(const std::string& caption) const;

  // Settings, as the user makes them.
  void ChooseRoot(int index);
  void TypeKeyPath(const std::string& text);
  void TypeKeyPathWide(const std::wstring& text);
  std::string KeyPath() const;
  // Clicks an action's radio button. Picking "Execute a program" opens an information dialog;
  // the click is posted so that the driver can answer it.
  void ChooseAction(const std::string& caption);
  void ClickPicture(Picture picture);
  // Types `text` into the log, key by key, where its caret stands ("\r\n" as the Enter key).
  void TypeIntoLog(const std::string& text);

  // What the user reads.
  std::string Status() const;
  std::string StartCaption() const;
  bool Monitoring() const { return StartCaption() == "Stop Monitor"; }
  std::string LogText() const;
  // -1 when the program gave no answer.
  int LogLength() const;
  // The log's lines as the control counts them (-1 for no answer): entries never wrap, so an
  // all-entries log of n entries has 3 n + 1 (the empty line after the last CR LF).
  int LogLineCount() const;
  std::string FileName() const;
  // Whether the five settings controls can be used.
  bool SettingsEnabled() const;
  // The control that has the keyboard focus in the program's main thread.
  HWND Focus() const;

  // Waits for the status bar text.
  bool WaitForStatus(const std::string& status, DWORD timeoutMs = 10000) const;
  // Waits until the log holds `count` entries (three lines each); false if it holds another
  // number when the time is up.
  bool WaitForEntries(size_t count, DWORD timeoutMs = 10000) const;
  size_t EntryCount() const;

  // Sets root and path and presses Start; on acceptance waits until the status says so and the
  // monitor had the time to arm its notification. True when monitoring.
  bool StartWatching(const std::string& path, int rootItem = kCurrentUserItem);
  bool StopWatching();

  // A visible top-level window of the program: the message dialogs ("Error", "Information"),
  // the application's error box ("#32770" "Hivelark 1.0"), the file dialogs.
  HWND WaitForWindow(const std::string& className, const std::string& caption,
                     DWORD timeoutMs = 10000) const;
  HWND FindWindow(const std::string& className, const std::string& caption) const;
  HWND WaitForMessageDialog(const std::string& caption, DWORD timeoutMs = 10000) const {
    return WaitForWindow("HivelarkForm", caption, timeoutMs);
  }
  HWND WaitForErrorBox(DWORD timeoutMs = 10000) const {
    return WaitForWindow("#32770", "Hivelark 1.0", timeoutMs);
  }
  // The text of a message dialog or of the error box (up to 4,095 characters).
  static std::string MessageOf(HWND dialog);
  // Presses OK and waits until the window is gone.
  static bool Answer(HWND dialog);
  // Whether the program has no message dialog, error box or file dialog open.
  bool NoDialogOpen() const;

  // Ends the program by its Exit picture and returns its exit code (STILL_ACTIVE if it did not
  // end in time).
  DWORD Exit();
  bool Running() { return process_.WaitForExit(0) == STILL_ACTIVE; }

  ProcessCounts Counts() const;

private:
  testing_support::ProgramProcess process_;
  bool ready_ = false;
  HWND main_ = nullptr;
  HWND settingsPanel_ = nullptr;
  HWND combo_ = nullptr;
  HWND keyPath_ = nullptr;
  HWND fileField_ = nullptr;
  HWND fileButton_ = nullptr;
  HWND log_ = nullptr;
  HWND status_ = nullptr;
  HWND startCaption_ = nullptr;
};

// In a file dialog of the program: types `name` into the file name box and presses OK.
void ChooseInFileDialog(HWND dialog, const std::string& name);
std::string FileDialogName(HWND dialog);
void CancelFileDialog(HWND dialog);

// Holds the clipboard open from this process until destroyed.
class ClipboardHolder {
public:
  ClipboardHolder();
  ClipboardHolder(const ClipboardHolder&) = delete;
  ClipboardHolder& operator=(const ClipboardHolder&) = delete;
  ~ClipboardHolder();
  bool Holding() const { return holding_; }

private:
  HWND owner_ = nullptr;
  bool holding_ = false;
};

// Presses Ctrl+C as the keyboard would, in whatever window has the focus.
void PressCtrlC();
using testing_support::ClipboardText;

} // namespace e2e
