// What each port's boxes name, kept from tick to tick and read again only when one of
// its texts, its extra windows or the place has changed: recognising the words of a whole table on every
// tick would cost more than the rest of the tick. For a sun word or a duration it also
// keeps the next second the edge falls at, so that a sun time is worked out once a
// day, and a tick only compares.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "form/form_state.h"
#include "scheduler/instant.h"
#include "scheduler/port_table.h"

namespace dorvan {

// A port's windows: its row's first, then its extra windows in their order.
struct PortWindows {
  std::array<Window, 1 + kMaxExtraWindows> windows{};
  int count = 1;
  std::span<const Window> all() const { return {windows.data(), static_cast<std::size_t>(count)}; }
};

// What a port's four boxes name as they stand.
inline Window readWindow(const FormState& form, const PortControls& port) {
  return readWindow(form.text(port.startDate), form.text(port.startTime), form.text(port.endDate),
                    form.text(port.endTime));
}
inline Window readWindow(const ExtraWindow& w) { return readWindow(w.boxes[0], w.boxes[1], w.boxes[2], w.boxes[3]); }
// What all a port's boxes name, its extra windows' too.
inline PortWindows readWindows(const FormState& form, const PortControls& port) {
  PortWindows out;
  out.windows[0] = readWindow(form, port);
  for (const ExtraWindow& w : form.extras(port.port)) out.windows[out.count++] = readWindow(w);
  return out;
}

class WindowCache {
 public:
  // Inline, and the texts' revisions compared one by one: this is on every tick for every port.
  const PortWindows& of(const FormState& form, const PortControls& port, const Almanac& almanac) {
    Entry& e = entries_[port.port - 1];
    if (e.form != &form || e.place != almanac.revision() || e.revisions[0] != form.textRevision(port.startDate) ||
        e.revisions[1] != form.textRevision(port.startTime) || e.revisions[2] != form.textRevision(port.endDate) ||
        e.revisions[3] != form.textRevision(port.endTime) || e.extras != form.extrasRevision(port.port))
      reread(e, form, port, almanac);
    return e.windows;
  }
  // Whether the edge of the port's window (0 the row's, then the extra ones), as `of` last
  // read it, falls in this second.
  bool dueAt(int port, int window, Edge edge, WallSecond shown, const Almanac& almanac) {
    Entry& e = entries_[port - 1];
    Next& n = e.next[window][static_cast<int>(edge)];
    // A clock set back comes to seconds before the one looked from: look again from there.
    if (!n.known || shown < n.from || shown > n.until) lookAgain(n, e.windows.windows[window], edge, shown, almanac);
    return !n.none && n.until == shown;
  }

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
    std::uint32_t extras = 0;
    std::uint32_t place = 0;
    PortWindows windows;
    std::array<std::array<Next, 2>, 1 + kMaxExtraWindows> next{};
  };
  static void reread(Entry& e, const FormState& form, const PortControls& port, const Almanac& almanac);
  static void lookAgain(Next& n, const Window& window, Edge edge, WallSecond shown, const Almanac& almanac);

  std::array<Entry, kPortCount> entries_{};
};

}  // namespace dorvan
