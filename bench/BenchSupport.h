#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

// Clock and statistics shared by the benchmarks.
namespace bench {

inline LONGLONG Now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

inline double Microseconds(LONGLONG ticks) {
  static const double frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return static_cast<double>(value.QuadPart);
  }();
  return static_cast<double>(ticks) * 1e6 / frequency;
}

// The value below which `fraction` of the samples lie (0.5: the median).
inline double Percentile(std::vector<double> samples, double fraction) {
  if (samples.empty()) {
    return 0;
  }
  std::sort(samples.begin(), samples.end());
  const auto index = static_cast<size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
  return samples[std::min(index, samples.size() - 1)];
}

inline double Mean(const std::vector<double>& samples, size_t from, size_t count) {
  double sum = 0;
  for (size_t index = from; index < from + count && index < samples.size(); ++index) {
    sum += samples[index];
  }
  return count == 0 ? 0 : sum / static_cast<double>(count);
}

} // namespace bench
