#pragma once

#include <windows.h>

#include <array>
#include <string>

namespace hivelark {

// What the user's regional settings say about writing a date and a time.
struct RegionalSettings {
  // The short date pattern in the platform's picture format ("M/d/yyyy", "dd.MM.yyyy", ...).
  std::string shortDatePattern = "M/d/yyyy";
  std::string timeSeparator = ":";
  bool leadingZeroHour = false;
  bool twelveHourClock = true;
  std::string morningMarker = "AM";
  std::string afternoonMarker = "PM";
  // Whether the morning or afternoon marker stands before the time.
  bool markerFirst = false;
  std::array<std::string, 12> monthNames;
  std::array<std::string, 12> shortMonthNames;
  // Sunday first.
  std::array<std::string, 7> dayNames;
  std::array<std::string, 7> shortDayNames;

  // The settings of a locale; LOCALE_USER_DEFAULT gives the user's own.
  static RegionalSettings ForLocale(LCID locale);
};

// The date in the short date pattern, then, unless the time of day is exactly 00:00:00, one blank
// and the time: the hour (two digits with a leading zero where the region asks for one, 1 to 12
// on a 12-hour clock), the separator, two-digit minutes, the separator, two-digit seconds, and on
// a 12-hour clock the morning or afternoon marker after one blank, or before the time followed by
// one blank where the region puts it first.
std::string FormatTimeStamp(const SYSTEMTIME& time, const RegionalSettings& settings);

// A date in a pattern of the platform's picture format: d, dd, ddd, dddd, M, MM, MMM, MMMM, y,
// yy, yyyy, g (era, written as nothing here) and 'quoted' text.
std::string FormatDate(const SYSTEMTIME& time, const std::string& pattern,
                       const RegionalSettings& settings);

} // namespace hivelark
