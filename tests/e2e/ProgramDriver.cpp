#include "e2e/ProgramDriver.h"

#include "framework/Handles.h"
#include "support/WindowDriver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>

using hivelark::UniqueHandle;
using hivelark::UniqueKey;
using testing_support::AskWindow;
using testing_support::FindTopLevelWindow;
using testing_support::LongWindowText;
using testing_support::WindowClass;
using testing_support::WindowText;

namespace e2e {
namespace {

constexpr char kSeparator[] = "**********************************************************";
constexpr char kDetectedPrefix[] = "Hivelark detected a change at ";
// How long a monitor gets after an accepted Start to arm its first notification.
constexpr DWORD kArmingMs = 400;

// Left and top of each picture in the settings panel.
constexpr POINT kPicturePlace[] = {{18, 221},  {137, 221}, {201, 221},
                                   {285, 221}, {374, 221}, {437, 221}};

// The visible child of `parent` that holds the client point (x, y), or null.
HWND ChildAt(HWND parent, int x, int y) {
  if (parent == nullptr) {
    return nullptr;
  }
  HWND child = ChildWindowFromPointEx(parent, POINT{x, y}, CWP_SKIPINVISIBLE);
  return child == parent ? nullptr : child;
}

HWND ChildOfClassAt(HWND parent, int x, int y, const char* className) {
  HWND child = ChildAt(parent, x, y);
  return child != nullptr && WindowClass(child) == className ? child : nullptr;
}

std::string LocaleText(LCTYPE type) {
  char text[128] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, type, text, sizeof(text));
  return text;
}

std::string RegexEscaped(const std::string& text) {
  static const std::string special = R"(\^$.|?*+()[]{})";
  std::string escaped;
  for (const char c : text) {
    if (special.find(c) != std::string::npos) {
      escaped += '\\';
    }
    escaped += c;
  }
  return escaped;
}

// The shape of a time stamp under this prefix's regional settings: the short date pattern with
// every field a run of digits or letters, then optionally the time.
std::regex TimeStampShape() {
  const std::string pattern = LocaleText(LOCALE_SSHORTDATE);
  std::string date;
  for (size_t position = 0; position < pattern.size();) {
    const char symbol = pattern[position];
    size_t run = 1;
    while (position + run < pattern.size() && pattern[position + run] == symbol) {
      ++run;
    }
    if (symbol == 'd' || symbol == 'M') {
      date += run <= 2 ? "\\d{1,2}" : "\\S+";
    } else if (symbol == 'y') {
      date += "\\d{1,4}";
    } else if (symbol == '\'') {
      // Quoted text: taken as any text, the check is about the shape.
      date += ".*";
    } else {
      date += RegexEscaped(std::string(run, symbol));
    }
    position += run;
  }
  const std::string separator = RegexEscaped(LocaleText(LOCALE_STIME));
  const bool twelveHour = LocaleText(LOCALE_ITIME) == "0";
  const bool markerFirst = LocaleText(LOCALE_ITIMEMARKPOSN) == "1";
  std::string time = "\\d{1,2}" + separator + "\\d{2}" + separator + "\\d{2}";
  if (twelveHour) {
    const std::string markers = "(" + RegexEscaped(LocaleText(LOCALE_S1159)) + "|" +
                                RegexEscaped(LocaleText(LOCALE_S2359)) + ")";
    time = markerFirst ? markers + " " + time : time + " " + markers;
  }
  return std::regex("^" + date + "( " + time + ")?$");
}

// The status bar's simple text. Asked by SB_SIMPLEID, the simple part's index; some platforms
// keep it as the first panel instead.
std::string RemoteStatusText(HANDLE process, HWND status) {
  // SB_GETTEXTA writes into the program's memory: the buffer has to live there. A page is more
  // than any status text, also one set between asking for the length and for the text.
  constexpr size_t kSize = 4096;
  void* remote = VirtualAllocEx(process, nullptr, kSize, MEM_COMMIT, PAGE_READWRITE);
  if (remote == nullptr) {
    return "<cannot read the status bar>";
  }
  std::string text;
  for (const WPARAM part : {WPARAM{SB_SIMPLEID}, WPARAM{0}}) {
    if (LOWORD(SendMessageA(status, SB_GETTEXTLENGTHA, part, 0)) == 0) {
      continue;
    }
    SendMessageA(status, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(remote));
    text.assign(kSize, '\0');
    ReadProcessMemory(process, remote, text.data(), kSize, nullptr);
    text.resize(text.find('\0') == std::string::npos ? kSize : text.find('\0'));
    break;
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return text;
}

} // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) {
      return done();
    }
    Sleep(pollMs);
  }
  return true;
}

// --- Registry --------------------------------------------------------------------------------

namespace {

// The folder of the system's programs of the given bitness.
std::wstring SystemFolder(RegTool tool) {
  wchar_t folder[MAX_PATH] = {};
  BOOL underWow64 = FALSE;
  if (tool == RegTool::Native && IsWow64Process(GetCurrentProcess(), &underWow64) && underWow64) {
    // System32 of a 32-bit program is redirected to the 32-bit programs; Sysnative is not.
    GetWindowsDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\Sysnative";
  }
  GetSystemDirectoryW(folder, MAX_PATH);
  return folder;
}

} // namespace

int RunReg(const std::wstring& arguments, RegTool tool) {
  std::wstring commandLine = L"\"" + SystemFolder(tool) + L"\\reg.exe\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  UniqueHandle processHandle(process.hProcess);
  UniqueHandle threadHandle(process.hThread);
  if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  return static_cast<int>(code);
}

int RunReg(const std::string& arguments, RegTool tool) {
  const int length = MultiByteToWideChar(CP_ACP, 0, arguments.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, arguments.c_str(), -1, wide.data(), length);
  wide.resize(wide.size() - 1);
  return RunReg(wide, tool);
}

bool RegAddKey(const std::string& path) {
  return RunReg("add \"HKCU\\" + path + "\" /f") == 0;
}

bool RegSetValue(const std::string& path, const std::string& name, const std::string& data) {
  return RunReg("add \"HKCU\\" + path + "\" /v \"" + name + "\" /d \"" + data + "\" /f") == 0;
}

bool RegChange(const std::string& path) {
  static int change = 0;
  return RegSetValue(path, "value", "change " + std::to_string(++change));
}

bool RegDeleteValue(const std::string& path, const std::string& name) {
  return RunReg("delete \"HKCU\\" + path + "\" /v \"" + name + "\" /f") == 0;
}

bool RegDeleteKey(const std::string& path) {
  return RunReg("delete \"HKCU\\" + path + "\" /f") == 0;
}

bool CreateTestKey(const std::string& path) {
  UniqueKey key;
  return RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                         key.put(), nullptr) == ERROR_SUCCESS;
}

bool TestKeyExists(const std::string& path) {
  UniqueKey key;
  return RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void DeleteTestTree(const std::string& path) {
  RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
}

// --- Files -----------------------------------------------------------------------------------

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

ScratchFolder::ScratchFolder(const std::string& name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  path_ = std::string(temp) + "HivelarkE2E " + name + " " + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") {
        continue;
      }
      const std::string path = path_ + "\\" + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileA(path.c_str())) {
        RemoveDirectoryA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path_.c_str());
}

// --- Log text --------------------------------------------------------------------------------

bool ParseEntries(const std::string& log, std::vector<LogEntry>& entries, std::string& problem) {
  entries.clear();
  if (!log.empty() && log.size() >= 2 && log.compare(log.size() - 2, 2, "\r\n") != 0) {
    problem = "the log does not end with CR LF";
    return false;
  }
  const std::vector<std::string> lines = SplitLines(log);
  if (lines.size() % 3 != 0) {
    problem = std::to_string(lines.size()) + " lines, not a whole number of entries";
    return false;
  }
  for (size_t index = 0; index < lines.size(); index += 3) {
    LogEntry entry{lines[index], lines[index + 1], lines[index + 2]};
    const std::string where = "entry " + std::to_string(index / 3 + 1) + ": ";
    if (entry.separator != kSeparator) {
      problem = where + "separator line \"" + entry.separator + "\"";
      return false;
    }
    if (!IsDetectedLine(entry.detected)) {
      problem = where + "time stamp line \"" + entry.detected + "\"";
      return false;
    }
    if (entry.where.find('\r') != std::string::npos ||
        entry.where.find('\n') != std::string::npos) {
      problem = where + "stray line break";
      return false;
    }
    entries.push_back(std::move(entry));
  }
  return true;
}

bool IsDetectedLine(const std::string& line) {
  static const std::regex shape = TimeStampShape();
  const std::string prefix = kDetectedPrefix;
  return line.compare(0, prefix.size(), prefix) == 0 &&
         std::regex_match(line.substr(prefix.size()), shape);
}

// --- The program -----------------------------------------------------------------------------

Hivelark::Hivelark(WORD showCommand) : process_(showCommand) {
  if (!process_.Started()) {
    return;
  }
  main_ = process_.WaitForMainWindow(30000);
  if (main_ == nullptr) {
    return;
  }
  settingsPanel_ = ChildAt(main_, 5, 5);
  HWND logPanel = ChildAt(main_, 5, 310);
  combo_ = ChildOfClassAt(settingsPanel_, 17 + 10, 30 + 5, "ComboBox");
  keyPath_ = ChildOfClassAt(settingsPanel_, 172 + 10, 30 + 5, "Edit");
  fileField_ = ChildOfClassAt(settingsPanel_, 8 + 10, 178 + 5, "Edit");
  fileButton_ = fileField_ != nullptr ? GetWindow(fileField_, GW_CHILD) : nullptr;
  startCaption_ = ChildOfClassAt(settingsPanel_, 12 + 3, 272 + 3, "Static");
  log_ = ChildOfClassAt(logPanel, 100, 50, "Edit");
  status_ = ChildOfClassAt(logPanel, 100, 177 + 8, "msctls_statusbar32");
  ready_ = combo_ != nullptr && keyPath_ != nullptr && fileField_ != nullptr &&
           fileButton_ != nullptr && startCaption_ != nullptr && log_ != nullptr &&
           status_ != nullptr;
}

Hivelark::~Hivelark() = default;

HWND Hivelark::Radio(const std::string& caption) const {
  return testing_support::FindChild(main_, "Button", caption);
}

void Hivelark::ChooseRoot(int index) {
  // What a pick in the list does: the selection changes and the control tells its parent.
  SendMessageA(combo_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(GetParent(combo_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo_), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo_));
}

void Hivelark::TypeKeyPath(const std::string& text) {
  SendMessageA(keyPath_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Hivelark::TypeKeyPathWide(const std::wstring& text) {
  SendMessageW(keyPath_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string Hivelark::KeyPath() const {
  return LongWindowText(keyPath_);
}

void Hivelark::ChooseAction(const std::string& caption) {
  PostMessageA(Radio(caption), BM_CLICK, 0, 0);
}

void Hivelark::ClickPicture(Picture picture) {
  const POINT place = kPicturePlace[static_cast<int>(picture)];
  HWND image = ChildOfClassAt(settingsPanel_, place.x + 24, place.y + 24, "Button");
  if (image == nullptr) {
    // Posted to no window, the click would reach this thread and be lost without a word.
    ADD_FAILURE() << "no picture button at " << place.x << "," << place.y;
    return;
  }
  PostMessageA(image, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  PostMessageA(image, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
}

void Hivelark::TypeIntoLog(const std::string& text) {
  for (size_t index = 0; index < text.size(); ++index) {
    if (text.compare(index, 2, "\r\n") == 0) {
      ++index;
    }
    PostMessageA(log_, WM_CHAR, static_cast<unsigned char>(text[index]), 1);
  }
}

std::string Hivelark::Status() const {
  UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                       PROCESS_QUERY_INFORMATION,
                                   FALSE, process_.Id()));
  return RemoteStatusText(process.get(), status_);
}

std::string Hivelark::StartCaption() const {
  return WindowText(startCaption_);
}

std::string Hivelark::LogText() const {
  return LongWindowText(log_);
}

int Hivelark::LogLength() const {
  DWORD_PTR length = 0;
  return AskWindow(log_, WM_GETTEXTLENGTH, 0, 0, 30000, &length) ? static_cast<int>(length) : -1;
}

int Hivelark::LogLineCount() const {
  DWORD_PTR lines = 0;
  return AskWindow(log_, EM_GETLINECOUNT, 0, 0, 30000, &lines) ? static_cast<int>(lines) : -1;
}

std::string Hivelark::FileName() const {
  return LongWindowText(fileField_);
}

bool Hivelark::SettingsEnabled() const {
  return IsWindowEnabled(combo_) && IsWindowEnabled(keyPath_) && IsWindowEnabled(Radio("All")) &&
         IsWindowEnabled(Radio("Popup a message"));
}

HWND Hivelark::Focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  GetGUIThreadInfo(GetWindowThreadProcessId(main_, nullptr), &info);
  return info.hwndFocus;
}

bool Hivelark::WaitForStatus(const std::string& status, DWORD timeoutMs) const {
  return WaitUntil([&] { return Status() == status; }, timeoutMs, 10);
}

size_t Hivelark::EntryCount() const {
  return SplitLines(LogText()).size() / 3;
}

bool Hivelark::WaitForEntries(size_t count, DWORD timeoutMs) const {
  WaitUntil([&] { return EntryCount() >= count; }, timeoutMs, 20);
  return EntryCount() == count;
}

bool Hivelark::StartWatching(const std::string& path, int rootItem) {
  ChooseRoot(rootItem);
  TypeKeyPath(path);
  ClickPicture(Picture::StartStop);
  WaitUntil([&] { return Monitoring() || FindWindow("HivelarkForm", "Error") != nullptr; });
  if (!Monitoring() || Status() != "Monitoring Started...") {
    return false;
  }
  Sleep(kArmingMs);
  return true;
}

bool Hivelark::StopWatching() {
  ClickPicture(Picture::StartStop);
  return WaitUntil([&] { return !Monitoring(); }) && Status() == "Monitor Stoped";
}

HWND Hivelark::FindWindow(const std::string& className, const std::string& caption) const {
  return FindTopLevelWindow(process_.Id(), className, caption);
}

HWND Hivelark::WaitForWindow(const std::string& className, const std::string& caption,
                             DWORD timeoutMs) const {
  return testing_support::WaitForTopLevelWindow(process_.Id(), className, caption, timeoutMs);
}

std::string Hivelark::MessageOf(HWND dialog) {
  // The error box keeps its text in the static control 0xFFFF.
  if (WindowClass(dialog) == "#32770") {
    return WindowText(GetDlgItem(dialog, 0xFFFF));
  }
  return testing_support::MessageDialogText(dialog);
}

bool Hivelark::Answer(HWND dialog) {
  if (dialog == nullptr || !testing_support::PressButton(dialog, "OK")) {
    return false;
  }
  return WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
}

bool Hivelark::NoDialogOpen() const {
  return FindWindow("HivelarkForm", "Error") == nullptr &&
         FindWindow("HivelarkForm", "Information") == nullptr &&
         FindWindow("#32770", "") == nullptr;
}

DWORD Hivelark::Exit() {
  ClickPicture(Picture::Exit);
  return process_.WaitForExit(20000);
}

ProcessCounts Hivelark::Counts() const {
  ProcessCounts counts;
  counts.threads = testing_support::ThreadCount(process_.Id());
  UniqueHandle process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_DUP_HANDLE, FALSE, process_.Id()));
  counts.handles = process ? testing_support::OpenHandleCount(process.get()) : 0;
  return counts;
}

void ChooseInFileDialog(HWND dialog, const std::string& name) {
  HWND box = GetDlgItem(dialog, 0x47C);
  SendMessageA(box != nullptr ? box : GetDlgItem(dialog, 0x480), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(name.c_str()));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

std::string FileDialogName(HWND dialog) {
  HWND box = GetDlgItem(dialog, 0x47C);
  return WindowText(box != nullptr ? box : GetDlgItem(dialog, 0x480));
}

void CancelFileDialog(HWND dialog) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
}

ClipboardHolder::ClipboardHolder() {
  owner_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  holding_ = OpenClipboard(owner_) != FALSE;
}

ClipboardHolder::~ClipboardHolder() {
  if (holding_) {
    CloseClipboard();
  }
  DestroyWindow(owner_);
}

void PressCtrlC() {
  INPUT keys[4] = {};
  const WORD codes[4] = {VK_CONTROL, 'C', 'C', VK_CONTROL};
  for (int index = 0; index < 4; ++index) {
    keys[index].type = INPUT_KEYBOARD;
    keys[index].ki.wVk = codes[index];
    keys[index].ki.dwFlags = index >= 2 ? KEYEVENTF_KEYUP : 0;
  }
  SendInput(4, keys, sizeof(INPUT));
}

} // namespace e2e
