#include "main/TimeStamp.h"

#include <cstdio>

namespace hivelark {
namespace {

std::string LocaleText(LCID locale, LCTYPE type, const char* fallback) {
  char text[128] = {};
  if (GetLocaleInfoA(locale, type, text, sizeof(text)) == 0) {
    return fallback;
  }
  return text;
}

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof(text), "%02d", value % 100);
  return text;
}

// How many times the character at `position` repeats from there.
size_t RunLength(const std::string& pattern, size_t position) {
  size_t end = position;
  while (end < pattern.size() && pattern[end] == pattern[position]) {
    ++end;
  }
  return end - position;
}

} // namespace

RegionalSettings RegionalSettings::ForLocale(LCID locale) {
  RegionalSettings settings;
  settings.shortDatePattern = LocaleText(locale, LOCALE_SSHORTDATE, "M/d/yyyy");
  settings.timeSeparator = LocaleText(locale, LOCALE_STIME, ":");
  settings.leadingZeroHour = LocaleText(locale, LOCALE_ITLZERO, "0") == "1";
  settings.twelveHourClock = LocaleText(locale, LOCALE_ITIME, "0") == "0";
  settings.morningMarker = LocaleText(locale, LOCALE_S1159, "AM");
  settings.afternoonMarker = LocaleText(locale, LOCALE_S2359, "PM");
  settings.markerFirst = LocaleText(locale, LOCALE_ITIMEMARKPOSN, "0") == "1";
  for (int month = 0; month < 12; ++month) {
    settings.monthNames[month] = LocaleText(locale, LOCALE_SMONTHNAME1 + month, "");
    settings.shortMonthNames[month] = LocaleText(locale, LOCALE_SABBREVMONTHNAME1 + month, "");
  }
  // The platform counts the days from Monday (LOCALE_SDAYNAME1); SYSTEMTIME from Sunday.
  for (int day = 0; day < 7; ++day) {
    const int fromMonday = (day + 6) % 7;
    settings.dayNames[day] = LocaleText(locale, LOCALE_SDAYNAME1 + fromMonday, "");
    settings.shortDayNames[day] = LocaleText(locale, LOCALE_SABBREVDAYNAME1 + fromMonday, "");
  }
  return settings;
}

std::string FormatDate(const SYSTEMTIME& time, const std::string& pattern,
                       const RegionalSettings& settings) {
  std::string text;
  size_t position = 0;
  while (position < pattern.size()) {
    const char symbol = pattern[position];
    if (symbol == '\'') {
      // Quoted text; two quotes inside stand for one.
      ++position;
      while (position < pattern.size()) {
        if (pattern[position] == '\'') {
          if (position + 1 < pattern.size() && pattern[position + 1] == '\'') {
            text += '\'';
            position += 2;
            continue;
          }
          ++position;
          break;
        }
        text += pattern[position++];
      }
      continue;
    }
    const size_t run = RunLength(pattern, position);
    const int month = time.wMonth >= 1 && time.wMonth <= 12 ? time.wMonth - 1 : 0;
    const int day = time.wDayOfWeek <= 6 ? time.wDayOfWeek : 0;
    switch (symbol) {
    case 'd':
      if (run == 1) {
        text += std::to_string(time.wDay);
      } else if (run == 2) {
        text += TwoDigits(time.wDay);
      } else if (run == 3) {
        text += settings.shortDayNames[day];
      } else {
        text += settings.dayNames[day];
      }
      break;
    case 'M':
      if (run == 1) {
        text += std::to_string(time.wMonth);
      } else if (run == 2) {
        text += TwoDigits(time.wMonth);
      } else if (run == 3) {
        text += settings.shortMonthNames[month];
      } else {
        text += settings.monthNames[month];
      }
      break;
    case 'y':
      if (run == 1) {
        text += std::to_string(time.wYear % 100);
      } else if (run == 2) {
        text += TwoDigits(time.wYear);
      } else {
        text += std::to_string(time.wYear);
      }
      break;
    case 'g':
      break;
    default:
      text.append(run, symbol);
      break;
    }
    position += run;
  }
  return text;
}

std::string FormatTimeStamp(const SYSTEMTIME& time, const RegionalSettings& settings) {
  std::string text = FormatDate(time, settings.shortDatePattern, settings);
  if (time.wHour == 0 && time.wMinute == 0 && time.wSecond == 0) {
    return text;
  }
  int hour = time.wHour;
  if (settings.twelveHourClock) {
    hour %= 12;
    if (hour == 0) {
      hour = 12;
    }
  }
  std::string clock = settings.leadingZeroHour ? TwoDigits(hour) : std::to_string(hour);
  clock += settings.timeSeparator + TwoDigits(time.wMinute) + settings.timeSeparator +
           TwoDigits(time.wSecond);
  if (settings.twelveHourClock) {
    const std::string& marker = time.wHour < 12 ? settings.morningMarker : settings.afternoonMarker;
    clock = settings.markerFirst ? marker + " " + clock : clock + " " + marker;
  }
  return text + " " + clock;
}

} // namespace hivelark
