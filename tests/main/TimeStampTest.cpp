#include "main/TimeStamp.h"

#include <gtest/gtest.h>

using namespace hivelark;

namespace {

SYSTEMTIME At(int year, int month, int day, int hour, int minute, int second, int weekday = 3) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(day);
  time.wDayOfWeek = static_cast<WORD>(weekday);
  time.wHour = static_cast<WORD>(hour);
  time.wMinute = static_cast<WORD>(minute);
  time.wSecond = static_cast<WORD>(second);
  return time;
}

// The date part of these is US English, the same on every platform; the time rules vary.
RegionalSettings English() {
  RegionalSettings settings;
  settings.timeSeparator = ":";
  settings.leadingZeroHour = false;
  settings.twelveHourClock = true;
  settings.morningMarker = "AM";
  settings.afternoonMarker = "PM";
  return settings;
}

RegionalSettings TwentyFourHours() {
  RegionalSettings settings;
  settings.timeSeparator = ":";
  settings.leadingZeroHour = true;
  settings.twelveHourClock = false;
  return settings;
}

// A region that writes the marker before the time, with its own separator.
RegionalSettings MarkerFirst() {
  RegionalSettings settings;
  settings.timeSeparator = ".";
  settings.leadingZeroHour = true;
  settings.twelveHourClock = true;
  settings.morningMarker = "AM";
  settings.afternoonMarker = "PM";
  settings.markerFirst = true;
  return settings;
}

std::string SystemShortDate(LCID locale, const SYSTEMTIME& time) {
  char text[256] = {};
  GetDateFormatA(locale, DATE_SHORTDATE | LOCALE_USE_CP_ACP, &time, nullptr, text, sizeof(text));
  return text;
}

} // namespace

TEST(TimeStamp, TwelveHourClockWithMarkerAfterTheTime) {
  EXPECT_EQ(FormatTimeStamp(At(2026, 12, 9, 14, 5, 7), English()), "12/9/2026 2:05:07 PM");
  EXPECT_EQ(FormatTimeStamp(At(2026, 1, 2, 9, 30, 0), English()), "1/2/2026 9:30:00 AM");
  EXPECT_EQ(FormatTimeStamp(At(2026, 1, 2, 0, 0, 1), English()), "1/2/2026 12:00:01 AM")
      << "the hour after midnight is 12 on a 12-hour clock";
  EXPECT_EQ(FormatTimeStamp(At(2026, 1, 2, 12, 0, 0), English()), "1/2/2026 12:00:00 PM");
}

TEST(TimeStamp, TwentyFourHourClockWithLeadingZero) {
  EXPECT_EQ(FormatTimeStamp(At(2026, 3, 4, 7, 8, 9), TwentyFourHours()), "3/4/2026 07:08:09");
  EXPECT_EQ(FormatTimeStamp(At(2026, 3, 4, 23, 59, 59), TwentyFourHours()), "3/4/2026 23:59:59");
}

TEST(TimeStamp, MarkerBeforeTheTime) {
  EXPECT_EQ(FormatTimeStamp(At(2026, 3, 4, 15, 4, 5), MarkerFirst()), "3/4/2026 PM 03.04.05");
  EXPECT_EQ(FormatTimeStamp(At(2026, 3, 4, 8, 4, 5), MarkerFirst()), "3/4/2026 AM 08.04.05");
}

TEST(TimeStamp, ExactlyMidnightWritesOnlyTheDate) {
  SYSTEMTIME midnight = At(2026, 12, 31, 0, 0, 0);
  midnight.wMilliseconds = 999;
  EXPECT_EQ(FormatTimeStamp(midnight, English()), "12/31/2026") << "milliseconds are not looked at";
  EXPECT_EQ(FormatTimeStamp(midnight, TwentyFourHours()), "12/31/2026");
}

TEST(TimeStamp, DateIsTheSystemsShortDateInTheLocalesOwnCalendar) {
  const SYSTEMTIME midnight = At(2026, 12, 9, 0, 0, 0);
  const SYSTEMTIME afternoon = At(2026, 12, 9, 14, 5, 7);
  // Thai (a Buddhist year) and Saudi Arabian (a Hijri calendar) locales count the years in
  // calendars of their own; Japanese and Korean patterns carry characters of their own.
  const LCID locales[] = {LOCALE_USER_DEFAULT,
                          MAKELCID(0x0409, SORT_DEFAULT),
                          MAKELCID(0x0407, SORT_DEFAULT),
                          MAKELCID(0x041E, SORT_DEFAULT),
                          MAKELCID(0x0401, SORT_DEFAULT),
                          MAKELCID(0x0411, SORT_DEFAULT),
                          MAKELCID(0x0412, SORT_DEFAULT),
                          MAKELCID(0x040D, SORT_DEFAULT)};
  for (const LCID locale : locales) {
    SCOPED_TRACE(locale);
    const RegionalSettings settings = RegionalSettings::ForLocale(locale);
    const std::string date = SystemShortDate(locale, midnight);
    ASSERT_FALSE(date.empty());
    EXPECT_EQ(FormatTimeStamp(midnight, settings), date);
    EXPECT_EQ(FormatTimeStamp(afternoon, settings).rfind(date + " ", 0), 0u);
  }
  const RegionalSettings english = RegionalSettings::ForLocale(MAKELCID(0x0409, SORT_DEFAULT));
  EXPECT_TRUE(english.twelveHourClock);
  EXPECT_EQ(english.morningMarker, "AM");
  EXPECT_EQ(FormatTimeStamp(afternoon, english), "12/9/2026 2:05:07 PM");
  const RegionalSettings german = RegionalSettings::ForLocale(MAKELCID(0x0407, SORT_DEFAULT));
  EXPECT_FALSE(german.twelveHourClock);
  const std::string stamp = FormatTimeStamp(afternoon, german);
  EXPECT_EQ(stamp.substr(stamp.size() - 9), " 14:05:07");
}
