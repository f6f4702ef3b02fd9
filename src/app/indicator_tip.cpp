#include "app/indicator_tip.h"

namespace dorvan {

std::string indicatorTip(const FormState& form, const PortControls& port, const std::optional<PortRecord>& last,
                         WallSecond now, const Almanac& almanac) {
  using namespace journal_events;
  const bool on = last && last->state == PortState::On;
  std::string tip(kPortGrid[port.port - 1].portCaption);
  tip += on ? " — çift tıklayınca kapanır." : " — çift tıklayınca açılır.";
  if (const std::size_t extras = form.extras(port.port).size(); extras > 0) {
    tip += ' ';
    tip += std::to_string(extras + 1);
    tip += " pencere.";
  }
  if (last) {
    tip += " Son: ";
    tip += stateWord(last->state);
    tip += ", ";
    appendDateTime(tip, last->at);
    tip += ' ';
    appendCause(tip, last->cause, last->instant, last->who);
    tip += '.';
  }
  if (const std::optional<Switching> next = nextSwitching(form, port, now, almanac)) {
    tip += " Sıradaki: ";
    tip += stateWord(next->state);
    tip += ", ";
    appendDateTime(tip, localTimeOf(next->at));
    tip += '.';
  }
  return tip;
}

}  // namespace dorvan
