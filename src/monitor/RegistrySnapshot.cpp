#include "monitor/RegistrySnapshot.h"

#include "framework/Handles.h"
#include "monitor/RegistryAccess.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <string>

// The packed form, in 16-bit units so that names stay aligned and are compared in place. A key is
// its name (length, then the units) and its content: a flags unit, then, when it could be read,
// its security digest (four units, with REG_NOTIFY_CHANGE_SECURITY), its values (a count in two
// units, then each value's name, type, byte count and data, with REG_NOTIFY_CHANGE_LAST_SET) and
// its sub-keys (a count in two units, then each sub-key). Lengths and types are variable-length
// numbers of 15 bits a unit. The read key itself is held with an empty name.

namespace hivelark {
namespace {

constexpr wchar_t kReadable = 1;
constexpr unsigned kVarintBits = 15;
constexpr wchar_t kVarintMore = 0x8000;
// Names are at most 255 characters for keys (256 under Wine) and 16,383 for values.
constexpr DWORD kNameCapacityLimit = 32768;
// The registry nests keys at most 512 deep; a deeper chain (possible under Wine) is held as
// unreadable rather than read by ever deeper calls.
constexpr unsigned kDepthLimit = 512;
constexpr SECURITY_INFORMATION kSecurityParts =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

bool Watches(DWORD filter, DWORD bit) {
  return (filter & bit) != 0;
}

// Names are compared as the registry compares them: each character upper-cased, then by code.
int CompareNames(const wchar_t* left, size_t leftLength, const wchar_t* right, size_t rightLength) {
  return CompareStringOrdinal(left, static_cast<int>(leftLength), right,
                              static_cast<int>(rightLength), TRUE) -
         CSTR_EQUAL;
}

// A digest of the security descriptor: holding the descriptors themselves would cost more than
// the names of many subtrees. 0 means that the security could not be read.
uint64_t SecurityDigest(const std::vector<BYTE>& descriptor, DWORD size) {
  uint64_t digest = 14695981039346656037ull;
  for (DWORD index = 0; index < size; ++index) {
    digest = (digest ^ descriptor[index]) * 1099511628211ull;
  }
  return digest == 0 ? 1 : digest;
}

struct Name {
  const wchar_t* text = nullptr;
  size_t length = 0;
};

std::wstring ChildPath(const std::wstring& parent, Name name) {
  std::wstring path = parent;
  if (!path.empty()) {
    path += L'\\';
  }
  path.append(name.text, name.length);
  return path;
}

} // namespace

class TSnapshotReader {
public:
  TSnapshotReader(TRegistrySnapshot& snapshot, size_t limit, const std::function<bool()>& cancelled)
      : snapshot_(snapshot), units_(snapshot.units_), limit_(limit), cancelled_(cancelled) {}

  // TooLarge also when the reading was cancelled: either way it holds nothing. Unreadable: a list
  // could not be read to its end, which must not read as deletions.
  enum class TOutcome { Read, Gone, TooLarge, Unreadable };

  // Writes the content of `key`, `depth` levels below the read key: Gone when the key was deleted
  // while it was read, never Unreadable (such a key is held as unreadable).
  TOutcome ReadContent(HKEY key, unsigned depth);

private:
  bool Counted(size_t items) {
    snapshot_.items_ += items;
    return snapshot_.items_ <= limit_;
  }
  void PutVarint(size_t value);
  void PutFixed32(uint32_t value, size_t at);
  void PutUnits(const void* bytes, size_t byteCount);
  void PutName(const wchar_t* text, size_t length);
  TOutcome ReadSecurity(HKEY key, DWORD descriptorSize);
  TOutcome ReadValues(HKEY key, DWORD maxNameLength, DWORD maxDataSize);
  TOutcome ReadSubKeys(HKEY key, DWORD maxNameLength, unsigned depth);

  TRegistrySnapshot& snapshot_;
  std::vector<wchar_t>& units_;
  const size_t limit_;
  const std::function<bool()>& cancelled_;
  // Reused from key to key: one key's values before they are sorted.
  struct PendingValue {
    size_t nameAt;
    size_t nameLength;
    DWORD type;
    size_t dataAt;
    size_t dataSize;
  };
  std::vector<PendingValue> pendingValues_;
  std::vector<wchar_t> pendingNames_;
  std::vector<BYTE> pendingData_;
  std::vector<wchar_t> nameBuffer_;
  std::vector<BYTE> dataBuffer_;
  std::vector<BYTE> securityBuffer_;
};

void TSnapshotReader::PutVarint(size_t value) {
  while (value >= kVarintMore) {
    units_.push_back(static_cast<wchar_t>((value & (kVarintMore - 1)) | kVarintMore));
    value >>= kVarintBits;
  }
  units_.push_back(static_cast<wchar_t>(value));
}

void TSnapshotReader::PutFixed32(uint32_t value, size_t at) {
  units_[at] = static_cast<wchar_t>(value & 0xFFFF);
  units_[at + 1] = static_cast<wchar_t>(value >> 16);
}

void TSnapshotReader::PutUnits(const void* bytes, size_t byteCount) {
  const size_t at = units_.size();
  units_.resize(at + (byteCount + 1) / 2, 0);
  std::memcpy(units_.data() + at, bytes, byteCount);
}

void TSnapshotReader::PutName(const wchar_t* text, size_t length) {
  PutVarint(length);
  units_.insert(units_.end(), text, text + length);
}

TSnapshotReader::TOutcome TSnapshotReader::ReadContent(HKEY key, unsigned depth) {
  if (cancelled_ && cancelled_()) {
    return TOutcome::TooLarge;
  }
  DWORD subKeyCount = 0;
  DWORD maxSubKeyLength = 0;
  DWORD valueCount = 0;
  DWORD maxValueNameLength = 0;
  DWORD maxValueSize = 0;
  DWORD descriptorSize = 0;
  const LONG info =
      RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeyCount, &maxSubKeyLength, nullptr,
                       &valueCount, &maxValueNameLength, &maxValueSize, &descriptorSize, nullptr);
  if (info == ERROR_KEY_DELETED) {
    return TOutcome::Gone;
  }
  const size_t flagsAt = units_.size();
  const size_t itemsBefore = snapshot_.items_;
  if (info != ERROR_SUCCESS) {
    units_.push_back(0);
    return TOutcome::Read;
  }
  const DWORD filter = snapshot_.filter_;
  const bool values = Watches(filter, REG_NOTIFY_CHANGE_LAST_SET);
  // A key too large for the limit is known before its names are read.
  if (itemsBefore + subKeyCount + (values ? valueCount : 0) > limit_) {
    return TOutcome::TooLarge;
  }
  units_.push_back(kReadable);
  TOutcome outcome = TOutcome::Read;
  if (Watches(filter, REG_NOTIFY_CHANGE_SECURITY)) {
    outcome = ReadSecurity(key, descriptorSize);
  }
  if (outcome == TOutcome::Read && values) {
    outcome = ReadValues(key, maxValueNameLength, maxValueSize);
  }
  if (outcome == TOutcome::Read) {
    outcome = ReadSubKeys(key, maxSubKeyLength, depth);
  }
  if (outcome == TOutcome::Unreadable) {
    units_.resize(flagsAt);
    units_.push_back(0);
    snapshot_.items_ = itemsBefore;
    return TOutcome::Read;
  }
  return outcome;
}

TSnapshotReader::TOutcome TSnapshotReader::ReadSecurity(HKEY key, DWORD descriptorSize) {
  uint64_t digest = 0;
  DWORD size = std::max<DWORD>(descriptorSize, 64);
  for (int attempt = 0; attempt < 2; ++attempt) {
    securityBuffer_.resize(size);
    const LONG result = RegGetKeySecurity(key, kSecurityParts, securityBuffer_.data(), &size);
    if (result == ERROR_SUCCESS) {
      digest = SecurityDigest(securityBuffer_, size);
      break;
    }
    if (result == ERROR_KEY_DELETED) {
      return TOutcome::Gone;
    }
    if (result != ERROR_INSUFFICIENT_BUFFER) {
      break;
    }
  }
  PutUnits(&digest, sizeof digest);
  return TOutcome::Read;
}

TSnapshotReader::TOutcome TSnapshotReader::ReadValues(HKEY key, DWORD maxNameLength,
                                                      DWORD maxDataSize) {
  pendingValues_.clear();
  pendingNames_.clear();
  pendingData_.clear();
  // Never empty: given no data buffer, the platform reports the size only, and success.
  nameBuffer_.resize(std::max<size_t>({nameBuffer_.size(), maxNameLength + 1u, 64}));
  dataBuffer_.resize(std::max<size_t>({dataBuffer_.size(), maxDataSize, 64}));
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(nameBuffer_.size());
    DWORD dataSize = static_cast<DWORD>(dataBuffer_.size());
    DWORD type = REG_NONE;
    const LONG result = RegEnumValueW(key, index, nameBuffer_.data(), &nameLength, nullptr, &type,
                                      dataBuffer_.data(), &dataSize);
    if (result == ERROR_NO_MORE_ITEMS) {
      break;
    }
    if (result == ERROR_MORE_DATA) {
      // A value written since the key was asked for its sizes: grow and read it again.
      dataBuffer_.resize(std::max<size_t>(dataSize, dataBuffer_.size() * 2));
      if (nameBuffer_.size() < kNameCapacityLimit) {
        nameBuffer_.resize(std::min<size_t>(nameBuffer_.size() * 2, kNameCapacityLimit));
      }
      continue;
    }
    if (result == ERROR_KEY_DELETED) {
      return TOutcome::Gone;
    }
    if (result != ERROR_SUCCESS) {
      return TOutcome::Unreadable;
    }
    pendingValues_.push_back(
        {pendingNames_.size(), nameLength, type, pendingData_.size(), dataSize});
    pendingNames_.insert(pendingNames_.end(), nameBuffer_.data(), nameBuffer_.data() + nameLength);
    pendingData_.insert(pendingData_.end(), dataBuffer_.data(), dataBuffer_.data() + dataSize);
    ++index;
    if (!Counted(1)) {
      return TOutcome::TooLarge;
    }
  }
  std::vector<size_t> order(pendingValues_.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [this](size_t left, size_t right) {
    const PendingValue& a = pendingValues_[left];
    const PendingValue& b = pendingValues_[right];
    return CompareNames(pendingNames_.data() + a.nameAt, a.nameLength,
                        pendingNames_.data() + b.nameAt, b.nameLength) < 0;
  });
  const size_t countAt = units_.size();
  units_.resize(countAt + 2);
  PutFixed32(static_cast<uint32_t>(order.size()), countAt);
  for (const size_t position : order) {
    const PendingValue& value = pendingValues_[position];
    PutName(pendingNames_.data() + value.nameAt, value.nameLength);
    PutVarint(value.type);
    PutVarint(value.dataSize);
    PutUnits(pendingData_.data() + value.dataAt, value.dataSize);
  }
  return TOutcome::Read;
}

TSnapshotReader::TOutcome TSnapshotReader::ReadSubKeys(HKEY key, DWORD maxNameLength,
                                                       unsigned depth) {
  std::vector<std::wstring> names;
  std::vector<wchar_t> name(std::max<size_t>(maxNameLength + 1u, 257));
  for (DWORD index = 0;;) {
    DWORD length = static_cast<DWORD>(name.size());
    const LONG result =
        RegEnumKeyExW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) {
      break;
    }
    if (result == ERROR_MORE_DATA && name.size() < kNameCapacityLimit) {
      name.resize(std::min<size_t>(name.size() * 2, kNameCapacityLimit));
      continue;
    }
    if (result == ERROR_KEY_DELETED) {
      return TOutcome::Gone;
    }
    if (result != ERROR_SUCCESS) {
      return TOutcome::Unreadable;
    }
    names.emplace_back(name.data(), length);
    ++index;
  }
  std::sort(names.begin(), names.end(), [](const std::wstring& left, const std::wstring& right) {
    return CompareNames(left.data(), left.size(), right.data(), right.size()) < 0;
  });
  const size_t countAt = units_.size();
  units_.resize(countAt + 2);
  uint32_t present = 0;
  for (const std::wstring& subKeyName : names) {
    const size_t recordAt = units_.size();
    const size_t itemsBefore = snapshot_.items_;
    UniqueKey subKey;
    // A link key is read as itself, never followed: its target is not in the watched subtree (the
    // notification does not follow it either), and a link to an ancestor would never end.
    const LONG opened =
        depth + 1 >= kDepthLimit
            ? ERROR_ACCESS_DENIED
            : RegOpenKeyExW(key, subKeyName.c_str(), REG_OPTION_OPEN_LINK,
                            kKeyReadWithoutNotify | SystemRegistryView(), subKey.put());
    if (opened == ERROR_FILE_NOT_FOUND || opened == ERROR_KEY_DELETED) {
      continue; // deleted since the names were read
    }
    if (!Counted(1)) {
      return TOutcome::TooLarge;
    }
    PutName(subKeyName.data(), subKeyName.size());
    if (opened != ERROR_SUCCESS) {
      // Not allowed to look inside: held as present with unknown contents, never as deleted.
      units_.push_back(0);
    } else {
      const TOutcome outcome = ReadContent(subKey.get(), depth + 1);
      if (outcome == TOutcome::TooLarge) {
        return outcome;
      }
      if (outcome == TOutcome::Gone) {
        units_.resize(recordAt);
        snapshot_.items_ = itemsBefore;
        continue;
      }
    }
    ++present;
  }
  PutFixed32(present, countAt);
  return TOutcome::Read;
}

TRegistrySnapshot TRegistrySnapshot::Read(HKEY key, DWORD filter, size_t limit,
                                          const std::function<bool()>& cancelled) {
  TRegistrySnapshot snapshot;
  snapshot.filter_ = filter;
  TSnapshotReader reader(snapshot, limit, cancelled);
  snapshot.units_.push_back(0); // the read key's empty name
  switch (reader.ReadContent(key, 0)) {
  case TSnapshotReader::TOutcome::Read:
    break;
  case TSnapshotReader::TOutcome::Gone:
    // The watched key itself was deleted: everything it held is gone.
    snapshot.units_.assign({0, kReadable});
    if (Watches(filter, REG_NOTIFY_CHANGE_SECURITY)) {
      snapshot.units_.insert(snapshot.units_.end(), 4, 0);
    }
    snapshot.units_.insert(snapshot.units_.end(),
                           Watches(filter, REG_NOTIFY_CHANGE_LAST_SET) ? 4 : 2, 0);
    snapshot.items_ = 0;
    break;
  case TSnapshotReader::TOutcome::TooLarge:
  case TSnapshotReader::TOutcome::Unreadable:
    snapshot.tooLarge_ = true;
    snapshot.units_.clear();
    break;
  }
  snapshot.units_.shrink_to_fit();
  return snapshot;
}

namespace {

// Reads the packed form in the order in which it was written.
class Cursor {
public:
  explicit Cursor(const std::vector<wchar_t>& units) : at_(units.data()) {}

  size_t Varint() {
    size_t value = 0;
    for (unsigned shift = 0;; shift += kVarintBits) {
      const wchar_t unit = *at_++;
      value |= static_cast<size_t>(unit & (kVarintMore - 1)) << shift;
      if ((unit & kVarintMore) == 0) {
        return value;
      }
    }
  }
  uint32_t Fixed32() {
    const uint32_t value = static_cast<uint32_t>(at_[0]) | static_cast<uint32_t>(at_[1]) << 16;
    at_ += 2;
    return value;
  }
  uint64_t Digest() {
    uint64_t value;
    std::memcpy(&value, at_, sizeof value);
    at_ += sizeof value / sizeof(wchar_t);
    return value;
  }
  bool Readable() { return *at_++ == kReadable; }
  Name ReadName() {
    Name name;
    name.length = Varint();
    name.text = at_;
    at_ += name.length;
    return name;
  }

  struct Value {
    Name name;
    DWORD type = REG_NONE;
    const wchar_t* data = nullptr;
    size_t size = 0;

    TRegistryValue Copy() const {
      TRegistryValue value;
      value.Type = type;
      const auto* bytes = reinterpret_cast<const BYTE*>(data);
      value.Data.assign(bytes, bytes + size);
      return value;
    }
    bool SameData(const Value& other) const {
      return type == other.type && size == other.size && std::memcmp(data, other.data, size) == 0;
    }
  };
  Value ReadValue() {
    Value value;
    value.name = ReadName();
    value.type = static_cast<DWORD>(Varint());
    value.size = Varint();
    value.data = at_;
    at_ += (value.size + 1) / 2;
    return value;
  }

private:
  const wchar_t* at_;
};

Name NameOf(Name name) {
  return name;
}
Name NameOf(const Cursor::Value& value) {
  return value.name;
}

// Walks two lists held sorted by name (a count, then the items, each read by `read`) side by side:
// `visit(order, was, is)` gets each name once, with order < 0 when only `before` holds it, > 0 when
// only `after` does and 0 when both do. Each item is read only after the one before has been
// visited, so a visit may read on past it (a key's content).
template <typename Item, typename Visit>
void MergeByName(Cursor& before, Cursor& after, Item (Cursor::*read)(), Visit visit) {
  uint32_t beforeLeft = before.Fixed32();
  uint32_t afterLeft = after.Fixed32();
  Item was{};
  Item is{};
  if (beforeLeft > 0) {
    was = (before.*read)();
  }
  if (afterLeft > 0) {
    is = (after.*read)();
  }
  while (beforeLeft > 0 || afterLeft > 0) {
    const Name wasName = NameOf(was);
    const Name isName = NameOf(is);
    const int order = beforeLeft == 0 ? 1
                      : afterLeft == 0
                          ? -1
                          : CompareNames(wasName.text, wasName.length, isName.text, isName.length);
    visit(order, was, is);
    if (order <= 0 && --beforeLeft > 0) {
      was = (before.*read)();
    }
    if (order >= 0 && --afterLeft > 0) {
      is = (after.*read)();
    }
  }
}

class SnapshotComparison {
public:
  SnapshotComparison(DWORD filter, std::vector<TRegistryDifference>& differences)
      : filter_(filter), differences_(differences) {}

  void CompareContent(Cursor& before, Cursor& after, const std::wstring& path);
  enum class TListing { Added, Deleted, Skip };
  // The whole content of a key that only one reading holds: as added, as deleted, or passed over.
  void ListContent(Cursor& cursor, const std::wstring& path, TListing listing) {
    if (cursor.Readable()) {
      ListReadableContent(cursor, path, listing);
    }
  }
  // The same, with the flags unit read.
  void ListReadableContent(Cursor& cursor, const std::wstring& path, TListing listing);

private:
  void Add(TDifferenceKind kind, const std::wstring& keyPath, Name valueName = {},
           TRegistryValue old = {}, TRegistryValue now = {}) {
    differences_.push_back({kind, keyPath, std::wstring(valueName.text, valueName.length),
                            std::move(old), std::move(now)});
  }
  bool Values() const { return Watches(filter_, REG_NOTIFY_CHANGE_LAST_SET); }
  bool Security() const { return Watches(filter_, REG_NOTIFY_CHANGE_SECURITY); }
  bool Keys() const { return Watches(filter_, REG_NOTIFY_CHANGE_NAME); }

  const DWORD filter_;
  std::vector<TRegistryDifference>& differences_;
};

void SnapshotComparison::ListReadableContent(Cursor& cursor, const std::wstring& path,
                                             TListing listing) {
  if (Security()) {
    cursor.Digest();
  }
  if (Values()) {
    for (uint32_t count = cursor.Fixed32(); count > 0; --count) {
      const Cursor::Value value = cursor.ReadValue();
      if (listing == TListing::Added) {
        Add(TDifferenceKind::ValueAdded, path, value.name, {}, value.Copy());
      } else if (listing == TListing::Deleted) {
        Add(TDifferenceKind::ValueDeleted, path, value.name, value.Copy());
      }
    }
  }
  for (uint32_t count = cursor.Fixed32(); count > 0; --count) {
    const Name name = cursor.ReadName();
    const std::wstring childPath = listing == TListing::Skip ? path : ChildPath(path, name);
    if (Keys() && listing != TListing::Skip) {
      Add(listing == TListing::Added ? TDifferenceKind::KeyAdded : TDifferenceKind::KeyDeleted,
          childPath);
    }
    ListContent(cursor, childPath, listing);
  }
}

void SnapshotComparison::CompareContent(Cursor& before, Cursor& after, const std::wstring& path) {
  const bool beforeReadable = before.Readable();
  const bool afterReadable = after.Readable();
  if (!beforeReadable || !afterReadable) {
    // Unknown on one side: nothing below it is compared, and the readable side is passed over.
    if (beforeReadable) {
      ListReadableContent(before, path, TListing::Skip);
    }
    if (afterReadable) {
      ListReadableContent(after, path, TListing::Skip);
    }
    return;
  }
  if (Security()) {
    const uint64_t was = before.Digest();
    const uint64_t is = after.Digest();
    if (was != 0 && is != 0 && was != is) {
      Add(TDifferenceKind::SecurityChanged, path);
    }
  }
  if (Values()) {
    MergeByName(before, after, &Cursor::ReadValue,
                [&](int order, const Cursor::Value& was, const Cursor::Value& is) {
                  if (order < 0) {
                    Add(TDifferenceKind::ValueDeleted, path, was.name, was.Copy());
                  } else if (order > 0) {
                    Add(TDifferenceKind::ValueAdded, path, is.name, {}, is.Copy());
                  } else if (!was.SameData(is)) {
                    Add(TDifferenceKind::ValueChanged, path, is.name, was.Copy(), is.Copy());
                  }
                });
  }
  MergeByName(before, after, &Cursor::ReadName, [&](int order, Name was, Name is) {
    if (order < 0) {
      const std::wstring childPath = ChildPath(path, was);
      if (Keys()) {
        Add(TDifferenceKind::KeyDeleted, childPath);
      }
      ListContent(before, childPath, TListing::Deleted);
    } else if (order > 0) {
      const std::wstring childPath = ChildPath(path, is);
      if (Keys()) {
        Add(TDifferenceKind::KeyAdded, childPath);
      }
      ListContent(after, childPath, TListing::Added);
    } else {
      CompareContent(before, after, ChildPath(path, is));
    }
  });
}

} // namespace

std::vector<TRegistryDifference> CompareSnapshots(const TRegistrySnapshot& before,
                                                  const TRegistrySnapshot& after) {
  std::vector<TRegistryDifference> differences;
  if (before.tooLarge_ || after.tooLarge_ || before.units_.empty() || after.units_.empty() ||
      before.filter_ != after.filter_) {
    return differences;
  }
  Cursor was(before.units_);
  Cursor is(after.units_);
  was.ReadName();
  is.ReadName();
  SnapshotComparison(before.filter_, differences).CompareContent(was, is, L"");
  return differences;
}

} // namespace hivelark
