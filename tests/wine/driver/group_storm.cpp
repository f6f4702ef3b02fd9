// A chattering board: ten thousand plug, unplug, change and read notifications
// through the hook. Each must be handled once and passed on, the program must hold
// no more memory, handles or GUI objects afterwards than before, and the clock must
// still tick. The stand-in counts the calls instead of logging them (its counting
// mode), and shows from its own window procedure, the one the hook finds as the
// previous, what the hook passed on.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "groups.h"
#include "hid/hid_library.h"
#include "standin/standin_counts.h"
#include "standin_log.h"
#include "text.h"
#include "ui.h"

namespace wine_test {

using namespace dorvan;

namespace {

const char* const kGroup = "storm";
const unsigned kBoard = deviceHandle(kBoardVendorId, kBoardProductId);
const unsigned kOtherDevice = deviceHandle(kBoardVendorId, 2009);

constexpr int kStormSize = 10000;
constexpr int kWarmUpSize = 400;
// Far below the 10,000 posted messages a Windows queue holds, so none is refused.
constexpr int kBatchSize = 500;
constexpr DWORD kBatchTimeoutMs = 30000;

using namespace standin;

// The program takes the stand-in's mode from the environment it starts with.
struct CountingMode {
  CountingMode() { SetEnvironmentVariableW(L"DORVAN_STANDIN_COUNT", L"1"); }
  ~CountingMode() { SetEnvironmentVariableW(L"DORVAN_STANDIN_COUNT", nullptr); }
  CountingMode(const CountingMode&) = delete;
  CountingMode& operator=(const CountingMode&) = delete;
};

class StandinCounts {
 public:
  explicit StandinCounts(DWORD programPid) {
    const std::wstring name = L"dorvan-standin-counts-" + std::to_wstring(programPid);
    section_ = OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str());
    if (section_ != nullptr) view_ = static_cast<const volatile LONG*>(MapViewOfFile(section_, FILE_MAP_READ, 0, 0, 0));
  }
  ~StandinCounts() {
    if (view_ != nullptr) UnmapViewOfFile(const_cast<LONG*>(view_));
    if (section_ != nullptr) CloseHandle(section_);
  }
  StandinCounts(const StandinCounts&) = delete;
  StandinCounts& operator=(const StandinCounts&) = delete;

  bool readable() const { return view_ != nullptr && view_[0] == kCountFields; }
  LONG operator[](Count c) const { return readable() ? view_[c + 1] : 0; }
  LONG forwarded() const {
    LONG sum = 0;
    for (int c = kForwarded0; c <= kForwardedOther; ++c) sum += (*this)[Count(c)];
    return sum;
  }

 private:
  HANDLE section_ = nullptr;
  const volatile LONG* view_ = nullptr;
};

struct Notice {
  Notification code;
  unsigned handle;
};

// What the stand-in should count for a run of notices.
struct Expected {
  LONG ids = 0;      // plug and unplug, of any device: GetVendorID and GetProductID each
  LONG changes = 0;  // GetHandle and SetReadNotify each
  LONG reads = 0;    // Read
  std::array<LONG, 5> byCode{};

  void add(const Notice& n) {
    const auto code = static_cast<std::size_t>(n.code);
    ++byCode[code];
    if (n.code == Notification::Plugged || n.code == Notification::Unplugged) ++ids;
    if (n.code == Notification::Changed) ++changes;
    if (n.code == Notification::Read) ++reads;
  }
  LONG total() const { return byCode[1] + byCode[2] + byCode[3] + byCode[4]; }
};

// A fixed pseudo-random mix: the board plugged and unplugged (the picture file is
// loaded every time), another device of the vendor coming and going, the device set
// changing and input reports arriving.
std::vector<Notice> chatter(int count, std::uint32_t seed) {
  static const Notice kinds[] = {
      {Notification::Plugged, kBoard},
      {Notification::Plugged, kBoard},
      {Notification::Unplugged, kBoard},
      {Notification::Unplugged, kBoard},
      {Notification::Plugged, kOtherDevice},
      {Notification::Unplugged, kOtherDevice},
      {Notification::Changed, 0},
      {Notification::Changed, 0},
      {Notification::Read, kBoard},
      {Notification::Read, kBoard},
  };
  std::vector<Notice> out;
  out.reserve(static_cast<std::size_t>(count));
  std::uint32_t state = seed;
  for (int i = 0; i < count; ++i) {
    state = state * 1664525u + 1013904223u;
    out.push_back(kinds[(state >> 16) % std::size(kinds)]);
  }
  return out;
}

struct Resources {
  bool memoryKnown = false;
  SIZE_T privateBytes = 0;
  SIZE_T workingSet = 0;
  DWORD handles = 0;  // 0: unknown (a process always holds some)
  DWORD windows = 0;
  DWORD gdiObjects = 0;
  DWORD userObjects = 0;
};

// The system handle list as Wine lays it out (Windows answers GetProcessHandleCount
// itself, Wine only through this list).
struct SystemHandleEntry {
  ULONG ownerPid;
  BYTE objectType;
  BYTE flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};

DWORD handlesInSystemList(DWORD pid) {
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return 0;
  std::vector<ULONG_PTR> buffer(1 << 16);
  for (;;) {
    ULONG needed = 0;
    const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR));
    const LONG status = query(kSystemHandleInformation, buffer.data(), size, &needed);
    if (status == kInfoLengthMismatch && buffer.size() < (1u << 24)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status != 0) return 0;
    break;
  }
  const ULONG count = static_cast<ULONG>(buffer[0]);
  const auto* entries = reinterpret_cast<const SystemHandleEntry*>(buffer.data() + 1);
  DWORD mine = 0;
  for (ULONG i = 0; i < count; ++i)
    if (entries[i].ownerPid == pid) ++mine;
  return mine;
}

struct WindowTally {
  DWORD pid;
  DWORD count;
};

BOOL CALLBACK tallyChild(HWND, LPARAM lp) {
  ++reinterpret_cast<WindowTally*>(lp)->count;
  return TRUE;
}

BOOL CALLBACK tallyTopLevel(HWND h, LPARAM lp) {
  auto* tally = reinterpret_cast<WindowTally*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != tally->pid) return TRUE;
  ++tally->count;
  EnumChildWindows(h, tallyChild, lp);
  return TRUE;
}

// Every window of the process, top-level and child: the USER objects Wine lets one count.
DWORD windowsOf(DWORD pid) {
  WindowTally tally{pid, 0};
  EnumWindows(tallyTopLevel, reinterpret_cast<LPARAM>(&tally));
  return tally.count;
}

Resources measure(DWORD pid) {
  Resources r;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (process == nullptr) return r;
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process, &memory, sizeof memory)) {
    r.memoryKnown = true;
    r.privateBytes = memory.PagefileUsage;
    r.workingSet = memory.WorkingSetSize;
  }
  if (!GetProcessHandleCount(process, &r.handles) || r.handles == 0) r.handles = handlesInSystemList(pid);
  r.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
  r.userObjects = GetGuiResources(process, GR_USEROBJECTS);
  CloseHandle(process);
  r.windows = windowsOf(pid);
  return r;
}

std::string kib(SIZE_T bytes) { return std::to_string(bytes / 1024) + " KiB"; }

std::string describe(const Resources& r) {
  std::string s =
      r.memoryKnown ? "private " + kib(r.privateBytes) + ", working set " + kib(r.workingSet) : "memory unknown";
  s += r.handles ? ", " + std::to_string(r.handles) + " handles" : ", handles unknown";
  s += ", " + std::to_string(r.windows) + " windows";
  return s + ", " + std::to_string(r.gdiObjects) + " GDI / " + std::to_string(r.userObjects) + " USER objects";
}

long long grewBy(SIZE_T before, SIZE_T after) { return static_cast<long long>(after) - static_cast<long long>(before); }

// Posts the notices a batch at a time, each batch once the one before has been
// passed on; false when a batch was not passed on in time.
bool postInBatches(HWND main, const std::vector<Notice>& notices, const StandinCounts& counts, Case& c) {
  const LONG start = counts.forwarded();
  int refused = 0;
  for (std::size_t from = 0; from < notices.size(); from += kBatchSize) {
    const std::size_t to = std::min(notices.size(), from + kBatchSize);
    for (std::size_t i = from; i < to; ++i)
      if (!PostMessageW(main, kDeviceNotification, static_cast<WPARAM>(notices[i].code),
                        static_cast<LPARAM>(notices[i].handle)))
        ++refused;
    const LONG want = start + static_cast<LONG>(to) - refused;
    if (!waitUntil([&] { return counts.forwarded() >= want; }, kBatchTimeoutMs, 5)) {
      c.expect(false, "after " + std::to_string(to) + " posted, only " + std::to_string(counts.forwarded() - start) +
                          " were passed on within " + std::to_string(kBatchTimeoutMs / 1000) + " s");
      return false;
    }
  }
  c.expect(refused == 0, std::to_string(refused) + " notifications refused by the queue");
  return true;
}

std::string countsText(const StandinCounts& n) {
  return "GetVendorID=" + std::to_string(n[kGetVendorID]) + " GetProductID=" + std::to_string(n[kGetProductID]) +
         " GetHandle=" + std::to_string(n[kGetHandle]) + " SetReadNotify=" + std::to_string(n[kSetReadNotify]) +
         " Read=" + std::to_string(n[kRead]) + " passed on=" + std::to_string(n.forwarded()) +
         " out of step=" + std::to_string(n[kOutOfStep]);
}

void expectCounts(Case& c, const StandinCounts& n, const Expected& e) {
  const std::string seen = countsText(n);
  c.expect(n[kGetVendorID] == e.ids && n[kGetProductID] == e.ids,
           std::to_string(e.ids) + " plug/unplug notifications, but " + seen);
  c.expect(n[kGetHandle] == e.changes && n[kSetReadNotify] == e.changes,
           std::to_string(e.changes) + " change notifications, but " + seen);
  c.expect(n[kRead] == e.reads, std::to_string(e.reads) + " read notifications, but " + seen);
  for (int code = 1; code <= 4; ++code)
    c.expect(n[Count(kForwarded0 + code)] == e.byCode[static_cast<std::size_t>(code)],
             std::to_string(e.byCode[static_cast<std::size_t>(code)]) + " notifications of code " +
                 std::to_string(code) + " posted, " + std::to_string(n[Count(kForwarded0 + code)]) + " passed on");
  c.expect(n[kOutOfStep] == 0, "notifications passed on before their handler ran, or with other calls: " + seen);
}

}  // namespace

bool runStorm(Context& ctx) {
  Session s(ctx.paths, LaunchOptions{});
  Report& r = ctx.report;
  HWND main = nullptr;
  std::unique_ptr<StandinCounts> counts;
  Expected expected;
  Resources before, after;
  try {
    r.run(kGroup, "the program starts with the counting stand-in", [&](Case& c) {
      HWND prompt = nullptr;
      {
        const CountingMode counting;
        prompt = launchToPrompt(s, c);
      }
      main = acceptPrompt(s, prompt, c);
      counts = std::make_unique<StandinCounts>(s.pid());
      c.require(counts->readable(),
                "the stand-in's counting section cannot be read: " + summarize(readCalls(s.logPath())));
    });

    r.run(kGroup, "10,000 mixed notifications: each handled once, then passed on", [&](Case& c) {
      // The first pictures, paints and ticks allocate what later ones reuse: they
      // belong to the program's settled size, not to the storm.
      const std::vector<Notice> warmUp = chatter(kWarmUpSize, 7);
      for (const Notice& n : warmUp) expected.add(n);
      c.require(postInBatches(main, warmUp, *counts, c), "the warm-up was not handled");
      Sleep(1000);
      before = measure(s.pid());

      const std::vector<Notice> storm = chatter(kStormSize, 20260101);
      Expected mix;
      for (const Notice& n : storm) {
        expected.add(n);
        mix.add(n);
      }
      const ULONGLONG start = GetTickCount64();
      const bool handled = postInBatches(main, storm, *counts, c);
      const ULONGLONG took = GetTickCount64() - start;
      expectCounts(c, *counts, expected);
      c.expect(s.running() && s.waitForMessageBox(0) == nullptr, "the program stopped or showed a message");
      c.note(std::to_string(kStormSize) + " notifications (plug " + std::to_string(mix.byCode[1]) + ", unplug " +
             std::to_string(mix.byCode[2]) + ", change " + std::to_string(mix.byCode[3]) + ", read " +
             std::to_string(mix.byCode[4]) + ") in " + std::to_string(took) + " ms" +
             (handled && took > 0 ? " (" + std::to_string(kStormSize * 1000ULL / took) + " a second)" : ""));
      c.note("stand-in counts, with the " + std::to_string(kWarmUpSize) + " of the warm-up: " + countsText(*counts) +
             " WriteEx=" + std::to_string((*counts)[kWriteEx]));
    });

    r.run(kGroup, "no memory, handles or GUI objects left behind", [&](Case& c) {
      Sleep(1000);
      after = measure(s.pid());
      c.note("before the storm: " + describe(before));
      c.note("after the storm:  " + describe(after));
      c.require(before.memoryKnown && after.memoryKnown, "Wine gave no memory figures for the program");
      // Settled, the figures before and after agree to the KiB run after run. 64 KiB
      // lets one heap step pass and still catches 7 bytes a notification: a 100-byte
      // block lost per read notification alone shows as over 200 KiB.
      constexpr long long kMemorySlack = 64 * 1024;
      c.expect(grewBy(before.privateBytes, after.privateBytes) <= kMemorySlack,
               "private memory grew by " + std::to_string(grewBy(before.privateBytes, after.privateBytes)) + " bytes");
      c.expect(grewBy(before.workingSet, after.workingSet) <= kMemorySlack,
               "working set grew by " + std::to_string(grewBy(before.workingSet, after.workingSet)) + " bytes");
      // A handle, window or GUI object per picture load or per notification would be
      // thousands. Wine answers GetGuiResources with 0; there its GDI objects are
      // process memory, and so under the memory check.
      constexpr long long kObjectSlack = 2;
      if (c.expect(before.handles != 0 && after.handles != 0, "no handle count for the program"))
        c.expect(grewBy(before.handles, after.handles) <= kObjectSlack,
                 "handles " + std::to_string(before.handles) + " -> " + std::to_string(after.handles));
      c.expect(after.windows == before.windows,
               "windows " + std::to_string(before.windows) + " -> " + std::to_string(after.windows));
      c.expect(grewBy(before.gdiObjects, after.gdiObjects) <= kObjectSlack,
               "GDI objects " + std::to_string(before.gdiObjects) + " -> " + std::to_string(after.gdiObjects));
      c.expect(grewBy(before.userObjects, after.userObjects) <= kObjectSlack,
               "USER objects " + std::to_string(before.userObjects) + " -> " + std::to_string(after.userObjects));
    });

    r.run(kGroup, "the clock still ticks after the storm", [&](Case& c) {
      HWND clock = control(main, "Label18", c);
      const std::wstring shown = textOf(clock);
      c.expect(waitUntil([&] { return textOf(clock) != shown; }, 3000),
               "Label18 stayed at " + narrow(shown) + " for 3 s after the storm");
    });

    r.run(kGroup, "close: Disconnect reports the same counts, exit 0", [&](Case& c) {
      const DWORD code = s.closeMainWindow(10000);
      c.expect(code == 0, "exit code " + std::to_string(code));
      const auto calls = readCalls(s.logPath());
      const auto lines = callsNamed(calls, "Counts");
      c.require(lines.size() == 1, std::to_string(lines.size()) + " Counts lines: " + summarize(calls));
      const LibraryCall& line = lines[0];
      c.expect(line.arg("Disconnect") == "1" && line.arg("Connect") == "1", "Connect/Disconnect: " + line.args);
      c.expect(line.arg("GetVendorID") == std::to_string(expected.ids) &&
                   line.arg("GetHandle") == std::to_string(expected.changes) &&
                   line.arg("Read") == std::to_string(expected.reads) && line.arg("outOfStep") == "0",
               "at Disconnect: " + line.args);
    });
  } catch (const Abort&) {
  }
  return true;
}

}  // namespace wine_test
