// Sunrise and sunset: the moment the sun's upper edge touches the horizon with
// standard refraction, that is its centre 0.833° below the horizon. The sun's place
// is NOAA's solar calculation (after Meeus' Astronomical Algorithms), solved at the
// moment of the event itself, which keeps it within seconds of a precise ephemeris
// at the latitudes people live at.
#pragma once

#include <cstdint>
#include <optional>

#include "base/clock.h"

namespace dorvan {

// Decimal degrees; north and east are positive.
struct Location {
  double latitude;
  double longitude;
  bool operator==(const Location&) const = default;
};

enum class SunEvent : std::uint8_t { Rise, Set };

// The sunrise or sunset of the solar day whose noon is nearest `aroundNoon`; none on a
// day the sun stays above or below the horizon.
std::optional<UtcSecond> sunEvent(SunEvent event, const Location& place, UtcSecond aroundNoon);

}  // namespace dorvan
