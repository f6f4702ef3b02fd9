// What the clock tick does when the wall clock misbehaves around a due instant: a
// step of one second forward, a step of one second back, and the thread held up.
// A port is switched on by every tick whose shown second is the due second, and once
// by a tick that comes after the due second when the tick before it came before it
// (the seconds between were skipped). This program drives the form with a fake clock
// through each case, prints how many "on" reports went out, and fails if any count is
// not that, or if a case sent none.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "fakes.h"

namespace dorvan::reliability {
namespace {

// Milliseconds after 07:29:58.000 on 06.12.2026; the due instant is 07:30:00.
constexpr long long kDueFrom = 2000;
constexpr long long kDueTo = 3000;

using Ms = long long;

LocalTime wallAt(Ms ms) {
  using namespace std::chrono;
  const sys_time<milliseconds> t = sys_days{2026y / December / 6} + 7h + 29min + 58s + milliseconds(ms);
  const year_month_day date{floor<days>(t)};
  const hh_mm_ss clock{t - floor<days>(t)};
  return test::at(static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
                  static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()),
                  static_cast<int>(clock.subseconds().count()));
}

// The time with its tenth of a second, and the date too where it is not the due date.
std::string clockText(Ms ms) {
  const LocalTime w = wallAt(ms);
  const TimeText t = formatTime(w);
  std::string out = std::string(t.data(), t.size()) + "." + std::to_string(w.millisecond / 100);
  if (w.day != 6) {
    const DateText d = formatDate(w);
    out = std::string(d.data(), d.size()) + " " + out;
  }
  return out;
}

// Ticks every 100 ms of steady time; from `at` on, the wall clock reads `shift` ms off.
std::vector<Ms> stepAt(Ms at, Ms shift) {
  std::vector<Ms> out;
  for (Ms real = 1000; real < 4500; real += 100) out.push_back(real >= at ? real + shift : real);
  return out;
}

// Ticks every 100 ms, except that the tick after `last` comes `gap` ms later.
std::vector<Ms> stallAfter(Ms last, Ms gap) {
  std::vector<Ms> out;
  for (Ms t = 1000; t <= last; t += 100) out.push_back(t);
  for (Ms t = last + gap; t < std::max<Ms>(4500, last + gap + 300); t += 100) out.push_back(t);
  return out;
}

int onReportsFor(const std::vector<Ms>& readings) {
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
  for (Ms ms : readings) {
    clock.set(wallAt(ms));
    form.Timer1_Timer();
  }
  int on = 0;
  for (const auto& report : library.written) on += report[1] == 1 && report[2] == 1;
  return on;
}

int ticksInDueSecond(const std::vector<Ms>& readings) {
  int n = 0;
  for (Ms ms : readings) n += ms >= kDueFrom && ms < kDueTo;
  return n;
}

// Ticks whose shown second is past the due second while the one before showed a second before it.
int ticksCatchingUp(const std::vector<Ms>& readings) {
  int n = 0;
  for (std::size_t i = 1; i < readings.size(); ++i) n += readings[i - 1] < kDueFrom && readings[i] >= kDueTo;
  return n;
}

struct Scenario {
  std::string name;
  std::vector<Ms> readings;
};

// The readings from just before the due second to just after it, runs of 100 ms steps
// written first-last, with an arrow where the clock jumped.
std::string around(const std::vector<Ms>& readings) {
  const auto jumpsAt = [&](std::size_t k) {
    return k > 0 && k < readings.size() && readings[k] - readings[k - 1] != 100;
  };
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
      {"+1 h step (summer time, a time zone) just before 07:30:00", stepAt(2000, 3600 * 1000)},
      {"suspended for 3 days from 07:29:59.9", stallAfter(1900, 3LL * 86400 * 1000)},
  };
  std::printf("Port 1 due on at 06.12.2026 07:30:00; ticks every 100 ms.\n\n");
  std::printf("| case | readings near the due second | on reports sent | of them by catch-up |\n|---|---|---|---|\n");
  bool asRuled = true;
  for (const Scenario& s : scenarios) {
    const int sent = onReportsFor(s.readings);
    const int caughtUp = ticksCatchingUp(s.readings);
    const int expected = ticksInDueSecond(s.readings) + caughtUp;
    const bool ok = sent == expected && sent > 0;
    asRuled = asRuled && ok;
    std::printf("| %s | %s | %d%s | %d |\n", s.name.c_str(), around(s.readings).c_str(), sent,
                ok ? "" : " (NOT as ruled)", caughtUp);
  }
  return asRuled ? 0 : 1;
}
