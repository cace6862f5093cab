#include "main/ChangeDetailsText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace hivelark;
using namespace std::string_literals;

namespace {

// Texts as the wide registry calls give them: UTF-16, little-endian.
std::vector<BYTE> Utf16(const std::wstring& text) {
  std::vector<BYTE> data;
  for (const wchar_t c : text) {
    data.push_back(static_cast<BYTE>(c & 0xFF));
    data.push_back(static_cast<BYTE>(c >> 8));
  }
  return data;
}

TRegistryValue Value(DWORD type, std::vector<BYTE> data) {
  return {type, std::move(data)};
}

TRegistryDifference Key(TDifferenceKind kind, const std::wstring& path) {
  return {kind, path, {}, {}, {}};
}

TRegistryDifference Added(const std::wstring& path, const std::wstring& name,
                          TRegistryValue value) {
  return {TDifferenceKind::ValueAdded, path, name, {}, std::move(value)};
}

TChangeDetails Compared(std::vector<TRegistryDifference> differences) {
  return {TChangeDetails::TState::Compared, std::move(differences)};
}

} // namespace

TEST(ChangeDetailsText, StatesWithoutDifferences) {
  EXPECT_TRUE(ChangeDetailLines({}).empty()) << "an entry without details keeps its three lines";
  EXPECT_EQ(ChangeDetailLines({TChangeDetails::TState::TooLarge, {}}),
            std::vector<std::string>{
                "  (too many keys and values under the watched key to show what changed)"});
  EXPECT_EQ(ChangeDetailLines(Compared({})), std::vector<std::string>{"  (no difference found)"});
}

TEST(ChangeDetailsText, KindsInOrderEachSortedByPathIgnoringCase) {
  const TRegistryValue three = Value(REG_DWORD, {3, 0, 0, 0});
  const TRegistryValue five = Value(REG_DWORD, {5, 0, 0, 0});
  const std::vector<TRegistryDifference> differences = {
      Key(TDifferenceKind::SecurityChanged, L"Plugins"),
      {TDifferenceKind::ValueDeleted, L"Plugins\\Old", L"Path", three, {}},
      Added(L"Plugins\\Spell", L"Language", Value(REG_SZ, Utf16(L"en-GB"s))),
      Key(TDifferenceKind::KeyAdded, L"beta"),
      {TDifferenceKind::ValueChanged, L"", L"Volume", three, five},
      Key(TDifferenceKind::KeyDeleted, L"Plugins\\Old"),
      Key(TDifferenceKind::KeyAdded, L"A_B"),
      Added(L"Plugins", L"", Value(REG_NONE, {})),
      Key(TDifferenceKind::SecurityChanged, L""),
      Key(TDifferenceKind::KeyAdded, L"Alpha"),
      Added(L"", L"", Value(REG_SZ, Utf16(L"x"s))),
      Key(TDifferenceKind::KeyDeleted, L"Line\r\nBreak\x01"),
      Key(TDifferenceKind::KeyAdded, L"ab"),
  };
  // Case-blind and character by character, as the registry orders names: "ab" before "Alpha" (a
  // case-sensitive order puts it after), "_" after the letters (a linguistic order puts it before).
  const std::vector<std::string> expected = {
      "  Key added: ab",
      "  Key added: Alpha",
      "  Key added: A_B",
      "  Key added: beta",
      "  Key deleted: Line\\r\\nBreak\\x01",
      "  Key deleted: Plugins\\Old",
      "  Value added: (Default) = REG_SZ \"x\"",
      "  Value added: Plugins\\(Default) = REG_NONE",
      "  Value added: Plugins\\Spell\\Language = REG_SZ \"en-GB\"",
      "  Value changed: Volume = REG_DWORD 3 (0x00000003) -> REG_DWORD 5 (0x00000005)",
      "  Value deleted: Plugins\\Old\\Path",
      "  Security changed: (watched key)",
      "  Security changed: Plugins",
  };
  EXPECT_EQ(ChangeDetailLines(Compared(differences)), expected);
}

TEST(ChangeDetailsText, DataFormsWithCutsAndEscapes) {
  std::vector<BYTE> hundredBytes;
  for (int i = 0; i < 100; ++i) {
    hundredBytes.push_back(static_cast<BYTE>(i));
  }
  std::string firstThirtyTwo;
  for (int i = 0; i < 32; ++i) {
    firstThirtyTwo +=
        (i == 0 ? "" : " ") + std::string(i < 16 ? "0" : "1") + "0123456789ABCDEF"[i % 16];
  }
  std::vector<BYTE> oddText = Utf16(L"%PATH%"s);
  oddText.push_back('x');
  const std::wstring smiley = L"\xD83D\xDE00";

  const struct {
    TRegistryValue value;
    std::string form;
  } cases[] = {
      {Value(REG_SZ, Utf16(L"en-GB\0junk"s)), "REG_SZ \"en-GB\""},
      {Value(REG_EXPAND_SZ, oddText), "REG_EXPAND_SZ \"%PATH%\""},
      {Value(REG_SZ, Utf16(L"a\tb\r\n\x1F\"\\\0"s)), "REG_SZ \"a\\tb\\r\\n\\x1F\"\\\""},
      {Value(REG_SZ, Utf16(std::wstring(250, L'x') + L'\0')),
       "REG_SZ \"" + std::string(200, 'x') + "\"... (502 bytes)"},
      {Value(REG_SZ, Utf16(std::wstring(200, L'x'))), "REG_SZ \"" + std::string(200, 'x') + "\""},
      {Value(REG_SZ, Utf16(std::wstring(199, L'x') + smiley)),
       "REG_SZ \"" + std::string(199, 'x') + "\"... (402 bytes)"},
      {Value(REG_MULTI_SZ, Utf16(L"a\0b c\0\0"s)), "REG_MULTI_SZ \"a\", \"b c\""},
      {Value(REG_MULTI_SZ, Utf16(L"a\0\0b\0"s)), "REG_MULTI_SZ \"a\""},
      {Value(REG_MULTI_SZ, Utf16(L"a\0\n"s)), "REG_MULTI_SZ \"a\", \"\\n\""},
      {Value(REG_MULTI_SZ, Utf16(L"\0\0"s)), "REG_MULTI_SZ"},
      {Value(REG_MULTI_SZ,
             Utf16(std::wstring(150, L'a') + L'\0' + std::wstring(100, L'b') + L"\0\0"s)),
       "REG_MULTI_SZ \"" + std::string(150, 'a') + "\", \"" + std::string(50, 'b') +
           "\"... (506 bytes)"},
      {Value(REG_MULTI_SZ, Utf16(std::wstring(200, L'a') + L"\0b\0\0"s)),
       "REG_MULTI_SZ \"" + std::string(200, 'a') + "\"... (408 bytes)"},
      {Value(REG_DWORD, {0x00, 0xFF, 0x00, 0x80}), "REG_DWORD 2147548928 (0x8000FF00)"},
      {Value(REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0x80}),
       "REG_QWORD 9223372036854775809 (0x8000000000000001)"},
      {Value(REG_DWORD, {1, 2, 3}), "REG_DWORD 01 02 03"},
      {Value(REG_QWORD, {1, 0, 0, 0}), "REG_QWORD 01 00 00 00"},
      {Value(REG_DWORD_BIG_ENDIAN, {0, 0, 0, 5}), "REG_DWORD_BIG_ENDIAN 00 00 00 05"},
      {Value(REG_BINARY, {0x01, 0xFF, 0x00}), "REG_BINARY 01 FF 00"},
      {Value(REG_BINARY, std::vector<BYTE>(hundredBytes.begin(), hundredBytes.begin() + 32)),
       "REG_BINARY " + firstThirtyTwo},
      {Value(REG_BINARY, hundredBytes), "REG_BINARY " + firstThirtyTwo + " ... (100 bytes)"},
      {Value(REG_BINARY, {}), "REG_BINARY"},
      {Value(REG_QWORD + 1, {0xAB}), "12 AB"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.form);
    EXPECT_EQ(ChangeDetailLines(Compared({Added(L"", L"V", test.value)})),
              std::vector<std::string>{"  Value added: V = " + test.form});
  }
}
