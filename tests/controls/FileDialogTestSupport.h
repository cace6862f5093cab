#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Real files for the file dialogs to find, and the hands that work a dialog from another thread.
namespace file_dialog_testing {

// A fresh folder under the temporary folder, removed with everything made in it.
class TempFolder {
public:
  explicit TempFolder(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    parent_ = temp;
    path_ = parent_ + name + " " + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    // The file dialogs make the chosen file's folder the current one, which keeps it from going.
    SetCurrentDirectoryA(parent_.c_str());
    for (auto made = made_.rbegin(); made != made_.rend(); ++made) {
      if (!DeleteFileA(made->c_str())) {
        RemoveDirectoryA(made->c_str());
      }
    }
    RemoveDirectoryA(path_.c_str());
  }

  // Without a trailing backslash.
  const std::string& Path() const { return path_; }

  std::string MakeFolder(const std::string& relative) {
    made_.push_back(path_ + "\\" + relative);
    CreateDirectoryA(made_.back().c_str(), nullptr);
    return made_.back();
  }
  std::string MakeFile(const std::string& relative) {
    made_.push_back(path_ + "\\" + relative);
    CloseHandle(CreateFileA(made_.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return made_.back();
  }

private:
  std::string parent_;
  std::string path_;
  std::vector<std::string> made_;
};

// From the answering thread: types `name` into the file name box (the explorer-style dialog's
// combo box cmb13, or the edit edt1 of others) and presses the confirming button.
inline void ChooseInFileDialog(HWND dialog, const std::string& name) {
  HWND box = GetDlgItem(dialog, 0x47C);
  SendMessageA(box != nullptr ? box : GetDlgItem(dialog, 0x480), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(name.c_str()));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

// Whether `bounds` stand where the dialogs are placed: on the form's monitor, centred across and
// a third of the free height down.
inline bool PlacedOnTheFormsMonitor(const RECT& bounds, HWND form) {
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  GetMonitorInfoA(MonitorFromWindow(form, MONITOR_DEFAULTTONEAREST), &info);
  const RECT& screen = info.rcMonitor;
  return bounds.left ==
             screen.left + (screen.right - screen.left - (bounds.right - bounds.left)) / 2 &&
         bounds.top == screen.top + (screen.bottom - screen.top - (bounds.bottom - bounds.top)) / 3;
}

} // namespace file_dialog_testing
