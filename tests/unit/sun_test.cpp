// Sunrise and sunset against a precise ephemeris, and where a day has none. The
// reference times are python3-ephem 4.1.4's (Debian 12), for the sun's centre 0.833°
// below the horizon with no further refraction (pressure = 0, horizon = '-0:50',
// use_center=True), in UTC; tests/sun checks every day of a year the same way.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "fakes.h"
#include "scheduler/almanac.h"
#include "scheduler/sun.h"

namespace dorvan::test {
namespace {

// Our own formula keeps within 8 s of the ephemeris up to 65° of latitude; what must hold is 60 s.
constexpr UtcSecond kTolerance = 15;

// "HH:MM:SS" from 00:00 UTC of the date; a set after midnight is written past 24.
UtcSecond utcOn(LocalTime date, std::string_view hms) {
  const int h = std::stoi(std::string(hms.substr(0, 2)));
  const int m = std::stoi(std::string(hms.substr(3, 2)));
  const int s = std::stoi(std::string(hms.substr(6, 2)));
  return dayNumber(date) * kSecondsPerDay + h * 3600 + m * 60 + s;
}

TEST(Sun, RiseAndSetWithinSecondsOfTheEphemeris) {
  struct Row {
    std::string_view place;
    Location where;
    LocalTime date;
    std::string_view rise, set;
  };
  const Row rows[] = {
      {"Ankara", {39.9334, 32.8597}, at(2026, 3, 20, 0, 0, 0), "03:52:21", "16:00:21"},
      {"Ankara", {39.9334, 32.8597}, at(2026, 6, 21, 0, 0, 0), "02:20:04", "17:20:38"},
      {"Ankara", {39.9334, 32.8597}, at(2026, 12, 21, 0, 0, 0), "05:06:32", "14:26:36"},
      {"Edirne", {41.6771, 26.5557}, at(2026, 3, 29, 0, 0, 0), "04:02:09", "16:35:38"},
      {"Edirne", {41.6771, 26.5557}, at(2026, 9, 23, 0, 0, 0), "04:02:02", "16:09:36"},
      {"Edirne", {41.6771, 26.5557}, at(2026, 12, 21, 0, 0, 0), "05:37:16", "14:46:19"},
      {"Reykjavík", {64.1466, -21.9426}, at(2026, 3, 20, 0, 0, 0), "07:28:37", "19:43:24"},
      {"Reykjavík", {64.1466, -21.9426}, at(2026, 6, 21, 0, 0, 0), "02:55:12", "24:03:57"},
      {"Reykjavík", {64.1466, -21.9426}, at(2026, 12, 21, 0, 0, 0), "11:22:21", "15:29:21"},
      {"Nairobi", {-1.2921, 36.8219}, at(2026, 6, 21, 0, 0, 0), "03:33:04", "15:35:56"},
      {"Nairobi", {-1.2921, 36.8219}, at(2026, 9, 23, 0, 0, 0), "03:21:52", "15:28:22"},
      {"Buenos Aires", {-34.6037, -58.3816}, at(2026, 3, 29, 0, 0, 0), "10:03:48", "21:52:05"},
      {"Buenos Aires", {-34.6037, -58.3816}, at(2026, 6, 21, 0, 0, 0), "11:00:21", "20:50:24"},
      {"Buenos Aires", {-34.6037, -58.3816}, at(2026, 12, 21, 0, 0, 0), "08:37:17", "23:06:03"},
  };
  for (const Row& r : rows) {
    const UtcSecond noon = dayNumber(r.date) * kSecondsPerDay + kSecondsPerDay / 2;
    const std::optional<UtcSecond> rise = sunEvent(SunEvent::Rise, r.where, noon);
    const std::optional<UtcSecond> set = sunEvent(SunEvent::Set, r.where, noon);
    ASSERT_TRUE(rise && set) << r.place;
    EXPECT_NEAR(static_cast<double>(*rise), static_cast<double>(utcOn(r.date, r.rise)), kTolerance)
        << r.place << " " << r.date.month << "/" << r.date.day;
    EXPECT_NEAR(static_cast<double>(*set), static_cast<double>(utcOn(r.date, r.set)), kTolerance)
        << r.place << " " << r.date.month << "/" << r.date.day;
  }
}

TEST(Sun, APolarDayOrNightHasNoRiseAndNoSet) {
  const Location tromso{69.6492, 18.9553};
  for (const LocalTime date : {at(2026, 6, 21, 0, 0, 0), at(2026, 12, 21, 0, 0, 0)}) {
    const UtcSecond noon = dayNumber(date) * kSecondsPerDay + kSecondsPerDay / 2;
    EXPECT_EQ(sunEvent(SunEvent::Rise, tromso, noon), std::nullopt) << date.month;
    EXPECT_EQ(sunEvent(SunEvent::Set, tromso, noon), std::nullopt) << date.month;
  }
}

TEST(Sun, TheAlmanacGivesTheLocalDaysEventOnTheWallClock) {
  FakeClock clock;  // UTC+3
  Almanac almanac(clock);
  const std::int64_t day = dayNumber(at(2026, 12, 21, 0, 0, 0));
  EXPECT_EQ(almanac.sun(SunEvent::Set, day), std::nullopt) << "nowhere yet";
  almanac.setPlace(Location{39.9334, 32.8597});
  const std::optional<WallSecond> set = almanac.sun(SunEvent::Set, day);
  ASSERT_TRUE(set);
  EXPECT_NEAR(static_cast<double>(*set), static_cast<double>(wallSecond(at(2026, 12, 21, 17, 26, 36))), kTolerance);
}

}  // namespace
}  // namespace dorvan::test
