// A device list of our own behind the hidapi board library's backend seam: devices
// plugged and unplugged by the test, their input reports, what was written to them,
// and what the library posted.
#pragma once

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hid/linux/hidapi_library.h"
#include "hid/port_command.h"

namespace dorvan::testing {

using namespace std::chrono_literals;

struct Posted {
  std::uintptr_t window;
  std::uint32_t code;
  std::uint32_t handle;
  bool operator==(const Posted&) const = default;
};

// Everything the fake devices and the library's threads share.
struct World {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<HidDeviceInfo> present;
  std::map<std::string, std::deque<std::vector<std::uint8_t>>> inputs;
  std::map<std::string, std::vector<Report>> written;
  std::map<std::string, int> openError;
  std::vector<Posted> posted;
  std::vector<std::string> problems;
  int openDevices = 0;
  int watchesWaiting = 0;
  int generation = 0;  // bumped on every plug or unplug

  void plug(const HidDeviceInfo& d) {
    std::lock_guard lock(mutex);
    present.push_back(d);
    ++generation;
    changed.notify_all();
  }
  void unplug(const HidDeviceInfo& d) {
    std::lock_guard lock(mutex);
    std::erase(present, d);
    ++generation;
    changed.notify_all();
  }
  void send(const HidDeviceInfo& d, std::vector<std::uint8_t> report) {
    std::lock_guard lock(mutex);
    inputs[d.path].push_back(std::move(report));
    changed.notify_all();
  }
  bool isPresent(const std::string& path) {
    return std::any_of(present.begin(), present.end(), [&](const auto& d) { return d.path == path; });
  }
  // Waits until `count` notifications have been posted.
  std::vector<Posted> waitForPosted(std::size_t count) {
    std::unique_lock lock(mutex);
    changed.wait_for(lock, 3s, [&] { return posted.size() >= count; });
    return posted;
  }
};

class FakeDevice final : public HidDevice {
 public:
  FakeDevice(World& world, std::string path) : world_(world), path_(std::move(path)) {}
  ~FakeDevice() override {
    std::lock_guard lock(world_.mutex);
    --world_.openDevices;
  }
  int read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) override {
    std::unique_lock lock(world_.mutex);
    auto& queue = world_.inputs[path_];
    world_.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return !queue.empty() || !world_.isPresent(path_); });
    if (!world_.isPresent(path_)) return -1;
    if (queue.empty()) return 0;
    const std::vector<std::uint8_t> report = queue.front();
    queue.pop_front();
    const std::size_t n = std::min(capacity, report.size());
    std::copy_n(report.begin(), n, buffer);
    return static_cast<int>(n);
  }
  int write(const std::uint8_t* data, std::size_t size) override {
    std::lock_guard lock(world_.mutex);
    if (!world_.isPresent(path_) || size != kReportSize) return -1;
    Report r{};
    std::copy_n(data, kReportSize, r.begin());
    world_.written[path_].push_back(r);
    return static_cast<int>(size);
  }

 private:
  World& world_;
  std::string path_;
};

// Returns when the device list has changed since the last return, or on wake().
class FakeWatch final : public DeviceWatch {
 public:
  explicit FakeWatch(World& world) : world_(world) {
    std::lock_guard lock(world_.mutex);
    seen_ = world_.generation;
  }
  void waitForChange() override {
    std::unique_lock lock(world_.mutex);
    ++world_.watchesWaiting;
    world_.changed.wait(lock, [&] { return woken_ || world_.generation != seen_; });
    --world_.watchesWaiting;
    woken_ = false;
    seen_ = world_.generation;
  }
  void wake() override {
    std::lock_guard lock(world_.mutex);
    woken_ = true;
    world_.changed.notify_all();
  }

 private:
  World& world_;
  int seen_ = 0;
  bool woken_ = false;
};

class FakeBackend final : public HidBackend {
 public:
  explicit FakeBackend(World& world) : world_(world) {}
  bool init(std::string&) override { return true; }
  std::vector<HidDeviceInfo> enumerate() override {
    std::lock_guard lock(world_.mutex);
    return world_.present;
  }
  std::unique_ptr<HidDevice> open(const std::string& path, int& error) override {
    std::lock_guard lock(world_.mutex);
    error = world_.openError.count(path) ? world_.openError[path] : (world_.isPresent(path) ? 0 : ENOENT);
    if (error != 0) return nullptr;
    ++world_.openDevices;
    return std::make_unique<FakeDevice>(world_, path);
  }
  std::unique_ptr<DeviceWatch> watch() override { return std::make_unique<FakeWatch>(world_); }

 private:
  World& world_;
};

}  // namespace dorvan::testing
