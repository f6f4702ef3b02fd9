// What each port's boxes name, kept from tick to tick and read again only when one of
// its texts or the place has changed: recognising the words of a whole table on every
// tick would cost more than the rest of the tick. For a sun word or a duration it also
// keeps the next second the edge falls at, so that a sun time is worked out once a
// day, and a tick only compares.
#pragma once

#include <array>
#include <cstdint>

#include "form/form_state.h"
#include "scheduler/instant.h"
#include "scheduler/port_table.h"

namespace dorvan {

class WindowCache {
 public:
  const Window& of(const FormState& form, const PortControls& port, const Almanac& almanac);
  // Whether the computed edge of the port's window, as `of` last read it, falls in this second.
  bool dueAt(int port, Edge edge, WallSecond shown, const Almanac& almanac);

 private:
  // The edge's first second at or after `from`, good until `until`; when there is none
  // for as far as was looked, it is looked for again after `until`.
  struct Next {
    bool known = false;
    bool none = true;
    WallSecond from = 0;
    WallSecond until = 0;
  };
  struct Entry {
    const FormState* form = nullptr;
    std::array<std::uint32_t, 4> revisions{};
    std::uint32_t place = 0;
    Window window;
    std::array<Next, 2> next{};
  };
  std::array<Entry, kPortCount> entries_{};
};

}  // namespace dorvan
