// Makes registry changes for the end-to-end tests from a process of its own, as any other program
// on the machine would. Usage:
//   registry_writer KEY COUNT [EVENT]
// Sets COUNT values under HKEY_CURRENT_USER\KEY (created if missing), one at a time. Without
// EVENT they follow each other as fast as possible. With EVENT, each write waits for the named
// auto-reset event "EVENT.go"; the named event "EVENT.quit" ends the run early. Values cycle
// through 16 names so that the key stays small; each write stores new data. Exit code 0 when all
// writes were made (or the run was ended by "quit"), 2 when a wait timed out, 1 on a failure.
#include <windows.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) {
    return 1;
  }
  const std::string keyPath = argv[1];
  const unsigned long count = std::strtoul(argv[2], nullptr, 10);
  HANDLE go = nullptr;
  HANDLE quit = nullptr;
  if (argc >= 4) {
    const std::string name = argv[3];
    go = CreateEventA(nullptr, FALSE, FALSE, (name + ".go").c_str());
    quit = CreateEventA(nullptr, TRUE, FALSE, (name + ".quit").c_str());
    if (go == nullptr || quit == nullptr) {
      return 1;
    }
  }
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return 1;
  }
  int result = 0;
  for (unsigned long index = 0; index < count; ++index) {
    if (go != nullptr) {
      const HANDLE events[] = {quit, go};
      const DWORD woken = WaitForMultipleObjects(2, events, FALSE, 60000);
      if (woken == WAIT_OBJECT_0) {
        break;
      }
      if (woken != WAIT_OBJECT_0 + 1) {
        result = 2;
        break;
      }
    }
    const std::string name = "v" + std::to_string(index % 16);
    const std::string data = std::to_string(index);
    if (RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1)) != ERROR_SUCCESS) {
      result = 1;
      break;
    }
  }
  RegCloseKey(key);
  return result;
}
