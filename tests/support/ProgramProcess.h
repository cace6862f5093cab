#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

// The full path of a program built next to the running test program.
std::string ProgramBeside(const std::string& fileName);

// The threads of process `processId`, from a snapshot of the system's threads.
DWORD ThreadCount(DWORD processId);
// The handles open in `process` (this process, or one opened with PROCESS_QUERY_INFORMATION and
// PROCESS_DUP_HANDLE): the platform's count, or where that says 0 (as Wine does), the handle
// values that can be duplicated.
DWORD OpenHandleCount(HANDLE process);

// A program of this build (the real Hivelark.exe unless another is named), started as its own
// process with a show command; ended by force at destruction if it is still running.
class ProgramProcess {
public:
  explicit ProgramProcess(WORD showCommand = SW_SHOWNORMAL)
      : ProgramProcess("Hivelark.exe", showCommand) {}
  ProgramProcess(const std::string& fileName, WORD showCommand);
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;
  ~ProgramProcess();

  bool Started() const { return started_; }
  DWORD Id() const { return process_.dwProcessId; }
  HANDLE Handle() const { return process_.hProcess; }
  // The main window once it is on the screen, or null after `timeoutMs`.
  HWND WaitForMainWindow(DWORD timeoutMs = 20000) const;
  // A visible top-level window of the program with this caption (any class), or null.
  HWND WaitForWindow(const std::string& caption, DWORD timeoutMs = 20000) const;
  // The exit code, or STILL_ACTIVE when it did not end in time.
  DWORD WaitForExit(DWORD timeoutMs);

private:
  bool started_ = false;
  PROCESS_INFORMATION process_{};
};

} // namespace testing_support
