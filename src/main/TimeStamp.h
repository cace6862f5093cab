#pragma once

#include <windows.h>

#include <string>

namespace hivelark {

// What the user's regional settings say about writing a date and a time.
struct RegionalSettings {
  // The locale whose short date the system writes, in its own calendar and pattern.
  LCID locale = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
  std::string timeSeparator = ":";
  bool leadingZeroHour = false;
  bool twelveHourClock = true;
  std::string morningMarker = "AM";
  std::string afternoonMarker = "PM";
  // Whether the morning or afternoon marker stands before the time.
  bool markerFirst = false;

  // The settings of a locale; LOCALE_USER_DEFAULT gives the user's own.
  static RegionalSettings ForLocale(LCID locale);
};

// The locale's short date as the system writes it, then, unless the time of day is exactly
// 00:00:00, one blank and the time: the hour (two digits with a leading zero where the region asks
// for one, 1 to 12 on a 12-hour clock), the separator, two-digit minutes, the separator, two-digit
// seconds, and on a 12-hour clock the morning or afternoon marker after one blank, or before the
// time followed by one blank where the region puts it first.
std::string FormatTimeStamp(const SYSTEMTIME& time, const RegionalSettings& settings);

} // namespace hivelark
