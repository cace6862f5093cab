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

RegionalSettings English() {
  RegionalSettings settings;
  settings.shortDatePattern = "M/d/yyyy";
  settings.timeSeparator = ":";
  settings.leadingZeroHour = false;
  settings.twelveHourClock = true;
  settings.morningMarker = "AM";
  settings.afternoonMarker = "PM";
  return settings;
}

RegionalSettings German() {
  RegionalSettings settings;
  settings.shortDatePattern = "dd.MM.yyyy";
  settings.timeSeparator = ":";
  settings.leadingZeroHour = true;
  settings.twelveHourClock = false;
  return settings;
}

// A region that writes the marker before the time, with its own separator.
RegionalSettings MarkerFirst() {
  RegionalSettings settings;
  settings.shortDatePattern = "yyyy-MM-dd";
  settings.timeSeparator = ".";
  settings.leadingZeroHour = true;
  settings.twelveHourClock = true;
  settings.morningMarker = "AM";
  settings.afternoonMarker = "PM";
  settings.markerFirst = true;
  return settings;
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
  EXPECT_EQ(FormatTimeStamp(At(2026, 3, 4, 7, 8, 9), German()), "04.03.2026 07:08:09");
  EXPECT_EQ(FormatTimeStamp(At(2026, 3, 4, 23, 59, 59), German()), "04.03.2026 23:59:59");
}

TEST(TimeStamp, MarkerBeforeTheTime) {
  EXPECT_EQ(FormatTimeStamp(At(2026, 3, 4, 15, 4, 5), MarkerFirst()), "2026-03-04 PM 03.04.05");
  EXPECT_EQ(FormatTimeStamp(At(2026, 3, 4, 8, 4, 5), MarkerFirst()), "2026-03-04 AM 08.04.05");
}

TEST(TimeStamp, ExactlyMidnightWritesOnlyTheDate) {
  SYSTEMTIME midnight = At(2026, 12, 31, 0, 0, 0);
  midnight.wMilliseconds = 999;
  EXPECT_EQ(FormatTimeStamp(midnight, English()), "12/31/2026") << "milliseconds are not looked at";
  EXPECT_EQ(FormatTimeStamp(midnight, German()), "31.12.2026");
}

TEST(TimeStamp, DatePatternPictures) {
  RegionalSettings settings = English();
  settings.monthNames[11] = "December";
  settings.shortMonthNames[11] = "Dec";
  settings.dayNames[3] = "Wednesday";
  settings.shortDayNames[3] = "Wed";
  const SYSTEMTIME time = At(2026, 12, 9, 10, 0, 0, 3);
  EXPECT_EQ(FormatDate(time, "dddd, MMMM d, yyyy", settings), "Wednesday, December 9, 2026");
  EXPECT_EQ(FormatDate(time, "ddd dd MMM yy", settings), "Wed 09 Dec 26");
  EXPECT_EQ(FormatDate(time, "d 'de' MMMM", settings), "9 de December");
  EXPECT_EQ(FormatDate(time, "d''M", settings), "912") << "an empty quote writes nothing";
  EXPECT_EQ(FormatDate(time, "'it''s' d", settings), "it's 9");
  EXPECT_EQ(FormatDate(time, "gg yyyy/M/d", settings), " 2026/12/9");
}

TEST(TimeStamp, RegionalSettingsOfRealLocales) {
  const SYSTEMTIME time = At(2026, 12, 9, 14, 5, 7);
  // The date part is the platform's own short date for each locale.
  for (const WORD language : {0x0409, 0x0407, 0x040C, 0x0411, 0x0412}) {
    SCOPED_TRACE(language);
    const LCID locale = MAKELCID(language, SORT_DEFAULT);
    const RegionalSettings settings = RegionalSettings::ForLocale(locale);
    char expected[128] = {};
    GetDateFormatA(locale, DATE_SHORTDATE, &time, nullptr, expected, sizeof(expected));
    EXPECT_EQ(FormatDate(time, settings.shortDatePattern, settings), expected);
  }
  const RegionalSettings english = RegionalSettings::ForLocale(MAKELCID(0x0409, SORT_DEFAULT));
  EXPECT_TRUE(english.twelveHourClock);
  EXPECT_EQ(english.morningMarker, "AM");
  EXPECT_EQ(FormatTimeStamp(time, english), "12/9/2026 2:05:07 PM");
  const RegionalSettings german = RegionalSettings::ForLocale(MAKELCID(0x0407, SORT_DEFAULT));
  EXPECT_FALSE(german.twelveHourClock);
  const std::string stamp = FormatTimeStamp(time, german);
  EXPECT_EQ(stamp.substr(stamp.size() - 9), " 14:05:07");
  EXPECT_EQ(german.monthNames[0], "Januar");
}
