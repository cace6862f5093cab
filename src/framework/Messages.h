#pragma once

#include <windows.h>

// Every private window message of the program, in one place.
namespace hivelark {

// From a registry monitor to its window, sent synchronously: a change under the watched key.
// wParam: the monitor's root key code; lParam: the address of its zero-terminated key path.
constexpr UINT WM_REGCHANGE = 2997;

// The shell's callback message for the notification-area icon.
constexpr UINT WM_TRAYICON_CALLBACK = WM_USER + 1;

// Private messages between the program's own threads and windows.
enum : UINT {
  // Runs a function on the thread that owns the receiving window (see MainThread.h).
  WM_HIVELARK_SYNCHRONIZE = WM_APP + 1,
  // From a registry monitor to its window, posted: the monitor could not open or watch its key and
  // has ended. Its payload is described in monitor/RegMonitorThread.h.
  WM_REGMONITOR_FAILED = WM_APP + 2,
};

} // namespace hivelark
