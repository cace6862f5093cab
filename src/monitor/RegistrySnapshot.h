#pragma once

#include "monitor/RegistryDifference.h"

#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

namespace hivelark {

// The most keys and values a reading holds. A larger subtree is read no further: its reports say
// that it is too large rather than hold the monitor's thread and memory without bound.
constexpr size_t kSnapshotItemLimit = 200000;

// One reading of a key's whole subtree, of what a notify filter watches: the names of the sub-keys
// (always), every value's name, type and data (with REG_NOTIFY_CHANGE_LAST_SET) and each key's
// security (with REG_NOTIFY_CHANGE_SECURITY). Sub-keys and values are held sorted by name, letter
// case aside as the registry compares names, in one packed block: the memory it takes is close to
// that of the names and data it describes. Read on the monitor's thread; movable, not copied.
class TRegistrySnapshot {
public:
  // An empty reading: nothing read, not too large.
  TRegistrySnapshot() = default;
  TRegistrySnapshot(TRegistrySnapshot&&) = default;
  TRegistrySnapshot& operator=(TRegistrySnapshot&&) = default;
  TRegistrySnapshot(const TRegistrySnapshot&) = delete;
  TRegistrySnapshot& operator=(const TRegistrySnapshot&) = delete;

  // Reads the subtree of `key`, which the caller keeps open (it needs KEY_READ). Sub-keys are
  // opened in the SystemRegistryView. A sub-key that cannot be read (no access) is held as
  // unreadable: present, its contents unknown. A watched key deleted meanwhile reads as empty.
  // Past `limit` keys and values below the key the reading stops: TooLarge, holding nothing. So it
  // does, holding nothing, when `cancelled` (asked at each key) says so.
  static TRegistrySnapshot Read(HKEY key, DWORD filter, size_t limit = kSnapshotItemLimit,
                                const std::function<bool()>& cancelled = {});

  bool TooLarge() const { return tooLarge_; }
  // The keys (the read key itself not counted) and values it describes.
  size_t ItemCount() const { return items_; }
  // The bytes it holds in memory.
  size_t MemoryBytes() const { return units_.capacity() * sizeof(wchar_t) + sizeof(*this); }

private:
  friend class TSnapshotReader;
  friend std::vector<TRegistryDifference> CompareSnapshots(const TRegistrySnapshot& before,
                                                           const TRegistrySnapshot& after);

  DWORD filter_ = 0;
  bool tooLarge_ = false;
  size_t items_ = 0;
  std::vector<wchar_t> units_;
};

// Every difference from `before` to `after` (readings of the same key with the same filter) of the
// kinds that the filter watches: keys added and deleted (REG_NOTIFY_CHANGE_NAME), values added,
// changed and deleted (REG_NOTIFY_CHANGE_LAST_SET) and changed security
// (REG_NOTIFY_CHANGE_SECURITY). The values of an added or deleted key count as added or deleted
// too, and so do its sub-keys. Nothing below a key that either reading could not read is
// compared. In the order of a walk through the tree, by name; empty when either is too large.
std::vector<TRegistryDifference> CompareSnapshots(const TRegistrySnapshot& before,
                                                  const TRegistrySnapshot& after);

} // namespace hivelark
