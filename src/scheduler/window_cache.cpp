#include "scheduler/window_cache.h"

namespace dorvan {
namespace {

// With no second to come, look again a day later: a new day's sun, or a place now known.
constexpr WallSecond kLookAgain = kSecondsPerDay;

}  // namespace

void WindowCache::reread(Entry& e, const FormState& form, const PortControls& port, const Almanac& almanac) {
  e = {&form,
       {form.textRevision(port.startDate), form.textRevision(port.startTime), form.textRevision(port.endDate),
        form.textRevision(port.endTime)},
       form.extrasRevision(port.port),
       almanac.revision(),
       readWindows(form, port),
       {}};
}

void WindowCache::lookAgain(Next& n, const Window& window, Edge edge, WallSecond shown, const Almanac& almanac) {
  const std::optional<WallSecond> at = nextOccurrence(window, edge, shown - 1, almanac);
  n = {true, !at, shown, at ? *at : shown + kLookAgain};
}

}  // namespace dorvan
