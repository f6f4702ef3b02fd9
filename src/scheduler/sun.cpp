#include "scheduler/sun.h"

#include <cmath>

namespace dorvan {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHorizon = -0.833;          // the centre's altitude at the event: refraction and the sun's radius
constexpr double kSecondsPerDegree = 240.0;  // of the hour angle
constexpr int kMostSteps = 8;

double radians(double degrees) { return degrees * kPi / 180.0; }
double degrees(double radians) { return radians * 180.0 / kPi; }

struct SunPlace {
  double declination;     // radians
  double equationOfTime;  // seconds by which true solar time runs ahead of mean solar time
};

// Julian centuries since J2000.0 of a UTC second.
double centuriesOf(double utc) { return (utc / 86400.0 + 2440587.5 - 2451545.0) / 36525.0; }

SunPlace sunAt(double utc) {
  const double t = centuriesOf(utc);
  const double meanLongitude = radians(std::fmod(280.46646 + t * (36000.76983 + t * 0.0003032), 360.0));
  const double anomaly = radians(357.52911 + t * (35999.05029 - 0.0001537 * t));
  const double eccentricity = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
  const double centre = std::sin(anomaly) * (1.914602 - t * (0.004817 + 0.000014 * t)) +
                        std::sin(2 * anomaly) * (0.019993 - 0.000101 * t) + std::sin(3 * anomaly) * 0.000289;
  const double node = radians(125.04 - 1934.136 * t);
  const double apparentLongitude = meanLongitude + radians(centre - 0.00569 - 0.00478 * std::sin(node));
  const double meanObliquity = 23.0 + (26.0 + (21.448 - t * (46.815 + t * (0.00059 - t * 0.001813))) / 60.0) / 60.0;
  const double obliquity = radians(meanObliquity + 0.00256 * std::cos(node));

  const double y = std::tan(obliquity / 2) * std::tan(obliquity / 2);
  const double equation = y * std::sin(2 * meanLongitude) - 2 * eccentricity * std::sin(anomaly) +
                          4 * eccentricity * y * std::sin(anomaly) * std::cos(2 * meanLongitude) -
                          0.5 * y * y * std::sin(4 * meanLongitude) -
                          1.25 * eccentricity * eccentricity * std::sin(2 * anomaly);
  return {std::asin(std::sin(obliquity) * std::sin(apparentLongitude)), degrees(equation) * kSecondsPerDegree};
}

}  // namespace

std::optional<UtcSecond> sunEvent(SunEvent event, const Location& place, UtcSecond aroundNoon) {
  // Mean solar noon at this longitude falls at this second of a UTC day; the day is the
  // one that puts it nearest the noon asked about.
  const double noonOfDay = 43200.0 - place.longitude * kSecondsPerDegree;
  const double day = std::round((static_cast<double>(aroundNoon) - noonOfDay) / 86400.0);
  const double meanNoon = day * 86400.0 + noonOfDay;
  const double side = event == SunEvent::Rise ? -1.0 : 1.0;
  const double latitude = radians(place.latitude);

  // The event is where the hour angle reaches the horizon's: both depend on the sun's
  // place at that very moment, so start at noon and move to the moment found until it stays.
  double at = meanNoon;
  for (int step = 0; step < kMostSteps; ++step) {
    const SunPlace sun = sunAt(at);
    const double cosHour = (std::sin(radians(kHorizon)) - std::sin(latitude) * std::sin(sun.declination)) /
                           (std::cos(latitude) * std::cos(sun.declination));
    if (cosHour < -1.0 || cosHour > 1.0) return std::nullopt;  // all day above, or below, the horizon
    const double next = meanNoon - sun.equationOfTime + side * degrees(std::acos(cosHour)) * kSecondsPerDegree;
    const bool settled = std::fabs(next - at) < 0.5;
    at = next;
    if (settled) break;
  }
  return static_cast<UtcSecond>(std::llround(at));
}

}  // namespace dorvan
