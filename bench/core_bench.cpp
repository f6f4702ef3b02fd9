// Micro-benchmarks of the core: the clock tick, stage files and the codec.
// Heap allocations are counted by replacing the global allocator of this binary.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/main_form.h"
#include "base/cp1254.h"
#include "bench_fakes.h"
#include "journal/journal.h"
#include "scheduler/scheduler.h"
#include "scheduler/sun.h"
#include "stages/schedule_table.h"
#include "stages/stage_file.h"

namespace dorvan {
namespace {

using bench::allocations;
using bench::AlternatingClock;
using bench::benchFolder;
using bench::NullView;

// Reads a byte of each report, so that building it is not optimised away.
class NullLibrary final : public bench::NullLibrary {
 public:
  void WriteEx(std::uint32_t, std::uint32_t, std::uint8_t* report) override { benchmark::DoNotOptimize(report[1]); }
};

class NoteProblems final : public JournalProblems {
 public:
  void journalFailed(std::string_view) override { failed = true; }
  bool failed = false;
};

// A tick's surroundings: the window, the board, the journal.
struct TickRig {
  explicit TickRig(Clock& clock)
      : folder(benchFolder()),
        form(view),
        journal(systemFileOps(), clock, problems),
        almanac(clock),
        ports(form, library, report, journal) {
    almanac.setPlace(Location{39.9334, 32.8597});  // Ankara
  }
  std::string folder;  // worked in from here on
  NullView view;
  NullLibrary library;
  NoteProblems problems;
  FormState form;
  Report report{};
  Journal journal;
  Almanac almanac;
  PortSwitch ports;
  ClockTick tick;
};

// Ticks `warmUp` times (the clock labels get their storage), then measures the ticks,
// `ticksPerIteration` of them an iteration, and counts their heap allocations.
void measureTicks(benchmark::State& state, TickRig& rig, Clock& clock, int warmUp, int ticksPerIteration = 1) {
  for (int i = 0; i < warmUp; ++i) rig.tick.run(rig.form, clock, rig.almanac, rig.ports);
  const long before = allocations();
  for (auto _ : state)
    for (int i = 0; i < ticksPerIteration; ++i) rig.tick.run(rig.form, clock, rig.almanac, rig.ports);
  state.counters["allocs/tick"] = benchmark::Counter(static_cast<double>(allocations() - before) /
                                                     static_cast<double>(ticksPerIteration * state.iterations()));
}

// Walks through the seconds of one day, ten ticks a second, as the timer does.
class SteppingClock final : public Clock {
 public:
  LocalTime now() override {
    const long tenth = ticks_;
    ++ticks_;
    const long s = (tenth / 10) % 86400;
    return {2026,
            12,
            6,
            static_cast<int>(s / 3600),
            static_cast<int>(s / 60 % 60),
            static_cast<int>(s % 60),
            static_cast<int>(tenth % 10 * 100)};
  }

 private:
  long ticks_ = 0;
};

class FixedClock final : public Clock {
 public:
  LocalTime now() override { return {2026, 12, 6, 7, 30, 0, 0}; }
};

void fillRows(FormState& form, std::string_view startDate, std::string_view startTime, std::string_view endDate,
              std::string_view endTime) {
  const std::array<std::string_view, kValuesPerPort> row{"Salon lambası, kuzey duvarı", startDate, startTime, endDate,
                                                         endTime};
  for (int i = 0; i < kTableSize; ++i) form.acceptTyped(kPositionToBox[i], row[i % kValuesPerPort]);
}

void fillTable(FormState& form, std::string_view date, std::string_view time) {
  fillRows(form, date, time, date, time);
}

void BM_TickFullTableMatchingNothing(benchmark::State& state) {
  SteppingClock clock;
  TickRig rig(clock);
  fillTable(rig.form, "07.12.2026", "07:30:00");  // another day
  measureTicks(state, rig, clock, 20);
}
BENCHMARK(BM_TickFullTableMatchingNothing);

// The same second over and over: after the first tick every switching repeats the
// last, so the reports go out and the journal is not touched.
void BM_TickFiringTenPorts(benchmark::State& state) {
  FixedClock clock;
  TickRig rig(clock);
  fillTable(rig.form, "06.12.2026", "07:30:00");  // every start and end is now: twenty reports a tick
  measureTicks(state, rig, clock, 1);
}
BENCHMARK(BM_TickFiringTenPorts);

// Three days apart, back and forth: every second reading is a tick after a 3-day gap
// whose catch-up finds all ten ports' instants in it (ten reports, the end wins),
// every other one a step back that catches up nothing.
AlternatingClock threeDayGapClock() { return {{2026, 12, 6, 7, 0, 0, 0}, {2026, 12, 9, 7, 0, 0, 0}}; }

// One iteration is two ticks: the catch-up tick and the ordinary one before it, so
// the time per iteration bounds the catch-up tick from above.
void BM_CatchUpTickAfterThreeDaysPlusOrdinaryTick(benchmark::State& state) {
  AlternatingClock clock = threeDayGapClock();
  TickRig rig(clock);
  fillRows(rig.form, "06.12.2026", "07:30:00", "06.12.2026", "22:15:00");
  measureTicks(state, rig, clock, 4, 2);
}
BENCHMARK(BM_CatchUpTickAfterThreeDaysPlusOrdinaryTick);

// Every date box holds a repeat word, a different one at the start and at the end of
// each port; the words are read when typed, not on every tick.
void fillWordTable(FormState& form) {
  static constexpr std::array<std::string_view, 10> kWords{"HER GÜN",  "HAFTA İÇİ", "HAFTA SONU", "PAZARTESİ", "SALI",
                                                           "ÇARŞAMBA", "PERŞEMBE",  "CUMA",       "CUMARTESİ", "PAZAR"};
  for (int p = 0; p < kPortCount; ++p) {
    const PortRow& row = kPortGrid[p];
    form.acceptTyped(controlId(row.description), "Salon lambası, kuzey duvarı");
    form.acceptTyped(controlId(row.startDate), kWords[p]);
    form.acceptTyped(controlId(row.startTime), "07:30:00");
    form.acceptTyped(controlId(row.endDate), kWords[(p + 5) % kWords.size()]);
    form.acceptTyped(controlId(row.endTime), "22:15:00");
  }
}

void BM_TickFullTableOfRepeatWords(benchmark::State& state) {
  SteppingClock clock;
  TickRig rig(clock);
  fillWordTable(rig.form);
  measureTicks(state, rig, clock, 20);
}
BENCHMARK(BM_TickFullTableOfRepeatWords);

// As the catch-up benchmark above, over a table of words: the 3-day gap from a Sunday
// 07:00 to the Wednesday holds occurrences of six of the ten words.
void BM_CatchUpTickAfterThreeDaysOverRepeatWordsPlusOrdinaryTick(benchmark::State& state) {
  AlternatingClock clock = threeDayGapClock();
  TickRig rig(clock);
  fillWordTable(rig.form);
  measureTicks(state, rig, clock, 4, 2);
}
BENCHMARK(BM_CatchUpTickAfterThreeDaysOverRepeatWordsPlusOrdinaryTick);

// Every time box holds a sun word or a duration: a sun time is worked out once a day
// per box, and a tick compares seconds. The clock walks through the whole day, past
// sunrise and sunset, and back to its start.
void BM_TickFullTableOfSunWordsAndDurations(benchmark::State& state) {
  static constexpr std::array<std::array<std::string_view, 4>, 4> kRows{{
      {"HER GÜN", "BATIŞ", "", "+4 SA"},
      {"HAFTA İÇİ", "DOĞUŞ-30", "", "+20 DK"},
      {"HER GÜN", "DOĞUŞ+15", "HER GÜN", "BATIŞ-10"},
      {"CUMARTESİ", "BATIŞ+99", "PAZAR", "DOĞUŞ"},
  }};
  SteppingClock clock;
  TickRig rig(clock);
  for (int p = 0; p < kPortCount; ++p) {
    const PortRow& row = kPortGrid[p];
    const std::array<std::string_view, 4>& r = kRows[p % kRows.size()];
    for (int b = 0; b < kWindowBoxes; ++b)
      rig.form.acceptTyped(controlId(std::array{row.startDate, row.startTime, row.endDate, row.endTime}[b]), r[b]);
  }
  measureTicks(state, rig, clock, 20);
}
BENCHMARK(BM_TickFullTableOfSunWordsAndDurations);

// Ninety windows: every port's row and eight extra windows of repeat words, sun words
// and durations. The clock walks through the day as above; only the seconds that switch
// a port write to the journal.
void BM_TickNinetyWindows(benchmark::State& state) {
  static constexpr std::array<std::array<std::string_view, 4>, 6> kWindows{{
      {"HER GÜN", "06:00:00", "HER GÜN", "06:30:00"},
      {"HAFTA İÇİ", "DOĞUŞ-30", "", "+20 DK"},
      {"HER GÜN", "BATIŞ", "HER GÜN", "23:00:00"},
      {"CUMARTESİ", "BATIŞ+99", "PAZAR", "DOĞUŞ"},
      {"PAZAR", "12:00:00", "", "+4 SA"},
      {"HAFTA SONU", "DOĞUŞ+15", "HAFTA SONU", "BATIŞ-10"},
  }};
  SteppingClock clock;
  TickRig rig(clock);
  fillWordTable(rig.form);
  for (int p = 1; p <= kPortCount; ++p) {
    ExtraWindows extras;
    for (int w = 0; w < kMaxExtraWindows; ++w) {
      const std::array<std::string_view, 4>& t = kWindows[(p + w) % kWindows.size()];
      extras.push_back({{std::string(t[0]), std::string(t[1]), std::string(t[2]), std::string(t[3])}});
    }
    rig.form.setExtras(p, std::move(extras));
  }
  measureTicks(state, rig, clock, 20);
}
BENCHMARK(BM_TickNinetyWindows);

// What one sunrise costs when a day's sun time is worked out.
void BM_OneSunrise(benchmark::State& state) {
  const Location ankara{39.9334, 32.8597};
  UtcSecond noon = 1796558400;  // 2026-12-06 12:00 UTC
  for (auto _ : state) {
    benchmark::DoNotOptimize(sunEvent(SunEvent::Rise, ankara, noon));
    noon += kSecondsPerDay;
  }
}
BENCHMARK(BM_OneSunrise);

// 07:30:00 and 07:30:01 in turn, every port starting in the one and ending in the
// other: each tick switches all ten ports to the other state, ten journal lines.
void BM_TickSwitchingTenPortsJournaled(benchmark::State& state) {
  AlternatingClock clock({2026, 12, 6, 7, 30, 0, 0}, {2026, 12, 6, 7, 30, 1, 0});
  TickRig rig(clock);
  fillRows(rig.form, "06.12.2026", "07:30:00", "06.12.2026", "07:30:01");
  measureTicks(state, rig, clock, 4);
  if (rig.problems.failed) state.SkipWithError("the journal could not be written");
}
BENCHMARK(BM_TickSwitchingTenPortsJournaled);

std::array<std::string_view, kTableSize> fullTable() {
  static const std::array<std::string, 5> row{"Salon lambası, kuzey duvarı", "06.12.2026", "07:30:00", "06.12.2026",
                                              "22:15:00"};
  std::array<std::string_view, kTableSize> t;
  for (int i = 0; i < kTableSize; ++i) t[i] = row[i % 5];
  return t;
}

void BM_EncodeFullTable(benchmark::State& state) {
  const auto table = fullTable();
  std::string bytes;
  for (auto _ : state) {
    encodeStageFile(table, bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(BM_EncodeFullTable);

void BM_DecodeFullTable(benchmark::State& state) {
  std::string bytes;
  encodeStageFile(fullTable(), bytes);
  std::string text;
  for (auto _ : state) {
    text.clear();
    cp1254::decodeAppend(bytes, text);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_DecodeFullTable);

// The real file operations with the flush to disk left out.
class NoFlush final : public FileOps {
 public:
  FileResult openRead(std::string_view p, Handle& h) override { return real().openRead(p, h); }
  FileResult read(Handle h, std::uint8_t* b, std::size_t c, std::size_t& g) override { return real().read(h, b, c, g); }
  void close(Handle h) override { real().close(h); }
  FileResult create(std::string_view p, Handle& h) override { return real().create(p, h); }
  FileResult openAppend(std::string_view p, Handle& h, std::uint64_t& s) override { return real().openAppend(p, h, s); }
  FileResult write(Handle h, const std::uint8_t* d, std::size_t n) override { return real().write(h, d, n); }
  FileResult flush(Handle) override { return {}; }
  FileResult replace(std::string_view f, std::string_view t) override { return real().replace(f, t); }
  FileResult remove(std::string_view p) override { return real().remove(p); }

 private:
  static FileOps& real() { return systemFileOps(); }
};

void saveBench(benchmark::State& state, FileOps& files) {
  const std::string path = benchFolder() + "/kademe1.txt";
  const auto table = fullTable();
  for (auto _ : state)
    if (!writeStageFile(files, path, table).ok()) state.SkipWithError("save failed");
}

void BM_SaveStage(benchmark::State& state) {
  NoFlush files;
  saveBench(state, files);
}
BENCHMARK(BM_SaveStage);

void BM_SaveStageFlushedToDisk(benchmark::State& state) { saveBench(state, systemFileOps()); }
BENCHMARK(BM_SaveStageFlushedToDisk)->Iterations(50);

void BM_LoadStage(benchmark::State& state) {
  const std::string path = benchFolder() + "/kademe2.txt";
  writeStageFile(systemFileOps(), path, fullTable());
  StageValues values;
  for (auto _ : state)
    if (readStageFile(systemFileOps(), path, values).status != StageReadResult::Status::Ok)
      state.SkipWithError("load failed");
}
BENCHMARK(BM_LoadStage);

}  // namespace
}  // namespace dorvan

BENCHMARK_MAIN();
