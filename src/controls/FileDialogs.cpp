#include "controls/FileDialogs.h"

#include "framework/Application.h"
#include "framework/Exception.h"
#include "framework/ModalScope.h"

#include <cderr.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace hivelark {
namespace {

#if !defined(_WIN64)
// The record with its extended fields (FlagsEx), which the dialogs since Windows 2000 expect.
static_assert(sizeof(OPENFILENAMEA) == 88, "OPENFILENAMEA must be the full 88-byte record");
#endif

// The file name buffer: a path of MAX_PATH characters, its terminating NUL and one spare byte.
constexpr DWORD kMaxFile = MAX_PATH;
constexpr size_t kFileBufferSize = MAX_PATH + 2;

struct OptionFlag {
  TOpenOption option;
  DWORD flag;
};

constexpr OptionFlag kOptionFlags[] = {
    {ofReadOnly, OFN_READONLY},
    {ofHideReadOnly, OFN_HIDEREADONLY},
    {ofExtensionDifferent, OFN_EXTENSIONDIFFERENT},
    {ofFileMustExist, OFN_FILEMUSTEXIST},
    {ofEnableSizing, OFN_ENABLESIZING},
};

// Each bar becomes a NUL and the list ends with a double NUL; no filter is a null pointer.
std::string FilterToNulSeparated(const std::string& filter) {
  if (filter.empty()) {
    return {};
  }
  std::string result = filter;
  std::replace(result.begin(), result.end(), '|', '\0');
  result.append(2, '\0');
  return result;
}

// GetOpenFileNameA or GetSaveFileNameA, looked up when a dialog is first run. The dialogs' library
// is loaded then and kept to the end: it is not imported, as loading it (and what it pulls in) at
// the program's start costs a noticeable part of the time to the first window.
FARPROC DialogLibraryFunction(const char* function) {
  static HMODULE library = nullptr;
  if (library == nullptr) {
    library = LoadLibraryA("comdlg32.dll");
  }
  FARPROC address = library != nullptr ? GetProcAddress(library, function) : nullptr;
  if (address == nullptr) {
    throw Exception(
        Format("Cannot load the file dialogs: %s", SystemErrorMessage(GetLastError()).c_str()));
  }
  return address;
}

BOOL RunSystemDialog(const char* function, OPENFILENAMEA& record) {
  using TDialogFunction = BOOL(WINAPI*)(OPENFILENAMEA*);
  FARPROC address = DialogLibraryFunction(function);
  return reinterpret_cast<TDialogFunction>(reinterpret_cast<void*>(address))(&record);
}

// Why the last dialog on this thread returned without a file: 0 when the user cancelled it.
DWORD DialogError() {
  using TErrorFunction = DWORD(WINAPI*)();
  FARPROC address = DialogLibraryFunction("CommDlgExtendedError");
  return reinterpret_cast<TErrorFunction>(reinterpret_cast<void*>(address))();
}

[[noreturn]] void DialogFailed(DWORD error) {
  if (error == FNERR_BUFFERTOOSMALL) {
    throw Exception("The chosen file name is too long");
  }
  throw Exception(
      Format("The file dialog cannot be shown (error 0x%04lX)", static_cast<unsigned long>(error)));
}

// The form whose monitor the dialog opens on: the active form, else the main form.
HWND ActiveFormWindow() {
  if (auto* form = dynamic_cast<TForm*>(TWindow::FromHandle(GetActiveWindow()))) {
    return form->WindowHandle();
  }
  if (Application != nullptr && Application->MainForm() != nullptr) {
    return Application->MainForm()->WindowHandle();
  }
  return nullptr;
}

// With OFN_EXPLORER the hook runs in a child dialog of the visible one. The form to place the
// dialog by travels in lCustData, since the dialog is the active window by the time it asks.
UINT_PTR CALLBACK DialogHook(HWND hookWindow, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    const auto* notify = reinterpret_cast<const OFNOTIFYA*>(lParam);
    if (notify->hdr.code == CDN_INITDONE && notify->lpOFN != nullptr) {
      PlaceDialog(GetParent(hookWindow), reinterpret_cast<HWND>(notify->lpOFN->lCustData));
    }
  }
  return 0;
}

} // namespace

TOpenOptions::TOpenOptions(std::initializer_list<TOpenOption> options) {
  for (TOpenOption option : options) {
    Include(option);
  }
}

DWORD TOpenOptions::Flags() const {
  DWORD flags = 0;
  for (const OptionFlag& entry : kOptionFlags) {
    if (Contains(entry.option)) {
      flags |= entry.flag;
    }
  }
  return flags;
}

void PlaceDialog(HWND dialog, HWND form) {
  HMONITOR monitor = form != nullptr ? MonitorFromWindow(form, MONITOR_DEFAULTTONEAREST)
                                     : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  RECT bounds;
  if (!GetMonitorInfoA(monitor, &info) || !GetWindowRect(dialog, &bounds)) {
    return;
  }
  const RECT& screen = info.rcMonitor;
  const int left = screen.left + ((screen.right - screen.left) - (bounds.right - bounds.left)) / 2;
  const int top = screen.top + ((screen.bottom - screen.top) - (bounds.bottom - bounds.top)) / 3;
  SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TOpenDialog::SetInitialDir(const std::string& initialDir) {
  size_t length = initialDir.size();
  if (length > 1 && initialDir[length - 1] == '\\' && initialDir[length - 2] != ':') {
    --length;
  }
  initialDir_ = initialDir.substr(0, length);
}

bool TOpenDialog::Execute() {
  const std::string filter = FilterToNulSeparated(filter_);
  std::array<char, kFileBufferSize> file{};
  fileName_.copy(file.data(), std::min<size_t>(fileName_.size(), kMaxFile));

  OPENFILENAMEA record{};
  record.lStructSize = sizeof(record);
  record.hwndOwner = Application != nullptr ? Application->Handle() : nullptr;
  record.hInstance = GetModuleHandleA(nullptr);
  record.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  record.nFilterIndex = static_cast<DWORD>(filterIndex_);
  record.lpstrFile = file.data();
  record.nMaxFile = kMaxFile;
  record.lpstrInitialDir = initialDir_.c_str();
  // Some versions of the dialog show an empty title as an empty caption; only a null one gets
  // the system's default title everywhere.
  record.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
  record.Flags = options_.Flags() | OFN_ENABLEHOOK | OFN_EXPLORER;
  record.FlagsEx = 0;
  record.lpstrDefExt = defaultExt_.empty() ? nullptr : defaultExt_.c_str();
  record.lCustData = reinterpret_cast<LPARAM>(ActiveFormWindow());
  record.lpfnHook = DialogHook;

  BOOL confirmed = FALSE;
  {
    ModalScope scope;
    confirmed =
        dialogFunction_ ? dialogFunction_(record) : RunSystemDialog(systemFunction_, record);
  }
  if (!confirmed) {
    if (const DWORD error = DialogError(); error != 0) {
      DialogFailed(error);
    }
    return false;
  }
  fileName_.assign(file.data(), strnlen(file.data(), file.size()));
  files_.assign(1, fileName_);
  filterIndex_ = static_cast<int>(record.nFilterIndex);
  if ((record.Flags & OFN_READONLY) != 0) {
    options_.Include(ofReadOnly);
  } else {
    options_.Exclude(ofReadOnly);
  }
  if ((record.Flags & OFN_EXTENSIONDIFFERENT) != 0) {
    options_.Include(ofExtensionDifferent);
  } else {
    options_.Exclude(ofExtensionDifferent);
  }
  return true;
}

} // namespace hivelark
