// What DORVAN's own sun reckoning gives, for the tests that hold it against a precise
// ephemeris and against the Windows program:
//   sun_days days LAT LON FIRST_DAY COUNT   UTC seconds of each day's rise and set, "-" for none
//   sun_days next LAT LON DATE TIME AFTER   the next second of that date box and time box
//                                           after AFTER (wall seconds), as the page writes it
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/iso_time.h"
#include "scheduler/almanac.h"
#include "scheduler/instant.h"
#include "scheduler/sun.h"

namespace {

using namespace dorvan;

void printEvent(std::optional<UtcSecond> s) {
  if (s)
    std::printf(" %lld", static_cast<long long>(*s));
  else
    std::printf(" -");
}

int days(const Location& place, long long first, int count) {
  for (long long day = first; day < first + count; ++day) {
    // Mean solar noon of that UTC date at this longitude.
    const auto noon =
        static_cast<UtcSecond>(static_cast<double>(day * kSecondsPerDay + kSecondsPerDay / 2) - place.longitude * 240);
    std::printf("%lld", day);
    printEvent(sunEvent(SunEvent::Rise, place, noon));
    printEvent(sunEvent(SunEvent::Set, place, noon));
    std::printf("\n");
  }
  return 0;
}

int next(const Location& place, const char* date, const char* time, long long after) {
  Almanac almanac(systemClock());
  almanac.setPlace(place);
  const std::optional<WallSecond> at = nextOccurrence(readInstant(date, time), after, almanac);
  if (!at) return 1;
  std::printf("%s\n", isoLocal(localTimeOf(*at)).c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "days" && argc == 6)
    return days({std::atof(argv[2]), std::atof(argv[3])}, std::atoll(argv[4]), std::atoi(argv[5]));
  if (mode == "next" && argc == 7)
    return next({std::atof(argv[2]), std::atof(argv[3])}, argv[4], argv[5], std::atoll(argv[6]));
  std::fprintf(stderr, "usage: sun_days days LAT LON FIRST_DAY COUNT | next LAT LON DATE TIME AFTER\n");
  return 2;
}
