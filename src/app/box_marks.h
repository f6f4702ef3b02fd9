// A mark on every date or time box that can never fire although something is written
// in it: a typo ("7:30", "6.12.2026", a trailing space) must not leave a device in the
// wrong state without a word. The mark only informs; the tick never reads it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "form/extra_windows.h"
#include "form/form_state.h"
#include "form/form_view.h"
#include "form/window_layout.h"
#include "scheduler/almanac.h"

namespace dorvan {

enum class BoxFault : std::uint8_t {
  None,
  NotADate,              // neither a date the clock shows nor a repeat word
  NotATime,              // neither a time the clock shows nor a sun word
  NotAnEndTime,          // neither a time the clock shows, a sun word nor a duration
  DateMissing,           // the time of the instant is written, its date box empty
  TimeMissing,           // the date of the instant is written, its time box empty
  NoPlace,               // a sun word, but the settings file says nowhere where DORVAN is
  DurationInStart,       // a duration in a start time box
  DurationWithDate,      // a duration in the end time box, and a date in the end date box
  DurationWithoutStart,  // a duration after a start that never comes
};

// A window's four boxes.
struct WindowTexts {
  std::string_view startDate, startTime, endDate, endTime;
};

struct WindowFaults {
  BoxFault startDate = BoxFault::None, startTime = BoxFault::None, endDate = BoxFault::None, endTime = BoxFault::None;
  // The fault of one box, as a dialog's row walks its four boxes.
  BoxFault of(WindowBox box) const {
    switch (box) {
      case WindowBox::StartDate: return startDate;
      case WindowBox::StartTime: return startTime;
      case WindowBox::EndDate: return endDate;
      case WindowBox::EndTime: return endTime;
    }
    return BoxFault::None;
  }
  bool operator==(const WindowFaults&) const = default;
};

// An instant whose two boxes are empty is no fault, nor is a date in the past: it was due.
WindowFaults faultsOf(const WindowTexts& texts, bool placeKnown);
inline WindowFaults faultsOf(const ExtraWindow& w, bool placeKnown) {
  return faultsOf(WindowTexts{w.boxes[0], w.boxes[1], w.boxes[2], w.boxes[3]}, placeKnown);
}
// The tooltip of a box with this fault: what is wrong and the form that is right.
std::string_view faultText(BoxFault fault);

// Follows every change of the table's texts, and of the place, and tells the window
// which boxes to mark.
class BoxMarks final : public TextWatcher {
 public:
  BoxMarks(FormView& view, const Almanac& almanac) : view_(view), almanac_(almanac) {}

  void textChanged(const FormState& form, ControlId id) override;
  // Every port again: the place has changed.
  void refresh(const FormState& form);
  BoxFault fault(ControlId box) const { return faults_[box]; }

 private:
  void markPort(const FormState& form, int port);
  void mark(ControlId box, BoxFault fault);

  FormView& view_;
  const Almanac& almanac_;
  std::array<BoxFault, kControls.size()> faults_{};
};

}  // namespace dorvan
