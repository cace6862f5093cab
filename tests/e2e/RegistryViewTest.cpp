// The registry as the user sees it in the system's registry editor. On 64-bit Windows the 32-bit
// program is shown 32-bit copies of HKEY_LOCAL_MACHINE\Software by default; it must watch the keys
// the user sees, and reach the 32-bit copies only through WOW6432Node, explicitly. Changes come
// from the system's native, 64-bit reg.exe, as from any 64-bit program.
#include "e2e/ProgramTest.h"

#include "framework/Handles.h"

#include <gtest/gtest.h>

#include <string>

using namespace e2e;

namespace {

using RegistryView = ProgramTest;

// Whether this system keeps two views of the registry: every 64-bit system does, and the 32-bit
// tests run under WoW64 on one, as the program's users run it.
bool HasTwoRegistryViews() {
  BOOL underWow64 = FALSE;
  return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &underWow64) && underWow64);
}

// A key under HKEY_LOCAL_MACHINE in one view of the registry (KEY_WOW64_64KEY or _32KEY). It is
// removed, with its subtree, before it is made and at the end.
class KeyInView {
public:
  KeyInView(std::string path, REGSAM view) : path_(std::move(path)), view_(view) { Remove(); }
  KeyInView(const KeyInView&) = delete;
  KeyInView& operator=(const KeyInView&) = delete;
  ~KeyInView() { Remove(); }

  bool Make() const {
    hivelark::UniqueKey key;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_,
                           nullptr, key.put(), nullptr) == ERROR_SUCCESS;
  }
  void Remove() const {
    hivelark::UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, KEY_ALL_ACCESS | view_, key.put()) ==
        ERROR_SUCCESS) {
      RegDeleteTreeA(key.get(), nullptr);
      RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), view_, 0);
    }
  }

private:
  std::string path_;
  REGSAM view_;
};

bool NativeRegChange(const std::string& path, const std::string& data) {
  return RunReg("add \"HKLM\\" + path + "\" /v value /d \"" + data + "\" /f", RegTool::Native) == 0;
}

std::string LocalMachineWhere(const std::string& path) {
  return "On My Computer\\HKEY_LOCAL_MACHINE\\" + path;
}

} // namespace

TEST_F(RegistryView, KeyOnlyIn64BitViewIsAcceptedAndItsChangesLogged) {
  ASSERT_TRUE(HasTwoRegistryViews()) << "the 32-bit tests must run under WoW64, as users run them";
  const std::string path = "Software\\HivelarkE2E 64-bit only";
  KeyInView copy32(path, KEY_WOW64_32KEY);
  KeyInView key64(path, KEY_WOW64_64KEY);
  ASSERT_TRUE(key64.Make());

  ASSERT_TRUE(program.StartWatching(path, kLocalMachineItem)) << "Start accepts the key";
  ASSERT_TRUE(NativeRegChange(path, "changed by a 64-bit program"));
  ASSERT_TRUE(program.WaitForEntries(1));
  ExpectEntries(1, LocalMachineWhere(path));
  EXPECT_EQ(program.Exit(), 0u);
}

TEST_F(RegistryView, KeyOnlyIn32BitViewIsReachedThroughWow6432NodeAndNotByItsNamesake) {
  ASSERT_TRUE(HasTwoRegistryViews()) << "the 32-bit tests must run under WoW64, as users run them";
  const std::string path = "Software\\HivelarkE2E 32-bit only";
  const std::string throughNode = "Software\\WOW6432Node\\HivelarkE2E 32-bit only";
  KeyInView key64(path, KEY_WOW64_64KEY);
  KeyInView key32(path, KEY_WOW64_32KEY);
  ASSERT_TRUE(key32.Make());

  program.ChooseRoot(kLocalMachineItem);
  program.TypeKeyPath(path);
  ExpectRefused("Your Key Path doesn't Exists");

  ASSERT_TRUE(program.StartWatching(throughNode, kLocalMachineItem));
  // The 64-bit key of the same name, made and changed, is another key.
  ASSERT_TRUE(NativeRegChange(path, "the namesake"));
  Sleep(1000);
  EXPECT_EQ(program.EntryCount(), 0u) << "a change of the 64-bit namesake is not logged";
  ASSERT_TRUE(NativeRegChange(throughNode, "the watched key"));
  ASSERT_TRUE(program.WaitForEntries(1));
  ExpectEntries(1, LocalMachineWhere(throughNode));
  EXPECT_EQ(program.Exit(), 0u);
}
