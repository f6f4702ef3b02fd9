#include "app/web/week.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "base/iso_time.h"
#include "scheduler/week_plan.h"

namespace dorvan::web {
namespace {

// Each instant in ISO 8601 with its offset from UTC. The platform's conversion costs
// microseconds, and a full journal gives tens of thousands of instants, so each quarter
// hour of the fortnight (the finest step clocks change by) is converted once a request.
class IsoTimes {
 public:
  explicit IsoTimes(const WeekSpan& week)
      : from_(week.from), offsets_(static_cast<std::size_t>((week.to - week.from) / kQuarter + 1)) {}

  std::string of(WallSecond s) {
    const WallSecond quarter = (s - from_) / kQuarter;
    if (s < from_ || quarter >= static_cast<WallSecond>(offsets_.size())) return isoLocal(localTimeOf(s));
    std::optional<int>& offset = offsets_[static_cast<std::size_t>(quarter)];
    if (!offset) offset = utcOffsetMinutes(localTimeOf(from_ + quarter * kQuarter));
    return isoLocal(localTimeOf(s), *offset);
  }

  nlohmann::json of(const std::vector<OnInterval>& intervals) {
    nlohmann::json out = nlohmann::json::array();
    for (const OnInterval& i : intervals) out.push_back({of(i.on), of(i.off)});
    return out;
  }

 private:
  static constexpr WallSecond kQuarter = 15 * 60;
  WallSecond from_;
  std::vector<std::optional<int>> offsets_;
};

}  // namespace

nlohmann::json weekJson(MainForm& form, const SwitchHistory& history) {
  const WeekSpan week = weekAround(wallSecond(form.now()));
  IsoTimes iso(week);
  nlohmann::json ports = nlohmann::json::array();
  for (const PortControls& port : kPortTable) {
    const std::optional<PortRecord>& last = form.lastSwitching(port.port);
    const bool onNow = last && last->state == PortState::On;
    const PortWindows windows = readWindows(form.form(), port);
    ports.push_back({{"port", port.port},
                     {"past", iso.of(history.onBetween(port.port, week.from, week.now))},
                     {"planned", iso.of(plannedOn(windows, onNow, week.now, week.to, form.almanac()))}});
  }
  return {{"from", iso.of(week.from)}, {"to", iso.of(week.to)}, {"now", iso.of(week.now)}, {"ports", std::move(ports)}};
}

}  // namespace dorvan::web
