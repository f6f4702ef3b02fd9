// A mark on every date or time box that can never fire although something is written
// in it: a typo ("7:30", "6.12.2026", a trailing space) must not leave a device in the
// wrong state without a word. The mark only informs; the tick never reads it.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "form/form_state.h"
#include "form/form_view.h"
#include "form/window_layout.h"

namespace dorvan {

enum class BoxFault : std::uint8_t {
  None,
  NotADate,     // neither a date the clock shows nor a repeat word
  NotATime,     // not a time the clock shows
  DateMissing,  // the time of the instant is written, its date box empty
  TimeMissing,  // the date of the instant is written, its time box empty
};

struct InstantFaults {
  BoxFault date;
  BoxFault time;
  bool operator==(const InstantFaults&) const = default;
};

// An instant whose two boxes are empty is no fault, nor is a date in the past: it was due.
InstantFaults faultsOf(std::string_view date, std::string_view time);
// The tooltip of a box with this fault: what is wrong and the form that is right.
std::string_view faultText(BoxFault fault);

// Follows every change of the table's texts and tells the window which boxes to mark.
class BoxMarks final : public TextWatcher {
 public:
  explicit BoxMarks(FormView& view) : view_(view) {}

  void textChanged(const FormState& form, ControlId id) override;
  BoxFault fault(ControlId box) const { return faults_[box]; }

 private:
  void mark(ControlId box, BoxFault fault);

  FormView& view_;
  std::array<BoxFault, kControls.size()> faults_{};
};

}  // namespace dorvan
