// A stand-in for the programs that the launcher starts in tests. Its arguments are steps, done in
// order:
//   marker PATH   appends this process's id and a line break to PATH
//   sleep MS      sleeps MS milliseconds
//   exit CODE     ends with exit code CODE
// Without an exit step it ends with code 0. A window program, so that no console appears.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void AppendProcessId(const char* path) {
  const HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  const std::string line = std::to_string(GetCurrentProcessId()) + "\r\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  for (int index = 1; index + 1 < __argc; index += 2) {
    const char* step = __argv[index];
    const char* value = __argv[index + 1];
    if (std::strcmp(step, "marker") == 0) {
      AppendProcessId(value);
    } else if (std::strcmp(step, "sleep") == 0) {
      Sleep(static_cast<DWORD>(std::strtoul(value, nullptr, 10)));
    } else if (std::strcmp(step, "exit") == 0) {
      return static_cast<int>(std::strtoul(value, nullptr, 10));
    }
  }
  return 0;
}
