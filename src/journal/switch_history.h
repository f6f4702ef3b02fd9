// When each port was on, as the journal's lines tell it: read from the files once, then
// fed each line as it is written, so that the page can draw the past week without
// reading a file of up to twice 1 MiB on every request.
#pragma once

#include <array>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "form/window_layout.h"

namespace dorvan {

// A port on from `on` until `off`, in wall seconds.
struct OnInterval {
  WallSecond on;
  WallSecond off;
  bool operator==(const OnInterval&) const = default;
};

class SwitchHistory {
 public:
  // One journal line as written, without its line end. A port is on from its AÇIK line
  // to its next KAPALI line; a start or end of the program and a board pulled out end
  // every interval, since nobody knows what the relays did meanwhile. Other lines, and
  // lines that are no journal's, change nothing.
  void take(std::string_view line);

  // The port's intervals cut to [from, upTo], in order; one still open ends at upTo.
  std::vector<OnInterval> onBetween(int port, WallSecond from, WallSecond upTo) const;

 private:
  struct Port {
    std::deque<OnInterval> closed;
    std::optional<WallSecond> onSince;
  };
  void close(Port& port, WallSecond at);
  void closeAll(WallSecond at);

  std::array<Port, kPortCount> ports_{};
};

}  // namespace dorvan
