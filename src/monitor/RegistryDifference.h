#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace hivelark {

// What a comparison of two readings of the watched subtree found, as data: the monitor knows
// nothing of how it is shown.

// The kinds of difference, in the order in which a report lists them.
enum class TDifferenceKind {
  KeyAdded,
  KeyDeleted,
  ValueAdded,
  ValueChanged,
  ValueDeleted,
  SecurityChanged,
};

// A value's type and data, byte for byte as the registry holds them: texts (REG_SZ,
// REG_EXPAND_SZ, REG_MULTI_SZ) in UTF-16, as the wide registry calls give them.
struct TRegistryValue {
  DWORD Type = REG_NONE;
  std::vector<BYTE> Data;

  bool operator==(const TRegistryValue&) const = default;
};

struct TRegistryDifference {
  TDifferenceKind Kind = TDifferenceKind::KeyAdded;
  // The key that was added, deleted or whose security changed, or that holds the value: its path
  // relative to the watched key, names joined by backslashes; empty for the watched key itself.
  std::wstring KeyPath;
  // Value kinds only: the value's name; empty for the key's default value.
  std::wstring ValueName;
  // ValueChanged and ValueDeleted: the value as it was.
  TRegistryValue Old;
  // ValueAdded and ValueChanged: the value as it is now.
  TRegistryValue New;

  bool operator==(const TRegistryDifference&) const = default;
};

// The details that travel with one report.
struct TChangeDetails {
  enum class TState {
    // The monitor was not asked for them: a report names the watched key alone.
    NotTaken,
    // `Differences` holds every difference between the reading before this report and the one
    // made for it that the monitor's filter watches; empty when none was found.
    Compared,
    // The watched subtree holds more keys and values than a reading may hold: nothing to show.
    TooLarge,
  };

  TState State = TState::NotTaken;
  std::vector<TRegistryDifference> Differences;

  bool operator==(const TChangeDetails&) const = default;
};

} // namespace hivelark
