// Recording stand-ins for everything the core talks to: the window, the board
// library, the window-procedure slot, the clock and the file system.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/file_ops.h"
#include "form/form_view.h"
#include "hid/hid_library.h"
#include "hid/hid_link.h"

namespace dorvan::test {

struct ShownMessage {
  std::string title;
  std::string text;
  MessageKind kind;
};

class FakeView : public FormView {
 public:
  void showText(ControlId id, std::string_view utf8) override;
  void showBackColor(ControlId id, Color color) override;
  void showMark(ControlId id, bool marked, std::string_view toolTip) override;
  void showPicture(ControlId id, const Image& image) override;
  void showMessage(std::string_view title, std::string_view text, MessageKind kind) override;
  // Kept apart from the modal ones: shown once the handler has returned.
  void showMessageLater(std::string_view title, std::string_view text, MessageKind kind) override {
    later.push_back({std::string(title), std::string(text), kind});
  }
  std::uintptr_t nativeHandle() override { return handle; }
  void endProgram(int exitCode) override { endedWith = exitCode; }

  std::uintptr_t handle = 0x1234;
  std::map<ControlId, std::string> texts;  // last text shown per control
  std::map<ControlId, Color> colors;
  std::map<std::string, std::string> marks;  // the tooltip of every box shown marked, by name
  std::vector<std::string> log;              // "text Label18 07:30:00", "color Label21 255", "picture", "message ..."
  std::vector<ShownMessage> messages;
  std::vector<ShownMessage> later;
  std::optional<Image> picture;
  std::optional<int> endedWith;
  // Runs while a modal message is open, as a window's own messages do.
  std::function<void()> duringMessage;
};

class FakeLibrary : public HidLibrary {
 public:
  std::string load() override;
  bool Connect(std::uintptr_t hostWindow) override;
  bool Disconnect() override;
  std::uint32_t GetVendorID(DeviceHandle handle) override;
  std::uint32_t GetProductID(DeviceHandle handle) override;
  DeviceHandle GetHandle(std::uint32_t vendorId, std::uint32_t productId) override;
  void SetReadNotify(DeviceHandle handle, bool enable) override;
  bool Read(DeviceHandle handle, std::uint8_t* report) override;
  void WriteEx(std::uint32_t vendorId, std::uint32_t productId, std::uint8_t* report) override;

  std::string loadProblem;
  // A handle's vendor ID is its high 16 bits and its product ID the low 16 bits.
  DeviceHandle attached = 0;  // what GetHandle answers
  std::vector<std::string> calls;
  std::vector<std::vector<std::uint8_t>> written;  // every WriteEx report
  // Port and state (bytes 1 and 2) of every report, in the order sent.
  std::vector<std::pair<int, int>> portsAndStates() const;
  std::vector<std::string>* sharedLog = nullptr;  // also append calls here, for ordering across fakes
};

constexpr DeviceHandle deviceHandle(std::uint32_t vendor, std::uint32_t product) { return (vendor << 16) | product; }

class FakeSlot : public WindowProcSlot {
 public:
  void install(std::uintptr_t window) override;
  void restore(std::uintptr_t window) override;
  std::intptr_t callPrevious(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) override;

  bool installed = false;
  std::vector<std::string> calls;
  std::vector<std::string>* sharedLog = nullptr;
  std::intptr_t previousResult = 77;
};

class FakeClock : public Clock {
 public:
  LocalTime now() override;
  // Istanbul's fixed UTC+3, unless a test asks for the computer's own zone (and sets TZ).
  WallSecond wallOf(UtcSecond s) const override { return ownZone ? Clock::wallOf(s) : s + utcOffset; }
  UtcSecond utcOf(WallSecond s) const override { return ownZone ? Clock::utcOf(s) : s - utcOffset; }
  std::int64_t utcOffset = 3 * 3600;
  bool ownZone = false;
  // Each reading returns the next instant of the queue; the last one repeats.
  std::vector<LocalTime> readings;
  std::size_t next = 0;
  int reads = 0;
  void set(LocalTime t) {
    readings = {t};
    next = 0;
  }
};

// An in-memory folder whose every operation can be made to fail.
class FakeFiles : public FileOps {
 public:
  FileResult openRead(std::string_view path, Handle& out) override;
  FileResult read(Handle h, std::uint8_t* buffer, std::size_t capacity, std::size_t& got) override;
  void close(Handle h) override;
  FileResult create(std::string_view path, Handle& out) override;
  FileResult openAppend(std::string_view path, Handle& out, std::uint64_t& size) override;
  FileResult write(Handle h, const std::uint8_t* data, std::size_t size) override;
  FileResult flush(Handle h) override;
  FileResult replace(std::string_view from, std::string_view to) override;
  FileResult remove(std::string_view path) override;

  std::map<std::string, std::string> files;
  // Every file but the journal, which any event writes.
  std::map<std::string, std::string> besideJournal() const {
    auto out = files;
    out.erase("gunluk.txt");
    return out;
  }
  std::map<std::string, FileResult> failOpen;  // per path
  std::optional<FileResult> failRead, failCreate, failAppend, failWrite, failFlush, failReplace;
  int openHandles = 0;

 private:
  struct Open {
    std::string path;
    std::size_t pos = 0;
    bool writing = false;
  };
  std::map<Handle, Open> open_;
  Handle nextHandle_ = 1;
};

LocalTime at(int year, int month, int day, int hour, int minute, int second, int ms = 0);

}  // namespace dorvan::test
