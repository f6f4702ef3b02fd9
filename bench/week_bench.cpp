// What the page's week costs: GET /api/week's own work over a journal near its size
// limit (the past intervals, the plan of ninety windows, the JSON), and the one reading
// of both journal files when the page starts.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "app/main_form.h"
#include "app/web/web_api.h"
#include "bench_fakes.h"
#include "journal/journal.h"
#include "stages/schedule_table.h"

namespace dorvan {
namespace {

using bench::benchFolder;

class NullSlot final : public WindowProcSlot {
 public:
  void install(std::uintptr_t) override {}
  void restore(std::uintptr_t) override {}
  std::intptr_t callPrevious(std::uintptr_t, std::uint32_t, std::uintptr_t, std::intptr_t) override { return 0; }
};

class FixedClock final : public Clock {
 public:
  LocalTime now() override { return {2026, 12, 8, 12, 0, 0, 0}; }
};

// Switchings of the ports in turn, one every `step` seconds from `from`, until the file
// holds `bytes`.
void writeSwitchings(const std::string& name, WallSecond from, int step, std::size_t bytes) {
  std::string text;
  for (long n = 0; text.size() < bytes; ++n) {
    std::string line;
    journal_events::appendDateTime(line, localTimeOf(from + n * step));
    line += ' ';
    journal_events::appendPortEvent(line, static_cast<int>(n % kPortCount + 1),
                                    n / kPortCount % 2 ? PortState::Off : PortState::On, SwitchCause::Schedule, 0);
    text += line + "\n";
  }
  std::FILE* f = std::fopen((benchFolder() + "/" + name).c_str(), "wb");
  if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0) std::abort();
}

// The worst a full journal gives the week: the older file all before it, the newer one
// switchings every 26 s across the seven days before now.
void writeJournals(std::size_t bytes) {
  const WallSecond now = wallSecond({2026, 12, 8, 12, 0, 0, 0});
  writeSwitchings(std::string(kOlderJournalFile), now - 30 * kSecondsPerDay, 60, bytes);
  writeSwitchings(std::string(kJournalFile), now - 7 * kSecondsPerDay, 26, bytes);
}

struct Rig {
  explicit Rig(std::size_t journalBytes) : form(view, board, slot, clock, systemFileOps()) {
    writeJournals(journalBytes);
    form.Form_Load();
    form.setPlace(Location{39.9334, 32.8597});  // Ankara
    // Every port: its row at sunset for an hour, and eight windows of repeat words.
    const std::array<std::string_view, kValuesPerPort> row{"Salon lambası", "HER GÜN", "BATIŞ", "", "+1 SA"};
    for (int i = 0; i < kTableSize; ++i) form.form().acceptTyped(kPositionToBox[i], row[i % kValuesPerPort]);
    ExtraWindows extras;
    for (int w = 0; w < kMaxExtraWindows; ++w) {
      const std::string start = "0" + std::to_string(w + 1) + ":00:00";
      const std::string end = "0" + std::to_string(w + 1) + ":30:00";
      extras.push_back({{w % 2 ? "HAFTA İÇİ" : "HER GÜN", start, "HER GÜN", end}});
    }
    for (int p = 1; p <= kPortCount; ++p) form.form().setExtras(p, extras);
    tail.load(systemFileOps());
  }
  FixedClock clock;
  bench::NullView view;
  bench::NullLibrary board;
  NullSlot slot;
  MainForm form;
  web::JournalTail tail;
};

// The argument: 1 for journal files near their limit, 0 for empty ones (the plan alone).
void BM_WeekRequest(benchmark::State& state) {
  Rig rig(state.range(0) ? kJournalBound - 200 : 0);
  const HttpRequest get{"GET", "/api/week", {}, {}, {}, {}, "dorvan:8080", "127.0.0.1"};
  std::size_t bytes = 0;
  for (auto _ : state) {
    web::Routed routed = web::route(get, rig.tail);
    const HttpResponse answer = routed.onUiThread(rig.form);
    bytes = answer.body.size();
    benchmark::DoNotOptimize(answer.body.data());
  }
  state.counters["answer bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_WeekRequest)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_WeekJournalReadAtStart(benchmark::State& state) {
  Rig rig(kJournalBound - 200);
  for (auto _ : state) rig.tail.load(systemFileOps());
}
BENCHMARK(BM_WeekJournalReadAtStart)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dorvan

BENCHMARK_MAIN();
