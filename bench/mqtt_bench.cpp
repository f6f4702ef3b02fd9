// What MQTT costs the program: the tick with the device connected to a real broker, a
// switching tick that publishes, and the time from a `set` to the board's report.
// bench/mqtt_bench.sh starts the broker and passes it in DORVAN_BENCH_BROKER (its port)
// and DORVAN_BENCH_USER / DORVAN_BENCH_PASSWORD. Allocations are counted on the
// benchmark's own thread, the UI thread: the client's thread allocates as it likes.
#include <benchmark/benchmark.h>
#include <mosquitto.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/mqtt_device.h"
#include "bench_fakes.h"
#include "stages/schedule_table.h"

namespace dorvan {
namespace {

using Steady = std::chrono::steady_clock;
using bench::AlternatingClock;
using bench::NullView;

// Counts the reports, and keeps the moment of the last.
class Board final : public bench::NullLibrary {
 public:
  void WriteEx(std::uint32_t, std::uint32_t, std::uint8_t*) override {
    ++reports;
    last = Steady::now();
  }
  long reports = 0;
  Steady::time_point last;
};

class NullSlot final : public WindowProcSlot {
 public:
  void install(std::uintptr_t) override {}
  void restore(std::uintptr_t) override {}
  std::intptr_t callPrevious(std::uintptr_t, std::uint32_t, std::uintptr_t, std::intptr_t) override { return 0; }
};

// The UI thread's queue, run by the benchmark's thread as the event loop runs it.
class QueueUiThread final : public UiThread {
 public:
  void post(std::function<void()> task) override {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    signal_.notify_one();
  }
  // Runs what is queued, waiting up to `wait` for the first task.
  void runPending(std::chrono::milliseconds wait = std::chrono::milliseconds(0)) {
    std::deque<std::function<void()>> batch;
    {
      std::unique_lock lock(mutex_);
      signal_.wait_for(lock, wait, [this] { return !tasks_.empty(); });
      batch.swap(tasks_);
    }
    for (auto& task : batch) task();
  }

 private:
  std::mutex mutex_;
  std::condition_variable signal_;
  std::deque<std::function<void()>> tasks_;
};

class Connected final : public FormObserver {
 public:
  void journalLine(std::string_view line) override { connected = connected || line.ends_with("MQTT BAĞLANDI"); }
  bool connected = false;
};

MqttSettings brokerSettings() {
  MqttSettings s;
  s.host = "127.0.0.1";
  const char* port = std::getenv("DORVAN_BENCH_BROKER");
  s.port = static_cast<std::uint16_t>(port ? std::atoi(port) : 1883);
  const char* user = std::getenv("DORVAN_BENCH_USER");
  const char* password = std::getenv("DORVAN_BENCH_PASSWORD");
  s.user = user ? user : "";
  s.password = password ? password : "";
  s.prefix = "dorvan/bench";
  return s;
}

// MainForm with the MQTT device connected, in a folder of its own (the journal goes there).
struct Rig {
  explicit Rig(Clock& clock) : form(view, board, slot, clock, systemFileOps()) {
    bench::benchFolder();
    form.takeStartArguments({"1"});
    form.Form_Load();
    form.observe(connected);
    device.emplace(form, ui, brokerSettings(), nullptr, "1.0");
    const auto until = Steady::now() + std::chrono::seconds(5);
    while (!connected.connected && Steady::now() < until) ui.runPending(std::chrono::milliseconds(50));
  }
  bool ok() const { return connected.connected; }

  NullView view;
  Board board;
  NullSlot slot;
  QueueUiThread ui;
  MainForm form;
  Connected connected;
  std::optional<MqttDevice> device;
};

void fillRows(FormState& form, std::string_view startTime, std::string_view endTime) {
  const std::array<std::string_view, kValuesPerPort> row{"Salon lambası", "06.12.2026", startTime, "06.12.2026",
                                                         endTime};
  for (int i = 0; i < kTableSize; ++i) form.acceptTyped(kPositionToBox[i], row[i % kValuesPerPort]);
}

// Ten ticks a second within 07:30:00, over a full table due at 08:00: nothing switches.
void BM_TickWithMqttConnected(benchmark::State& state) {
  AlternatingClock clock({2026, 12, 6, 7, 30, 0, 100}, {2026, 12, 6, 7, 30, 0, 200});
  Rig rig(clock);
  if (!rig.ok()) return state.SkipWithError("no broker (run bench/mqtt_bench.sh)");
  fillRows(rig.form.form(), "08:00:00", "09:00:00");
  for (int i = 0; i < 4; ++i) rig.form.Timer1_Timer();
  rig.ui.runPending(std::chrono::milliseconds(50));
  const long before = bench::allocations();
  for (auto _ : state) rig.form.Timer1_Timer();
  state.counters["allocs/tick"] =
      benchmark::Counter(static_cast<double>(bench::allocations() - before) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_TickWithMqttConnected);

// 07:30:00 and 07:30:01 in turn: each tick switches all ten ports, journals ten lines
// on disk and hands twenty messages to the client (the states and the journal lines);
// the UI thread's turn after it works out the next switchings and publishes them.
void BM_SwitchingTickPublishing(benchmark::State& state) {
  AlternatingClock clock({2026, 12, 6, 7, 30, 0, 0}, {2026, 12, 6, 7, 30, 1, 0});
  Rig rig(clock);
  if (!rig.ok()) return state.SkipWithError("no broker (run bench/mqtt_bench.sh)");
  fillRows(rig.form.form(), "07:30:00", "07:30:01");
  for (auto _ : state) {
    rig.form.Timer1_Timer();
    rig.ui.runPending();
  }
}
BENCHMARK(BM_SwitchingTickPublishing)->Unit(benchmark::kMicrosecond);

// Another client publishes `TOGGLE` on port 5's set topic; the clock runs from there
// until MainForm has sent the board its report, over loopback, twenty times.
void BM_SetToReport(benchmark::State& state) {
  AlternatingClock clock({2026, 12, 6, 7, 30, 0, 0}, {2026, 12, 6, 7, 30, 0, 0});
  Rig rig(clock);
  if (!rig.ok()) return state.SkipWithError("no broker (run bench/mqtt_bench.sh)");
  const MqttSettings s = brokerSettings();
  mosquitto* commander = mosquitto_new(nullptr, true, nullptr);
  mosquitto_username_pw_set(commander, s.user.c_str(), s.password.c_str());
  if (mosquitto_connect(commander, s.host.c_str(), s.port, 30) != MOSQ_ERR_SUCCESS)
    return state.SkipWithError("the commander cannot connect");
  mosquitto_loop_start(commander);
  std::vector<double> ms;
  const char* gapText = std::getenv("DORVAN_BENCH_GAP_MS");
  const std::chrono::milliseconds gap(gapText ? std::atoi(gapText) : 50);
  for (auto _ : state) {
    for (int i = 0; i < 20; ++i) {
      const long before = rig.board.reports;
      const auto sent = Steady::now();
      mosquitto_publish(commander, nullptr, "dorvan/bench/port/5/set", 6, "TOGGLE", 1, false);
      const auto until = sent + std::chrono::seconds(2);
      while (rig.board.reports == before && Steady::now() < until) rig.ui.runPending(std::chrono::milliseconds(100));
      if (rig.board.reports == before) return state.SkipWithError("a set was not carried out");
      ms.push_back(std::chrono::duration<double, std::milli>(rig.board.last - sent).count());
      // The UI thread's turns until the next command, as the event loop would take them.
      const auto next = Steady::now() + gap;
      while (Steady::now() < next) rig.ui.runPending(std::chrono::milliseconds(10));
    }
  }
  mosquitto_disconnect(commander);
  mosquitto_loop_stop(commander, false);
  mosquitto_destroy(commander);
  if (std::getenv("DORVAN_BENCH_VERBOSE"))
    for (double m : ms) std::fprintf(stderr, "%.3f ", m);
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = ms[ms.size() / 2];
  state.counters["worst_ms"] = ms.back();
}
BENCHMARK(BM_SetToReport)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dorvan

BENCHMARK_MAIN();
