#include "scheduler/scheduler.h"

namespace dorvan {
namespace {

constexpr ControlId kTimeLabel = controlId("Label18");
constexpr ControlId kDateLabel = controlId("Label20");

// Both comparisons are always made: no short cut, so every tick does the same work.
bool instantIs(FormState& form, ControlId dateBox, ControlId timeBox, std::string_view date, std::string_view time) {
  const bool dateMatches = form.text(dateBox) == date;
  const bool timeMatches = form.text(timeBox) == time;
  return dateMatches & timeMatches;
}

}  // namespace

void runClockTick(FormState& form, Clock& clock, HidLibrary& library, Report& outputReport) {
  const TimeText time = formatTime(clock.now());
  form.setText(kTimeLabel, {time.data(), time.size()});
  const DateText date = formatDate(clock.now());
  form.setText(kDateLabel, {date.data(), date.size()});

  // The captions as shown: all twenty checks of this tick see the same instant.
  const std::string_view shownTime = form.text(kTimeLabel);
  const std::string_view shownDate = form.text(kDateLabel);
  for (const PortControls& p : kPortTable) {
    if (instantIs(form, p.startDate, p.startTime, shownDate, shownTime)) {
      form.setBackColor(p.indicator, kRed);
      SendPortCommand(library, outputReport, p.port, PortState::On);
    }
    if (instantIs(form, p.endDate, p.endTime, shownDate, shownTime)) {
      form.setBackColor(p.indicator, kBlue);
      SendPortCommand(library, outputReport, p.port, PortState::Off);
    }
  }
}

}  // namespace dorvan
