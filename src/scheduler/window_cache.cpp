#include "scheduler/window_cache.h"

namespace dorvan {
namespace {

// With no second to come, look again a day later: a new day's sun, or a place now known.
constexpr WallSecond kLookAgain = kSecondsPerDay;

}  // namespace

const Window& WindowCache::of(const FormState& form, const PortControls& port, const Almanac& almanac) {
  Entry& e = entries_[port.port - 1];
  const std::array<std::uint32_t, 4> revisions{form.textRevision(port.startDate), form.textRevision(port.startTime),
                                               form.textRevision(port.endDate), form.textRevision(port.endTime)};
  if (e.form != &form || e.revisions != revisions || e.place != almanac.revision()) {
    e = {&form,
         revisions,
         almanac.revision(),
         readWindow(form.text(port.startDate), form.text(port.startTime), form.text(port.endDate),
                    form.text(port.endTime)),
         {}};
  }
  return e.window;
}

bool WindowCache::dueAt(int port, Edge edge, WallSecond shown, const Almanac& almanac) {
  Entry& e = entries_[port - 1];
  Next& n = e.next[static_cast<int>(edge)];
  // A clock set back comes to seconds before the one looked from: look again from there.
  if (!n.known || shown < n.from || shown > n.until) {
    const std::optional<WallSecond> at = nextOccurrence(e.window, edge, shown - 1, almanac);
    n = {true, !at, shown, at ? *at : shown + kLookAgain};
  }
  return !n.none && n.until == shown;
}

}  // namespace dorvan
