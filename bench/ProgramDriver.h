#pragma once

#include "framework/Handles.h"

#include <windows.h>

#include <algorithm>
#include <string>

// Starting a program of this build as its own process and working its windows from outside, for
// the benchmarks that measure the real program.
namespace bench {

// The full path of a program built next to the running benchmark.
inline std::string ProgramBeside(const std::string& fileName) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string program(path);
  program.erase(program.find_last_of('\\') + 1);
  return program + fileName;
}

inline std::string WindowClass(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

// WM_GETTEXT, as GetWindowText does not read the text of another process's controls.
inline std::string WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
    return {};
  }
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 30000, &copied);
  text.resize(std::min<size_t>(copied, length));
  return text;
}

// The first visible top-level window of process `processId` with this class and caption, or null.
inline HWND FindVisibleWindow(DWORD processId, const std::string& className,
                              const std::string& caption) {
  struct Search {
    DWORD processId;
    const std::string* className;
    const std::string* caption;
    HWND found;
  } search{processId, &className, &caption, nullptr};
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto* search = reinterpret_cast<Search*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != search->processId || !IsWindowVisible(window) ||
            WindowClass(window) != *search->className) {
          return TRUE;
        }
        char caption[256] = {};
        GetWindowTextA(window, caption, sizeof(caption));
        if (*search->caption != caption) {
          return TRUE;
        }
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The child of `parent` at `point` (in the parent's client coordinates), one level down.
inline HWND ChildAt(HWND parent, int x, int y) {
  HWND child = ChildWindowFromPointEx(parent, POINT{x, y}, CWP_SKIPINVISIBLE);
  return child == parent ? nullptr : child;
}

// A program of this build, started with its window shown normally; ended by force at destruction
// if it is still running.
class ChildProgram {
public:
  explicit ChildProgram(const std::string& fileName) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    std::string commandLine = "\"" + ProgramBeside(fileName) + "\"";
    PROCESS_INFORMATION information{};
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &information)) {
      process_.reset(information.hProcess);
      thread_.reset(information.hThread);
      id_ = information.dwProcessId;
    }
  }
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;
  ~ChildProgram() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 99);
      WaitForSingleObject(process_.get(), 5000);
    }
  }

  bool Started() const { return static_cast<bool>(process_); }
  DWORD Id() const { return id_; }
  HANDLE Process() const { return process_.get(); }

  // Polls every `pollMs` for the program's visible main window; null after `timeoutMs`.
  HWND WaitForWindow(const std::string& className, const std::string& caption,
                     DWORD timeoutMs = 20000, DWORD pollMs = 2) const {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
      if (HWND window = FindVisibleWindow(id_, className, caption)) {
        return window;
      }
      if (GetTickCount64() - start > timeoutMs ||
          WaitForSingleObject(process_.get(), 0) != WAIT_TIMEOUT) {
        return nullptr;
      }
      Sleep(pollMs);
    }
  }

  // Closes the window as its close box would and waits for the program to end; true when it ended
  // in time with exit code 0.
  bool Close(HWND window, DWORD timeoutMs = 20000) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) {
      return false;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code == 0;
  }

private:
  hivelark::UniqueHandle process_;
  hivelark::UniqueHandle thread_;
  DWORD id_ = 0;
};

// The real program runs once per session: a benchmark that starts it must not meet a running one.
inline bool HivelarkRunning() {
  hivelark::UniqueHandle mutex(OpenMutexA(SYNCHRONIZE, FALSE, "Hivelark 1.0"));
  return static_cast<bool>(mutex);
}

} // namespace bench
