// The board library on Linux, built on hidapi (hidraw) and libudev. The logic
// (handles, plug and unplug detection, read threads, the report queue) sits over a
// small backend seam so that it can be driven by a fake device list; the real
// backend is in system_backend.cpp.
//
// The library knows no window toolkit. What the vendor library on Windows does
// with PostMessage, this one does through a poster that the window binding
// supplies; the poster may be called from any of the library's threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hid/hid_library.h"

namespace dorvan {

struct HidDeviceInfo {
  std::string path;  // e.g. /dev/hidraw3
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  bool operator==(const HidDeviceInfo&) const = default;
};

class HidDevice {
 public:
  virtual ~HidDevice() = default;
  // Bytes of one input report (without report ID), 0 when none came within the
  // timeout, negative when the device has gone or failed.
  virtual int read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) = 0;
  // Bytes written, negative on failure. data[0] is the report ID.
  virtual int write(const std::uint8_t* data, std::size_t size) = 0;
};

// Wakes the monitor thread when the set of devices may have changed.
class DeviceWatch {
 public:
  virtual ~DeviceWatch() = default;
  // Returns when a device may have come or gone, when wake() was called, or at
  // the latest after the watch's polling interval.
  virtual void waitForChange() = 0;
  // Any thread: makes the current or next waitForChange() return at once.
  virtual void wake() = 0;
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;
  // False with a reason when the HID layer cannot be used at all.
  virtual bool init(std::string& reason) = 0;
  virtual std::vector<HidDeviceInfo> enumerate() = 0;
  // Null on failure, with errno's value in `error` (EACCES when udev gave the
  // device node to someone else).
  virtual std::unique_ptr<HidDevice> open(const std::string& path, int& error) = 0;
  virtual std::unique_ptr<DeviceWatch> watch() = 0;
};

// hidapi's hidraw backend; udev's monitor when udevd runs, else a 0.5 s poll.
std::unique_ptr<HidBackend> makeSystemHidBackend();

// code is a Notification value (1-4), handle 0 for Changed.
using NotificationPoster = std::function<void(std::uintptr_t window, std::uint32_t code, std::uint32_t handle)>;
// A problem the user must fix outside the program, in Turkish (UTF-8).
using ProblemReporter = std::function<void(const std::string& text)>;

struct HidapiHooks {
  NotificationPoster post;
  ProblemReporter reportProblem;
};

std::unique_ptr<HidLibrary> makeHidapiLibrary(HidapiHooks hooks, std::unique_ptr<HidBackend> backend);

// makeBoardLibrary() takes nothing, as on Windows, where the host window handle is
// all the vendor library needs. Here the binding names its hooks first; a library
// made without them drives the board but tells nobody about devices.
void setBoardLibraryHooks(HidapiHooks hooks);

// Shown once when the board is attached but its device node cannot be opened.
std::string boardAccessDeniedMessage(const std::string& path);

}  // namespace dorvan
