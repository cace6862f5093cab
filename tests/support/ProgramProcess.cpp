#include "support/ProgramProcess.h"

#include "framework/Handles.h"
#include "support/WindowDriver.h"

#include <tlhelp32.h>

namespace testing_support {

std::string ProgramBeside(const std::string& fileName) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string program(path);
  program.erase(program.find_last_of('\\') + 1);
  return program + fileName;
}

DWORD ThreadCount(DWORD processId) {
  hivelark::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (snapshot.get() == INVALID_HANDLE_VALUE) {
    return 0;
  }
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  DWORD count = 0;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    count += entry.th32OwnerProcessID == processId ? 1 : 0;
  }
  return count;
}

// Duplicating a value succeeds exactly for the handles that are open. Values are multiples of 4;
// the range covers thousands.
DWORD OpenHandleCount(HANDLE process) {
  DWORD count = 0;
  if (GetProcessHandleCount(process, &count) && count != 0) {
    return count;
  }
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    HANDLE copy = nullptr;
    if (DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0,
                        FALSE, DUPLICATE_SAME_ACCESS)) {
      CloseHandle(copy);
      ++count;
    }
  }
  return count;
}

ProgramProcess::ProgramProcess(const std::string& fileName, WORD showCommand) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = showCommand;
  std::string commandLine = "\"" + ProgramBeside(fileName) + "\"";
  started_ = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &process_) != FALSE;
}

ProgramProcess::~ProgramProcess() {
  if (!started_) {
    return;
  }
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.hProcess, 99);
    WaitForSingleObject(process_.hProcess, 5000);
  }
  CloseHandle(process_.hProcess);
  CloseHandle(process_.hThread);
}

HWND ProgramProcess::WaitForMainWindow(DWORD timeoutMs) const {
  return WaitForTopLevelWindow(process_.dwProcessId, "HivelarkForm", "Hivelark", timeoutMs);
}

HWND ProgramProcess::WaitForWindow(const std::string& caption, DWORD timeoutMs) const {
  return WaitForTopLevelWindow(process_.dwProcessId, "", caption, timeoutMs);
}

DWORD ProgramProcess::WaitForExit(DWORD timeoutMs) {
  WaitForSingleObject(process_.hProcess, timeoutMs);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

} // namespace testing_support
