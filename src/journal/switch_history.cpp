#include "journal/switch_history.h"

#include <algorithm>
#include <string>

#include "journal/journal.h"

namespace dorvan {
namespace {

// The page looks back a week from the start of a day: what ended before that is let go,
// with room for a clock set back a few days.
constexpr WallSecond kKeptFor = 16 * kSecondsPerDay;

// "08.12.2026 07:30:00 " at the start of a line: its second.
std::optional<WallSecond> stampOf(std::string_view line) {
  if (line.size() < 20 || line[10] != ' ' || line[19] != ' ') return std::nullopt;
  const std::optional<std::int64_t> day = dayOf(line.substr(0, 10));
  const std::optional<int> second = secondOfDay(line.substr(11, 8));
  if (!day || !second) return std::nullopt;
  return *day * kSecondsPerDay + *second;
}

bool startsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

// "PORT 03 AÇIK (…)": the port and whether it went on.
struct PortLine {
  int port;
  bool on;
};
std::optional<PortLine> portLineOf(std::string_view event) {
  if (!startsWith(event, "PORT ") || event.size() < 9 || event[7] != ' ') return std::nullopt;
  const char tens = event[5];
  const char units = event[6];
  if (tens < '0' || tens > '9' || units < '0' || units > '9') return std::nullopt;
  const int port = (tens - '0') * 10 + (units - '0');
  if (port < 1 || port > kPortCount) return std::nullopt;
  const std::string_view rest = event.substr(8);
  for (const bool on : {true, false}) {
    const std::string_view word = journal_events::stateWord(on ? PortState::On : PortState::Off);
    if (startsWith(rest, word) && (rest.size() == word.size() || rest[word.size()] == ' ')) return PortLine{port, on};
  }
  return std::nullopt;
}

}  // namespace

void SwitchHistory::close(Port& port, WallSecond at) {
  if (!port.onSince) return;
  if (*port.onSince < at) port.closed.push_back({*port.onSince, at});
  port.onSince.reset();
  while (!port.closed.empty() && port.closed.front().off < at - kKeptFor) port.closed.pop_front();
}

void SwitchHistory::closeAll(WallSecond at) {
  for (Port& p : ports_) close(p, at);
}

void SwitchHistory::take(std::string_view line) {
  const std::optional<WallSecond> at = stampOf(line);
  if (!at) return;
  const std::string_view event = line.substr(20);
  if (const std::optional<PortLine> p = portLineOf(event)) {
    Port& port = ports_[p->port - 1];
    if (!p->on)
      close(port, *at);
    else if (!port.onSince)
      port.onSince = *at;
    return;
  }
  // A program killed leaves no end line: its next start ends what was open too.
  static const std::string kStarted = journal_events::started(0);
  if (startsWith(event, journal_events::kEnded) || startsWith(event, journal_events::kBoardUnplugged) ||
      startsWith(event, kStarted))
    closeAll(*at);
}

std::vector<OnInterval> SwitchHistory::onBetween(int port, WallSecond from, WallSecond upTo) const {
  const Port& p = ports_[port - 1];
  std::vector<OnInterval> out;
  const auto keep = [&](WallSecond on, WallSecond off) {
    on = std::max(on, from);
    off = std::min(off, upTo);
    if (on < off) out.push_back({on, off});
  };
  for (const OnInterval& i : p.closed) keep(i.on, i.off);
  if (p.onSince) keep(*p.onSince, upTo);
  // A clock set back writes lines out of order.
  if (!std::is_sorted(out.begin(), out.end(), [](const OnInterval& a, const OnInterval& b) { return a.on < b.on; }))
    std::sort(out.begin(), out.end(), [](const OnInterval& a, const OnInterval& b) { return a.on < b.on; });
  return out;
}

}  // namespace dorvan
