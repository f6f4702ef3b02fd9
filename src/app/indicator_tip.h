// The tooltip of a port's indicator: what a double-click does, and what the port did
// last and will do next.
#pragma once

#include <optional>
#include <string>

#include "form/form_state.h"
#include "scheduler/scheduler.h"

namespace dorvan {

// "PORT 03 — çift tıklayınca kapanır. Son: AÇIK, 08.12.2026 07:30:00 (çizelge).
// Sıradaki: KAPALI, 08.12.2026 08:00:00." on one line; "Son" is left out for a port not
// switched in this run, "Sıradaki" for one with nothing after `now` that can fire. A port
// with extra windows says how many windows it has ("3 pencere.") after the first sentence,
// and its next switching is the next of all of them.
std::string indicatorTip(const FormState& form, const PortControls& port, const std::optional<PortRecord>& last,
                         WallSecond now, const Almanac& almanac);

}  // namespace dorvan
