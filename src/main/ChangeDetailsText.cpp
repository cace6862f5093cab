#include "main/ChangeDetailsText.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace hivelark {
namespace {

// Enough to recognise a value without one difference filling the log's window.
constexpr size_t kShownTextUnits = 200;
constexpr size_t kShownBytes = 32;

const wchar_t* KindLabel(TDifferenceKind kind) {
  switch (kind) {
  case TDifferenceKind::KeyAdded:
    return L"Key added";
  case TDifferenceKind::KeyDeleted:
    return L"Key deleted";
  case TDifferenceKind::ValueAdded:
    return L"Value added";
  case TDifferenceKind::ValueChanged:
    return L"Value changed";
  case TDifferenceKind::ValueDeleted:
    return L"Value deleted";
  case TDifferenceKind::SecurityChanged:
    return L"Security changed";
  }
  return L"Difference";
}

bool IsValueKind(TDifferenceKind kind) {
  return kind == TDifferenceKind::ValueAdded || kind == TDifferenceKind::ValueChanged ||
         kind == TDifferenceKind::ValueDeleted;
}

std::wstring Hex(uint64_t value, int digits) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring text(static_cast<size_t>(digits), L'0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4) {
    text[static_cast<size_t>(i)] = kDigits[value & 0xF];
  }
  return text;
}

// Control characters would break the line or vanish on screen; everything else stays as it is.
std::wstring Escaped(std::wstring_view text) {
  std::wstring escaped;
  escaped.reserve(text.size());
  for (const wchar_t c : text) {
    if (c >= 32) {
      escaped += c;
    } else if (c == L'\r') {
      escaped += L"\\r";
    } else if (c == L'\n') {
      escaped += L"\\n";
    } else if (c == L'\t') {
      escaped += L"\\t";
    } else {
      escaped += L"\\x" + Hex(c, 2);
    }
  }
  return escaped;
}

std::wstring ShownPath(const TRegistryDifference& difference) {
  if (!IsValueKind(difference.Kind)) {
    return difference.KeyPath.empty() ? L"(watched key)" : Escaped(difference.KeyPath);
  }
  const std::wstring name =
      difference.ValueName.empty() ? L"(Default)" : Escaped(difference.ValueName);
  return difference.KeyPath.empty() ? name : Escaped(difference.KeyPath) + L"\\" + name;
}

const wchar_t* TypeName(DWORD type) {
  switch (type) {
  case REG_NONE:
    return L"REG_NONE";
  case REG_SZ:
    return L"REG_SZ";
  case REG_EXPAND_SZ:
    return L"REG_EXPAND_SZ";
  case REG_BINARY:
    return L"REG_BINARY";
  case REG_DWORD:
    return L"REG_DWORD";
  case REG_DWORD_BIG_ENDIAN:
    return L"REG_DWORD_BIG_ENDIAN";
  case REG_LINK:
    return L"REG_LINK";
  case REG_MULTI_SZ:
    return L"REG_MULTI_SZ";
  case REG_RESOURCE_LIST:
    return L"REG_RESOURCE_LIST";
  case REG_FULL_RESOURCE_DESCRIPTOR:
    return L"REG_FULL_RESOURCE_DESCRIPTOR";
  case REG_RESOURCE_REQUIREMENTS_LIST:
    return L"REG_RESOURCE_REQUIREMENTS_LIST";
  case REG_QWORD:
    return L"REG_QWORD";
  default:
    return nullptr;
  }
}

std::wstring TypeLabel(DWORD type) {
  const wchar_t* name = TypeName(type);
  return name != nullptr ? name : std::to_wstring(type);
}

std::wstring CutMarker(size_t size) {
  return L"... (" + std::to_wstring(size) + L" bytes)";
}

// The data's whole UTF-16 units, little-endian as the registry stores them; an odd last byte is no
// character.
std::wstring Units(const std::vector<BYTE>& data) {
  std::wstring units(data.size() / 2, L'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<wchar_t>(data[2 * i] | data[2 * i + 1] << 8);
  }
  return units;
}

// How many of `text`'s first units to show within `budget`, keeping a surrogate pair whole.
size_t ShownUnits(std::wstring_view text, size_t budget) {
  if (text.size() <= budget) {
    return text.size();
  }
  if (budget > 0 && IS_HIGH_SURROGATE(text[budget - 1]) && IS_LOW_SURROGATE(text[budget])) {
    return budget - 1;
  }
  return budget;
}

std::wstring QuotedText(DWORD type, const std::vector<BYTE>& data) {
  const std::wstring units = Units(data);
  const std::wstring_view text = std::wstring_view(units).substr(0, units.find(L'\0'));
  const size_t shown = ShownUnits(text, kShownTextUnits);
  std::wstring form = TypeLabel(type) + L" \"" + Escaped(text.substr(0, shown)) + L"\"";
  if (shown < text.size()) {
    form += CutMarker(data.size());
  }
  return form;
}

std::wstring QuotedStrings(DWORD type, const std::vector<BYTE>& data) {
  const std::wstring units = Units(data);
  std::wstring_view rest = units;
  std::wstring form = TypeLabel(type);
  size_t budget = kShownTextUnits;
  bool first = true;
  bool cut = false;
  while (!rest.empty()) {
    const size_t end = rest.find(L'\0');
    const std::wstring_view item = rest.substr(0, end);
    if (item.empty()) {
      break;
    }
    if (budget == 0) {
      cut = true;
      break;
    }
    const size_t shown = ShownUnits(item, budget);
    form += first ? L" \"" : L", \"";
    form += Escaped(item.substr(0, shown)) + L"\"";
    first = false;
    if (shown < item.size()) {
      cut = true;
      break;
    }
    budget -= shown;
    if (end == std::wstring_view::npos) {
      break;
    }
    rest.remove_prefix(end + 1);
  }
  if (cut) {
    form += CutMarker(data.size());
  }
  return form;
}

uint64_t LittleEndian(const std::vector<BYTE>& data) {
  uint64_t value = 0;
  for (size_t i = data.size(); i > 0; --i) {
    value = value << 8 | data[i - 1];
  }
  return value;
}

std::wstring Bytes(DWORD type, const std::vector<BYTE>& data) {
  std::wstring form = TypeLabel(type);
  const size_t shown = std::min(data.size(), kShownBytes);
  for (size_t i = 0; i < shown; ++i) {
    form += L' ' + Hex(data[i], 2);
  }
  if (shown < data.size()) {
    form += L' ' + CutMarker(data.size());
  }
  return form;
}

std::wstring ValueForm(const TRegistryValue& value) {
  switch (value.Type) {
  case REG_SZ:
  case REG_EXPAND_SZ:
    return QuotedText(value.Type, value.Data);
  case REG_MULTI_SZ:
    return QuotedStrings(value.Type, value.Data);
  case REG_DWORD:
  case REG_QWORD: {
    const size_t size = value.Type == REG_DWORD ? sizeof(DWORD) : sizeof(uint64_t);
    if (value.Data.size() != size) {
      break;
    }
    const uint64_t number = LittleEndian(value.Data);
    return TypeLabel(value.Type) + L" " + std::to_wstring(number) + L" (0x" +
           Hex(number, static_cast<int>(size * 2)) + L")";
  }
  default:
    break;
  }
  return Bytes(value.Type, value.Data);
}

std::string SystemCodePage(const std::wstring& text) {
  if (text.empty()) {
    return {};
  }
  const int length = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) {
    return {};
  }
  std::string converted(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), length, converted.data(), size, nullptr, nullptr);
  return converted;
}

struct TShownDifference {
  const TRegistryDifference* Difference;
  std::wstring Path;
};

} // namespace

std::vector<std::string> ChangeDetailLines(const TChangeDetails& details) {
  switch (details.State) {
  case TChangeDetails::TState::NotTaken:
    return {};
  case TChangeDetails::TState::TooLarge:
    return {"  (too many keys and values under the watched key to show what changed)"};
  case TChangeDetails::TState::Compared:
    break;
  }
  if (details.Differences.empty()) {
    return {"  (no difference found)"};
  }

  std::vector<TShownDifference> shown;
  shown.reserve(details.Differences.size());
  for (const TRegistryDifference& difference : details.Differences) {
    shown.push_back({&difference, ShownPath(difference)});
  }
  // The registry's own order of names: case-blind, character by character, whatever the locale.
  std::stable_sort(shown.begin(), shown.end(), [](const auto& a, const auto& b) {
    if (a.Difference->Kind != b.Difference->Kind) {
      return a.Difference->Kind < b.Difference->Kind;
    }
    return CompareStringOrdinal(a.Path.data(), static_cast<int>(a.Path.size()), b.Path.data(),
                                static_cast<int>(b.Path.size()), TRUE) == CSTR_LESS_THAN;
  });

  std::vector<std::string> lines;
  lines.reserve(shown.size());
  for (const TShownDifference& item : shown) {
    const TRegistryDifference& difference = *item.Difference;
    std::wstring line = L"  " + std::wstring(KindLabel(difference.Kind)) + L": " + item.Path;
    if (difference.Kind == TDifferenceKind::ValueAdded) {
      line += L" = " + ValueForm(difference.New);
    } else if (difference.Kind == TDifferenceKind::ValueChanged) {
      line += L" = " + ValueForm(difference.Old) + L" -> " + ValueForm(difference.New);
    }
    lines.push_back(SystemCodePage(line));
  }
  return lines;
}

} // namespace hivelark
