#include "support/ProgramProcess.h"

#include "support/WindowDriver.h"

namespace testing_support {

std::string ProgramBeside(const std::string& fileName) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string program(path);
  program.erase(program.find_last_of('\\') + 1);
  return program + fileName;
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
