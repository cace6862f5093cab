#include "main/TimeStamp.h"

#include <cstdio>

namespace hivelark {
namespace {

// The date and the time markers come in the system code page, as every text of the log, whatever
// the locale's own.
constexpr DWORD kShortDateFlags = DATE_SHORTDATE | LOCALE_USE_CP_ACP;

std::string LocaleText(LCID locale, LCTYPE type, const char* fallback) {
  char text[128] = {};
  if (GetLocaleInfoA(locale, type | LOCALE_USE_CP_ACP, text, sizeof(text)) == 0) {
    return fallback;
  }
  return text;
}

std::string TwoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof(text), "%02d", value % 100);
  return text;
}

// The system writes the date itself: only it knows the user's calendar (a Buddhist year, a
// Japanese era) and the pattern's characters in every code page.
std::string ShortDate(const SYSTEMTIME& time, LCID locale) {
  const int size = GetDateFormatA(locale, kShortDateFlags, &time, nullptr, nullptr, 0);
  if (size <= 0) {
    return {};
  }
  std::string text(static_cast<size_t>(size), '\0');
  const int written = GetDateFormatA(locale, kShortDateFlags, &time, nullptr, text.data(), size);
  text.resize(written > 0 ? static_cast<size_t>(written) - 1 : 0);
  return text;
}

} // namespace

RegionalSettings RegionalSettings::ForLocale(LCID locale) {
  RegionalSettings settings;
  settings.locale = locale;
  settings.timeSeparator = LocaleText(locale, LOCALE_STIME, ":");
  settings.leadingZeroHour = LocaleText(locale, LOCALE_ITLZERO, "0") == "1";
  settings.twelveHourClock = LocaleText(locale, LOCALE_ITIME, "0") == "0";
  settings.morningMarker = LocaleText(locale, LOCALE_S1159, "AM");
  settings.afternoonMarker = LocaleText(locale, LOCALE_S2359, "PM");
  settings.markerFirst = LocaleText(locale, LOCALE_ITIMEMARKPOSN, "0") == "1";
  return settings;
}

std::string FormatTimeStamp(const SYSTEMTIME& time, const RegionalSettings& settings) {
  std::string text = ShortDate(time, settings.locale);
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
