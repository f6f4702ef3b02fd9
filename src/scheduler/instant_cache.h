// What each date box and time box of the table name together, kept from tick to tick
// and read again only when one of the two texts has changed: recognising the repeat
// words of a whole table on every tick would cost more than the rest of the tick.
#pragma once

#include <array>
#include <cstdint>

#include "form/form_state.h"
#include "form/window_layout.h"
#include "scheduler/repeat.h"

namespace dorvan {

class InstantCache {
 public:
  const Instant& of(const FormState& form, ControlId dateBox, ControlId timeBox) {
    Entry& e = byDateBox_[dateBox];
    const std::uint32_t date = form.textRevision(dateBox);
    const std::uint32_t time = form.textRevision(timeBox);
    if (e.form != &form || e.dateRevision != date || e.timeRevision != time)
      e = {&form, date, time, readInstant(form.text(dateBox), form.text(timeBox))};
    return e.instant;
  }

 private:
  struct Entry {
    const FormState* form = nullptr;
    std::uint32_t dateRevision = 0;
    std::uint32_t timeRevision = 0;
    Instant instant;
  };
  std::array<Entry, kControls.size()> byDateBox_{};
};

}  // namespace dorvan
