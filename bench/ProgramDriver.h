#pragma once

#include "framework/Handles.h"
#include "support/ProgramProcess.h"
#include "support/WindowDriver.h"

#include <windows.h>

#include <string>

// What the benchmarks that measure the real program add to the tests' program driver.
namespace bench {

using testing_support::LongWindowText;
using testing_support::ProgramProcess;
using testing_support::WindowClass;

// The child of `parent` at `point` (in the parent's client coordinates), one level down.
inline HWND ChildAt(HWND parent, int x, int y) {
  HWND child = ChildWindowFromPointEx(parent, POINT{x, y}, CWP_SKIPINVISIBLE);
  return child == parent ? nullptr : child;
}

// The program's visible window with this class and caption, looked for every 2 ms so that a
// start-up is timed to the window's first appearance; null after 20 s.
inline HWND WaitForShownWindow(const ProgramProcess& program, const std::string& className,
                               const std::string& caption) {
  constexpr DWORD kTimeoutMs = 20000;
  constexpr DWORD kPollMs = 2;
  return testing_support::WaitForTopLevelWindow(program.Id(), className, caption, kTimeoutMs,
                                                kPollMs);
}

// Closes the window as its close box would; true when the program then ended within 20 s with
// exit code 0.
inline bool CloseAndWait(ProgramProcess& program, HWND window) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  return program.WaitForExit(20000) == 0;
}

// The real program runs once per session: a benchmark that starts it must not meet a running one.
inline bool HivelarkRunning() {
  hivelark::UniqueHandle mutex(OpenMutexA(SYNCHRONIZE, FALSE, "Hivelark 1.0"));
  return static_cast<bool>(mutex);
}

} // namespace bench
