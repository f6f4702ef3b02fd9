// What the benchmarks share: a count of the heap allocations made on the measuring
// thread, a window and a board that do nothing, a clock of two readings in turn, and a
// folder of their own to work in. Included by exactly one source file of each
// benchmark program, which thereby replaces that program's global allocator.
#pragma once

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "base/clock.h"
#include "form/form_view.h"
#include "hid/hid_library.h"

namespace dorvan::bench {
// Counted per thread: a network client's own thread allocates as it likes.
inline thread_local long t_allocations = 0;
}  // namespace dorvan::bench

void* operator new(std::size_t n) {
  ++dorvan::bench::t_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace dorvan::bench {

inline long allocations() { return t_allocations; }

class NullView final : public FormView {
 public:
  void showText(ControlId, std::string_view) override {}
  void showBackColor(ControlId, Color) override {}
  void showMark(ControlId, bool, std::string_view) override {}
  void showPicture(ControlId, const Image&) override {}
  void showMessage(std::string_view, std::string_view, MessageKind) override {}
  void showMessageLater(std::string_view, std::string_view, MessageKind) override {}
  std::uintptr_t nativeHandle() override { return 1; }
  void endProgram(int) override {}
};

// A board that takes every report; a benchmark that needs to see them overrides WriteEx.
class NullLibrary : public HidLibrary {
 public:
  std::string load() override { return {}; }
  bool Connect(std::uintptr_t) override { return true; }
  bool Disconnect() override { return true; }
  std::uint32_t GetVendorID(DeviceHandle) override { return 0; }
  std::uint32_t GetProductID(DeviceHandle) override { return 0; }
  DeviceHandle GetHandle(std::uint32_t, std::uint32_t) override { return 0; }
  void SetReadNotify(DeviceHandle, bool) override {}
  bool Read(DeviceHandle, std::uint8_t*) override { return true; }
  void WriteEx(std::uint32_t, std::uint32_t, std::uint8_t*) override {}
};

// Two readings in turn, the first one first.
class AlternatingClock final : public Clock {
 public:
  AlternatingClock(const LocalTime& first, const LocalTime& second) : readings_{first, second} {}
  LocalTime now() override {
    const LocalTime t = readings_[next_];
    next_ = 1 - next_;
    return t;
  }

 private:
  std::array<LocalTime, 2> readings_;
  std::size_t next_ = 0;
};

// The benchmark's own folder, which it also works in from the first call: the journal
// is opened by bare name there, as the program opens it beside the stage files.
inline const std::string& benchFolder() {
  static const std::string dir = [] {
    std::string t = (std::filesystem::temp_directory_path() / "dorvan-bench-XXXXXX").string();
    if (!mkdtemp(t.data()) || chdir(t.c_str()) != 0) std::abort();
    return t;
  }();
  return dir;
}

}  // namespace dorvan::bench
