#include "MonitorTestSupport.h"

#include "monitor/RegistryAccess.h"

#include <gtest/gtest.h>

using namespace hivelark;
using namespace hivelark::monitortest;

namespace {

TEST(RootKeys, CodesMatchThePlatformKeysAndNames) {
  const HKEY keys[] = {HKEY_CLASSES_ROOT,     HKEY_CURRENT_USER,   HKEY_LOCAL_MACHINE, HKEY_USERS,
                       HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
  const char* names[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE",
                         "HKEY_USERS",        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
                         "HKEY_DYN_DATA"};
  for (size_t i = 0; i < ROOT_KEY_CODES.size(); ++i) {
    EXPECT_EQ(RootKeyHandle(ROOT_KEY_CODES[i]), keys[i]);
    EXPECT_STREQ(RootKeyName(ROOT_KEY_CODES[i]), names[i]);
  }
  EXPECT_STREQ(RootKeyName(0), "");
  EXPECT_STREQ(RootKeyName(0x80000007), "");
}

// Whether a value set through `written` is seen through `read`: both name the same key.
bool SameKey(HKEY written, HKEY read) {
  static DWORD marker = 0;
  const std::string name = "marker" + std::to_string(++marker);
  UniqueKey writable;
  RegOpenKeyExA(written, "", 0, KEY_SET_VALUE, writable.put());
  RegSetValueExA(writable.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&marker), 4);
  return RegQueryValueExA(read, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

TEST(Registry, PathRule) {
  ScratchKey key;
  key.CreateSubKey("Child");
  UniqueKey expected;
  RegOpenKeyExA(HKEY_CURRENT_USER, key.Path().c_str(), 0, KEY_READ, expected.put());
  TRegistry registry;
  ASSERT_TRUE(registry.OpenReadOnly(key.Path()));
  EXPECT_TRUE(SameKey(expected.get(), registry.KeyHandle()));
  ASSERT_TRUE(registry.OpenReadOnly("\\" + key.Path()));
  EXPECT_TRUE(SameKey(expected.get(), registry.KeyHandle()));

  // Without a leading backslash the path starts at the held key.
  ASSERT_TRUE(registry.OpenReadOnly("Child"));
  UniqueKey child;
  RegOpenKeyExA(expected.get(), "Child", 0, KEY_READ, child.put());
  EXPECT_TRUE(SameKey(child.get(), registry.KeyHandle()));
  EXPECT_FALSE(registry.HasKey("\\Child"));

  // Only one backslash is dropped; a failed open keeps the held key.
  const HKEY held = registry.KeyHandle();
  EXPECT_FALSE(registry.OpenReadOnly("\\\\" + key.Path()));
  EXPECT_FALSE(registry.HasKey("\\\\" + key.Path()));
  EXPECT_EQ(registry.KeyHandle(), held);

  registry.Close();
  EXPECT_EQ(registry.KeyHandle(), nullptr);
  EXPECT_TRUE(registry.OpenReadOnly("\\")) << "one backslash opens the root key itself";
}

TEST(Registry, HasKeyKeepsNothingAndAnotherRootClosesTheKey) {
  ScratchKey key;
  TRegistry registry;
  EXPECT_EQ(registry.Root(), HKEY_CURRENT_USER_CODE);
  EXPECT_TRUE(registry.HasKey(key.Path()));
  EXPECT_FALSE(registry.HasKey(key.Path() + "\\Missing"));
  EXPECT_EQ(registry.KeyHandle(), nullptr);

  ASSERT_TRUE(registry.OpenReadOnly(key.Path()));
  const HKEY held = registry.KeyHandle();
  EXPECT_TRUE(registry.HasKey("\\" + key.Path()));
  registry.SetRoot(HKEY_CURRENT_USER_CODE);
  EXPECT_EQ(registry.KeyHandle(), held);
  registry.SetRoot(HKEY_LOCAL_MACHINE_CODE);
  EXPECT_EQ(registry.KeyHandle(), nullptr);
  EXPECT_FALSE(registry.HasKey(key.Path()));
}

} // namespace
