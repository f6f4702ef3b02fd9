// What the clock tick does when the wall clock misbehaves around a due instant: a
// step of one second forward, a step of one second back, and the thread held up.
// A tick remembers nothing, so a port is switched on every tick whose shown second is
// the due second and on no other: this program drives the form with a fake clock
// through each case, prints how many "on" reports went out, and fails if any count is
// not the number of ticks whose reading fell in the due second.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "fakes.h"

namespace dorvan::reliability {
namespace {

// Milliseconds after 07:29:58.000 on 06.12.2026; the due instant is 07:30:00.
constexpr int kDueFrom = 2000;
constexpr int kDueTo = 3000;

LocalTime wallAt(int ms) {
  const int seconds = ms / 1000;
  return test::at(2026, 12, 6, 7, 29 + (58 + seconds) / 60, (58 + seconds) % 60, ms % 1000);
}

std::string clockText(int ms) {
  const TimeText t = formatTime(wallAt(ms));
  char frac[8];
  std::snprintf(frac, sizeof frac, ".%d", ms % 1000 / 100);
  return std::string(t.data(), t.size()) + frac;
}

// Ticks every 100 ms of steady time; from `at` on, the wall clock reads `shift` ms off.
std::vector<int> stepAt(int at, int shift) {
  std::vector<int> out;
  for (int real = 1000; real < 4500; real += 100) out.push_back(real >= at ? real + shift : real);
  return out;
}

// Ticks every 100 ms, except that the tick after `last` comes `gap` ms later.
std::vector<int> stallAfter(int last, int gap) {
  std::vector<int> out;
  for (int t = 1000; t <= last; t += 100) out.push_back(t);
  for (int t = last + gap; t < 4500; t += 100) out.push_back(t);
  return out;
}

int onReportsFor(const std::vector<int>& readings) {
  test::FakeView view;
  test::FakeLibrary library;
  test::FakeSlot slot;
  test::FakeClock clock;
  test::FakeFiles files;
  clock.set(wallAt(readings.front()));
  MainForm form(view, library, slot, clock, files);
  form.Form_Load();
  const PortRow& port1 = kPortGrid[0];
  form.form().acceptTyped(controlId(port1.startDate), "06.12.2026");
  form.form().acceptTyped(controlId(port1.startTime), "07:30:00");
  for (int ms : readings) {
    clock.set(wallAt(ms));
    form.Timer1_Timer();
  }
  int on = 0;
  for (const auto& report : library.written) on += report[1] == 1 && report[2] == 1;
  return on;
}

int ticksInDueSecond(const std::vector<int>& readings) {
  int n = 0;
  for (int ms : readings) n += ms >= kDueFrom && ms < kDueTo;
  return n;
}

struct Scenario {
  std::string name;
  std::vector<int> readings;
};

// The readings from just before the due second to just after it, runs of 100 ms steps
// written first-last, with an arrow where the clock jumped.
std::string around(const std::vector<int>& readings) {
  const auto jumpsAt = [&](std::size_t k) { return k > 0 && k < readings.size() && readings[k] - readings[k - 1] != 100; };
  std::size_t lo = readings.size(), hi = 0;
  for (std::size_t i = 0; i < readings.size(); ++i) {
    const bool near = readings[i] >= kDueFrom - 300 && readings[i] < kDueTo + 300;
    if (near || jumpsAt(i) || jumpsAt(i + 1)) {
      lo = std::min(lo, i);
      hi = i;
    }
  }
  std::string out;
  for (std::size_t i = lo; i <= hi && i < readings.size();) {
    std::size_t j = i;
    while (j < hi && !jumpsAt(j + 1)) ++j;
    if (i > lo) out += " → ";
    out += clockText(readings[i]);
    if (j > i) out += "-" + clockText(readings[j]);
    i = j + 1;
  }
  return out;
}

}  // namespace
}  // namespace dorvan::reliability

int main() {
  using namespace dorvan::reliability;
  std::vector<Scenario> scenarios{
      {"no fault", stepAt(1 << 30, 0)},
      {"+1 s step just before 07:30:00 (tick x.9, then x+2.0)", stepAt(2000, 1000)},
      {"+1 s step half way through 07:29:59", stepAt(1500, 1000)},
      {"+1 s step half way through 07:30:00", stepAt(2500, 1000)},
      {"-1 s step half way through 07:30:00", stepAt(2500, -1000)},
      {"-1 s step just after 07:30:00", stepAt(3000, -1000)},
      {"-1 s step half way through 07:30:01", stepAt(3500, -1000)},
      {"stall 1.0 s (tick 07:29:59.9, then 07:30:00.9)", stallAfter(1900, 1000)},
      {"stall 1.5 s (tick 07:29:59.9, then 07:30:01.4)", stallAfter(1900, 1500)},
      {"stall 1.5 s (tick 07:29:59.4, then 07:30:00.9)", stallAfter(1400, 1500)},
      {"stall 2.5 s (tick 07:29:59.4, then 07:30:01.9)", stallAfter(1400, 2500)},
  };
  std::printf("Port 1 due on at 06.12.2026 07:30:00; ticks every 100 ms.\n\n");
  std::printf("| case | readings near the due second | on reports sent |\n|---|---|---|\n");
  bool asRuled = true;
  for (const Scenario& s : scenarios) {
    const int sent = onReportsFor(s.readings);
    const int expected = ticksInDueSecond(s.readings);
    asRuled = asRuled && sent == expected;
    std::printf("| %s | %s | %d%s |\n", s.name.c_str(), around(s.readings).c_str(), sent,
                sent == expected ? "" : " (NOT the ticks in the due second)");
  }
  return asRuled ? 0 : 1;
}
