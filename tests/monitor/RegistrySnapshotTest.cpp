#include "MonitorTestSupport.h"

#include "monitor/RegistrySnapshot.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace hivelark;
using namespace hivelark::monitortest;

namespace {

// The scratch key's sub-key `subKey` ("" for itself), opened for reading and writing (created if
// missing).
UniqueKey Open(const ScratchKey& scratch, const std::wstring& subKey = L"") {
  std::wstring path(scratch.Path().begin(), scratch.Path().end());
  if (!subKey.empty()) {
    path += L"\\" + subKey;
  }
  UniqueKey key;
  RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  key.put(), nullptr);
  return key;
}

void SetDword(HKEY key, const wchar_t* name, DWORD data) {
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

void SetBinary(HKEY key, const wchar_t* name, const std::vector<BYTE>& data) {
  RegSetValueExW(key, name, 0, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
}

// Gives the key a DACL of its own that lets everyone do anything, unlike the one it inherits.
void OpenToEveryone(HKEY key) {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  std::vector<BYTE> acl(256);
  InitializeAcl(reinterpret_cast<PACL>(acl.data()), static_cast<DWORD>(acl.size()), ACL_REVISION);
  AddAccessAllowedAce(reinterpret_cast<PACL>(acl.data()), ACL_REVISION, KEY_ALL_ACCESS, everyone);
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE);
  RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
  FreeSid(everyone);
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Each difference as "<kind> <path>", a value's path ending in "|<name>".
std::multiset<std::wstring> Described(const std::vector<TRegistryDifference>& differences) {
  static const wchar_t* const kinds[] = {L"KeyAdded",     L"KeyDeleted",   L"ValueAdded",
                                         L"ValueChanged", L"ValueDeleted", L"SecurityChanged"};
  std::multiset<std::wstring> described;
  for (const TRegistryDifference& difference : differences) {
    std::wstring line =
        kinds[static_cast<int>(difference.Kind)] + std::wstring(L" ") + difference.KeyPath;
    const bool value = difference.Kind >= TDifferenceKind::ValueAdded &&
                       difference.Kind <= TDifferenceKind::ValueDeleted;
    if (value) {
      line += L"|" + difference.ValueName;
    }
    described.insert(line);
  }
  return described;
}

constexpr DWORD kKeysOnly = REG_NOTIFY_CHANGE_NAME;
constexpr DWORD kValuesOnly = REG_NOTIFY_CHANGE_LAST_SET;

TEST(RegistrySnapshot, FindsEveryKindOfDifferenceAtAnyDepthOfTheKindsItsFilterWatches) {
  ScratchKey scratch;
  UniqueKey watched = Open(scratch);
  SetDword(watched.get(), L"Volume", 3);
  SetText(watched.get(), L"Unchanged", L"same");
  SetBinary(watched.get(), L"Gone", {1, 2, 3}); // an odd size, before other values
  SetText(Open(scratch, L"Plugins\\Old").get(), L"Path", L"C:\\old");
  SetText(Open(scratch, L"Plugins\\Old\\Deeper").get(), L"", L"default of a deleted key");
  Open(scratch, L"Plugins\\Kept");
  // A name that sorts elsewhere with letter case than without, and data too long for a one-unit
  // length.
  SetDword(watched.get(), L"_x", 1);
  std::vector<BYTE> big(40000, 7);
  SetBinary(watched.get(), L"big", big);
  const auto read = [&](DWORD filter) { return TRegistrySnapshot::Read(watched.get(), filter); };
  const TRegistrySnapshot beforeAll = read(kNotifyAllChanges);
  const TRegistrySnapshot beforeKeys = read(kKeysOnly);
  const TRegistrySnapshot beforeValues = read(kValuesOnly);

  SetText(Open(scratch, L"Plugins\\Spell").get(), L"Language", L"en-GB");
  RegDeleteTreeW(Open(scratch, L"Plugins").get(), L"Old");
  SetDword(watched.get(), L"Volume", 5);
  SetText(watched.get(), L"Unchanged", L"same"); // written again with what it held
  RegDeleteValueW(watched.get(), L"Gone");
  SetText(Open(scratch, L"plugins\\KEPT").get(), L"", L"now set"); // names differ in case only
  RegDeleteValueW(watched.get(), L"_x");
  big.back() = 8;
  SetBinary(watched.get(), L"big", big);
  OpenToEveryone(Open(scratch, L"Plugins\\Kept").get());

  const TRegistrySnapshot afterAll = read(kNotifyAllChanges);
  const std::vector<TRegistryDifference> all = CompareSnapshots(beforeAll, afterAll);
  const std::multiset<std::wstring> keyLines = {
      L"KeyAdded Plugins\\Spell", L"KeyDeleted Plugins\\Old", L"KeyDeleted Plugins\\Old\\Deeper"};
  const std::multiset<std::wstring> valueLines = {L"ValueAdded Plugins\\Spell|Language",
                                                  L"ValueChanged |Volume",
                                                  L"ValueChanged |big",
                                                  L"ValueDeleted |_x",
                                                  L"ValueDeleted |Gone",
                                                  L"ValueDeleted Plugins\\Old|Path",
                                                  L"ValueDeleted Plugins\\Old\\Deeper|",
                                                  L"ValueAdded Plugins\\Kept|"};
  std::multiset<std::wstring> expected = keyLines;
  expected.insert(valueLines.begin(), valueLines.end());
  expected.insert(L"SecurityChanged Plugins\\Kept");
  EXPECT_EQ(Described(all), expected);
  EXPECT_EQ(Described(CompareSnapshots(beforeKeys, read(kKeysOnly))), keyLines);
  EXPECT_EQ(Described(CompareSnapshots(beforeValues, read(kValuesOnly))), valueLines);

  for (const TRegistryDifference& difference : all) {
    if (difference.Kind == TDifferenceKind::ValueChanged && difference.ValueName == L"Volume") {
      const DWORD was = 3;
      const DWORD is = 5;
      EXPECT_EQ(difference.Old.Type, static_cast<DWORD>(REG_DWORD));
      EXPECT_EQ(difference.Old.Data, std::vector<BYTE>(reinterpret_cast<const BYTE*>(&was),
                                                       reinterpret_cast<const BYTE*>(&was + 1)));
      EXPECT_EQ(difference.New.Data, std::vector<BYTE>(reinterpret_cast<const BYTE*>(&is),
                                                       reinterpret_cast<const BYTE*>(&is + 1)));
    }
    if (difference.Kind == TDifferenceKind::ValueAdded && difference.ValueName == L"Language") {
      const std::wstring text = L"en-GB";
      EXPECT_EQ(difference.New.Type, static_cast<DWORD>(REG_SZ));
      EXPECT_EQ(difference.New.Data.size(), (text.size() + 1) * sizeof(wchar_t));
    }
  }

  EXPECT_TRUE(CompareSnapshots(afterAll, read(kNotifyAllChanges)).empty())
      << "two readings of an unchanged subtree";

  // The watched key itself deleted: everything it held is listed as gone.
  scratch.Delete();
  const std::vector<TRegistryDifference> gone = CompareSnapshots(afterAll, read(kNotifyAllChanges));
  EXPECT_EQ(Described(gone),
            (std::multiset<std::wstring>{
                L"KeyDeleted Plugins", L"KeyDeleted Plugins\\Kept", L"KeyDeleted Plugins\\Spell",
                L"ValueDeleted |Volume", L"ValueDeleted |Unchanged", L"ValueDeleted |big",
                L"ValueDeleted Plugins\\Kept|", L"ValueDeleted Plugins\\Spell|Language"}));
}

TEST(RegistrySnapshot, ASubtreeLargerThanTheLimitIsNotHeld) {
  ScratchKey scratch;
  UniqueKey watched = Open(scratch);
  SetDword(watched.get(), L"One", 1);
  SetDword(Open(scratch, L"Key").get(), L"Two", 2); // three keys and values below the watched key

  const TRegistrySnapshot fits = TRegistrySnapshot::Read(watched.get(), kNotifyAllChanges, 3);
  EXPECT_FALSE(fits.TooLarge());
  EXPECT_EQ(fits.ItemCount(), 3u);
  const TRegistrySnapshot tooLarge = TRegistrySnapshot::Read(watched.get(), kNotifyAllChanges, 2);
  EXPECT_TRUE(tooLarge.TooLarge());
  EXPECT_LT(tooLarge.MemoryBytes(), fits.MemoryBytes());
  EXPECT_TRUE(CompareSnapshots(fits, tooLarge).empty());
}

} // namespace
