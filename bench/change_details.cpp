// What a monitor that logs what changed does between its wake and its report: read the watched
// subtree (all kinds of change watched) and compare it with the last reading, after one value was
// changed. Against a plain enumeration of the same subtree with the same wide calls, measured in
// the same run: open each sub-key, ask it for its sizes, enumerate its sub-keys and every value's
// name and data. And the memory a reading holds against the bytes of the names and data it
// describes.
//
// Usage: bench_change_details [runs] [runs at 100,000 values]

#include "BenchSupport.h"
#include "framework/Handles.h"
#include "monitor/RegistryAccess.h"
#include "monitor/RegistrySnapshot.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace hivelark;

namespace {

constexpr size_t kSizes[] = {1000, 10000, 100000};
constexpr size_t kValuesPerKey = 100;
constexpr double kTimeGoal = 1.3;
constexpr double kMemoryGoal = 2;
// The value that every run changes, in a nested key in the middle of the subtree.
constexpr size_t kChangedValue = 50;

std::wstring Numbered(const wchar_t* prefix, size_t number, size_t digits) {
  std::wstring text = std::to_wstring(number);
  return prefix + std::wstring(digits > text.size() ? digits - text.size() : 0, L'0') + text;
}

// Keys of kValuesPerKey values each, ten to a group; every fifth one nested in the one before it.
std::wstring LeafPath(size_t leaf) {
  const std::wstring group = Numbered(L"Group ", leaf / 10, 3) + L"\\";
  if (leaf % 5 == 4) {
    return group + Numbered(L"Key ", leaf - 1, 5) + L"\\" + Numbered(L"Key ", leaf, 5);
  }
  return group + Numbered(L"Key ", leaf, 5);
}

uint32_t Mixed(size_t leaf, size_t value) {
  uint32_t state = static_cast<uint32_t>(leaf * 2654435761u + value * 40503u + 1);
  state ^= state >> 15;
  state *= 2246822519u;
  return state ^ (state >> 13);
}

// Half texts of 10 to 60 characters, three tenths DWORDs, the rest binaries of 4 to 32 bytes.
void WriteValue(HKEY key, size_t leaf, size_t index) {
  static const wchar_t kWords[] = L"lorem ipsum dolor sit amet consectetur adipiscing elit sed do "
                                  L"eiusmod tempor incididunt ut labore";
  const uint32_t mixed = Mixed(leaf, index);
  const std::wstring name = Numbered(L"Value ", index, 5);
  if (mixed % 10 < 5) {
    const size_t length = 10 + (mixed >> 8) % 51;
    const std::wstring text(kWords + (mixed >> 16) % 30, length);
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  } else if (mixed % 10 < 8) {
    // Below a million: the changed value's data never equals what was written first.
    const DWORD data = (mixed >> 4) % 1000000;
    RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                   sizeof data);
  } else {
    BYTE data[32];
    const size_t size = 4 + (mixed >> 8) % 29;
    for (size_t at = 0; at < size; ++at) {
      data[at] = static_cast<BYTE>(mixed >> (at % 4 * 8)) ^ static_cast<BYTE>(at);
    }
    RegSetValueExW(key, name.c_str(), 0, REG_BINARY, data, static_cast<DWORD>(size));
  }
}

void WriteTree(const std::wstring& root, size_t values) {
  for (size_t leaf = 0; leaf < values / kValuesPerKey; ++leaf) {
    UniqueKey key;
    RegCreateKeyExW(HKEY_CURRENT_USER, (root + L"\\" + LeafPath(leaf)).c_str(), 0, nullptr, 0,
                    KEY_SET_VALUE, nullptr, key.put(), nullptr);
    for (size_t index = 0; index < kValuesPerKey; ++index) {
      WriteValue(key.get(), leaf, index);
    }
  }
}

struct Enumerated {
  size_t keys = 0;
  size_t values = 0;
  size_t nameBytes = 0;
  size_t dataBytes = 0;
};

// The baseline: every key opened, asked for its sizes, and every sub-key name and value read.
void Enumerate(HKEY key, Enumerated& counted, std::vector<wchar_t>& name, std::vector<BYTE>& data) {
  DWORD subKeys = 0;
  DWORD maxSubKeyLength = 0;
  DWORD values = 0;
  DWORD maxValueNameLength = 0;
  DWORD maxDataSize = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLength, nullptr, &values,
                       &maxValueNameLength, &maxDataSize, nullptr, nullptr) != ERROR_SUCCESS) {
    return;
  }
  name.resize(std::max<size_t>({name.size(), maxSubKeyLength + 1u, maxValueNameLength + 1u}));
  data.resize(std::max<size_t>({data.size(), maxDataSize, 1}));
  for (DWORD index = 0; index < values; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    if (RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(),
                      &dataSize) == ERROR_SUCCESS) {
      ++counted.values;
      counted.nameBytes += nameLength * sizeof(wchar_t);
      counted.dataBytes += dataSize;
    }
  }
  for (DWORD index = 0; index < subKeys; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    if (RegEnumKeyExW(key, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      continue;
    }
    ++counted.keys;
    counted.nameBytes += nameLength * sizeof(wchar_t);
    UniqueKey subKey;
    if (RegOpenKeyExW(key, name.data(), 0, KEY_READ, subKey.put()) == ERROR_SUCCESS) {
      Enumerate(subKey.get(), counted, name, data);
    }
  }
}

struct Measured {
  size_t values = 0;
  int runs = 0;
  Enumerated enumerated;
  size_t snapshotItems = 0;
  size_t snapshotBytes = 0;
  double plainMs = 0;
  double monitorMs = 0;
  double readMs = 0;
  double compareMs = 0;
  // Empty when every comparison found exactly the one changed value.
  std::string fault;
};

double Milliseconds(LONGLONG from, LONGLONG to) {
  return bench::Microseconds(to - from) / 1000;
}

Measured Measure(const std::wstring& root, size_t values, int runs) {
  Measured measured;
  measured.values = values;
  measured.runs = runs;
  RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
  WriteTree(root, values);
  UniqueKey watched;
  RegOpenKeyExW(HKEY_CURRENT_USER, root.c_str(), 0, KEY_READ, watched.put());
  const std::wstring changedPath = LeafPath(values / kValuesPerKey / 2 - 1);
  const std::wstring changedName = Numbered(L"Value ", kChangedValue, 5);
  UniqueKey changed;
  RegOpenKeyExW(watched.get(), changedPath.c_str(), 0, KEY_SET_VALUE, changed.put());

  std::vector<wchar_t> name;
  std::vector<BYTE> data;
  TRegistrySnapshot previous = TRegistrySnapshot::Read(watched.get(), kNotifyAllChanges);
  std::vector<double> plainTimes;
  std::vector<double> monitorTimes;
  std::vector<double> readTimes;
  std::vector<double> compareTimes;
  for (int run = 0; run < runs; ++run) {
    const DWORD written = 1000000 + static_cast<DWORD>(run);
    RegSetValueExW(changed.get(), changedName.c_str(), 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&written), sizeof written);
    // The order alternates so that a slow spell of the machine weighs on both alike.
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn == 0) == (run % 2 == 0)) {
        Enumerated counted;
        const LONGLONG start = bench::Now();
        Enumerate(watched.get(), counted, name, data);
        plainTimes.push_back(Milliseconds(start, bench::Now()));
        measured.enumerated = counted;
        continue;
      }
      const LONGLONG start = bench::Now();
      TRegistrySnapshot now = TRegistrySnapshot::Read(watched.get(), kNotifyAllChanges);
      const LONGLONG read = bench::Now();
      const std::vector<TRegistryDifference> differences = CompareSnapshots(previous, now);
      const LONGLONG compared = bench::Now();
      monitorTimes.push_back(Milliseconds(start, compared));
      readTimes.push_back(Milliseconds(start, read));
      compareTimes.push_back(Milliseconds(read, compared));
      const auto* bytes = reinterpret_cast<const BYTE*>(&written);
      const bool found =
          differences.size() == 1 && differences[0].Kind == TDifferenceKind::ValueChanged &&
          differences[0].KeyPath == changedPath && differences[0].ValueName == changedName &&
          differences[0].New.Data == std::vector<BYTE>(bytes, bytes + sizeof written);
      if (!found && measured.fault.empty()) {
        measured.fault = bench::Format("ENTRIES MISSING: run %d found %zu differences, not the one "
                                       "changed value",
                                       run + 1, differences.size());
      }
      measured.snapshotItems = now.ItemCount();
      measured.snapshotBytes = now.MemoryBytes();
      previous = std::move(now);
    }
  }
  const Enumerated& counted = measured.enumerated;
  if (measured.fault.empty() &&
      (counted.values != values || measured.snapshotItems != counted.keys + counted.values)) {
    measured.fault = bench::Format("ENTRIES MISSING: %zu values written, %zu enumerated; %zu keys "
                                   "and values enumerated, %zu in the reading",
                                   values, counted.values, counted.keys + counted.values,
                                   measured.snapshotItems);
  }
  measured.plainMs = bench::Percentile(plainTimes, 0.5);
  measured.monitorMs = bench::Percentile(monitorTimes, 0.5);
  measured.readMs = bench::Percentile(readTimes, 0.5);
  measured.compareMs = bench::Percentile(compareTimes, 0.5);
  changed.reset();
  watched.reset();
  RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
  return measured;
}

} // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const int largeRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  const std::wstring root = L"Software\\HivelarkBench\\" + std::to_wstring(GetCurrentProcessId());
  std::vector<Measured> results;
  for (const size_t values : kSizes) {
    results.push_back(Measure(root, values, values >= 100000 ? largeRuns : runs));
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\HivelarkBench");

  std::printf("Reading a subtree (filter %lu) and comparing it with the last reading after one "
              "value changed, against a plain enumeration; medians (milliseconds)\n\n",
              kNotifyAllChanges);
  std::printf("| %7s | %5s | %4s | %9s | %9s | %6s | %8s | %8s |\n", "values", "keys", "runs",
              "plain ms", "ms", "ratio", "read ms", "compare");
  std::printf(
      "|---------|-------|------|-----------|-----------|--------|----------|----------|\n");
  for (const Measured& measured : results) {
    std::printf("| %7zu | %5zu | %4d | %9.1f | %9.1f | %6s | %8.1f | %8.1f |\n", measured.values,
                measured.enumerated.keys, measured.runs, measured.plainMs, measured.monitorMs,
                bench::Ratio(measured.monitorMs, measured.plainMs).c_str(), measured.readMs,
                measured.compareMs);
  }
  std::printf("\nMemory a reading holds against the names (UTF-16) and data it describes\n\n");
  std::printf("| %7s | %12s | %12s | %6s |\n", "values", "names + data", "reading", "ratio");
  std::printf("|---------|--------------|--------------|--------|\n");
  bool faulty = false;
  for (const Measured& measured : results) {
    const size_t described = measured.enumerated.nameBytes + measured.enumerated.dataBytes;
    std::printf(
        "| %7zu | %12s | %12s | %6s |\n", measured.values, bench::Grouped(described).c_str(),
        bench::Grouped(measured.snapshotBytes).c_str(),
        bench::Ratio(static_cast<double>(measured.snapshotBytes), static_cast<double>(described))
            .c_str());
  }
  std::printf("\n");
  for (const Measured& measured : results) {
    std::printf("%s values: %s\n", bench::Grouped(measured.values).c_str(),
                measured.fault.empty() ? "every comparison found exactly the one changed value"
                                       : measured.fault.c_str());
    faulty = faulty || !measured.fault.empty();
  }
  for (const Measured& measured : results) {
    const std::string values = bench::Grouped(measured.values);
    bench::Summary(
        bench::Format("read + compare after one change, %s values (median of %d)", values.c_str(),
                      measured.runs),
        bench::Format("%.1f ms", measured.monitorMs),
        bench::Format("%.1f ms plain enumeration", measured.plainMs),
        bench::Ratio(measured.monitorMs, measured.plainMs), "<= 1.3",
        bench::Met(measured.fault.empty() && measured.monitorMs <= kTimeGoal * measured.plainMs));
    const size_t described = measured.enumerated.nameBytes + measured.enumerated.dataBytes;
    bench::Summary(
        bench::Format("memory of a reading, %s values", values.c_str()),
        bench::Format("%s bytes", bench::Grouped(measured.snapshotBytes).c_str()),
        bench::Format("%s bytes names + data", bench::Grouped(described).c_str()),
        bench::Ratio(static_cast<double>(measured.snapshotBytes), static_cast<double>(described)),
        "<= 2",
        bench::Met(measured.fault.empty() && static_cast<double>(measured.snapshotBytes) <=
                                                 kMemoryGoal * static_cast<double>(described)));
  }
  // A reading that misses what changed would be timed doing less than its work.
  return faulty ? 1 : 0;
}
