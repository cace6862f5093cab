#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <string>
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

// printf into a string, for the cells of a summary row.
inline std::string Format(const char* format, ...) {
  char text[256];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof(text), format, arguments);
  va_end(arguments);
  return text;
}

// A count with its thousands grouped: 10,000.
inline std::string Grouped(size_t count) {
  std::string digits = std::to_string(count);
  for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<size_t>(at), ",");
  }
  return digits;
}

inline std::string Ratio(double result, double baseline) {
  return baseline > 0 ? Format("%.2f", result / baseline) : "-";
}

inline const char* Met(bool met) {
  return met ? "yes" : "NO";
}

// One row of the combined report: scripts/bench.sh gathers the lines that begin with "summary|"
// from every benchmark's output into one table. A measure without a goal has "-" as goal and met.
inline void Summary(const std::string& measure, const std::string& result,
                    const std::string& baseline, const std::string& ratio, const std::string& goal,
                    const std::string& met) {
  std::printf("summary|%s|%s|%s|%s|%s|%s\n", measure.c_str(), result.c_str(), baseline.c_str(),
              ratio.c_str(), goal.c_str(), met.c_str());
}

} // namespace bench
