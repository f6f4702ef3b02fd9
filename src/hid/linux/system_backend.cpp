// hidapi (hidraw) and libudev behind the backend seam of hidapi_library.h.
#include <fcntl.h>
#include <hidapi.h>
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cwchar>
#include <mutex>
#include <set>

#include "hid/linux/hidapi_library.h"

namespace dorvan {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(500);
// udevd answers on this socket; without it (containers, early boot) no udev
// events come and the device list has to be polled.
constexpr const char* kUdevControl = "/run/udev/control";

std::string narrow(const wchar_t* text) {
  std::string out;
  if (!text) return out;
  std::mbstate_t state{};
  char buffer[8];
  for (; *text; ++text) {
    const std::size_t n = std::wcrtomb(buffer, *text, &state);
    if (n != static_cast<std::size_t>(-1)) out.append(buffer, n);
  }
  return out;
}

class HidapiDevice final : public HidDevice {
 public:
  explicit HidapiDevice(hid_device* device) : device_(device) {}
  ~HidapiDevice() override { hid_close(device_); }
  HidapiDevice(const HidapiDevice&) = delete;
  HidapiDevice& operator=(const HidapiDevice&) = delete;

  int read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) override {
    return hid_read_timeout(device_, buffer, capacity, timeoutMs);
  }
  int write(const std::uint8_t* data, std::size_t size) override { return hid_write(device_, data, size); }

 private:
  hid_device* device_;
};

// Polls every half second; wake() cuts a wait short.
class IntervalWatch final : public DeviceWatch {
 public:
  void waitForChange() override {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, kPollInterval, [this] { return woken_; });
    woken_ = false;
  }
  void wake() override {
    {
      std::lock_guard lock(mutex_);
      woken_ = true;
    }
    wake_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
};

// Sleeps until udev reports a hidraw node added or removed.
class UdevWatch final : public DeviceWatch {
 public:
  static std::unique_ptr<DeviceWatch> tryCreate() {
    if (access(kUdevControl, F_OK) != 0) return nullptr;
    auto watch = std::unique_ptr<UdevWatch>(new UdevWatch());
    if (!watch->start()) return nullptr;
    return watch;
  }
  ~UdevWatch() override {
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
    if (wakeFd_ >= 0) close(wakeFd_);
  }
  UdevWatch(const UdevWatch&) = delete;
  UdevWatch& operator=(const UdevWatch&) = delete;

  void waitForChange() override {
    pollfd fds[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) return;
    if (fds[0].revents & POLLIN) drainMonitor();
    if (fds[1].revents & POLLIN) {
      eventfd_t value;
      eventfd_read(wakeFd_, &value);
    }
  }
  void wake() override { eventfd_write(wakeFd_, 1); }

 private:
  UdevWatch() = default;

  bool start() {
    udev_ = udev_new();
    if (!udev_) return false;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_) return false;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0) return false;
    if (udev_monitor_enable_receiving(monitor_) < 0) return false;
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return wakeFd_ >= 0;
  }

  // One plug can bring several events; the list is read once for all of them.
  void drainMonitor() {
    while (udev_device* device = udev_monitor_receive_device(monitor_)) udev_device_unref(device);
  }

  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  int wakeFd_ = -1;
};

class SystemHidBackend final : public HidBackend {
 public:
  SystemHidBackend() = default;
  ~SystemHidBackend() override {
    if (initialised_) hid_exit();
  }
  SystemHidBackend(const SystemHidBackend&) = delete;
  SystemHidBackend& operator=(const SystemHidBackend&) = delete;

  bool init(std::string& reason) override {
    std::lock_guard lock(mutex_);
    if (initialised_) return true;
    if (hid_init() != 0) {
      reason = narrow(hid_error(nullptr));
      return false;
    }
    initialised_ = true;
    return true;
  }

  std::vector<HidDeviceInfo> enumerate() override {
    std::lock_guard lock(mutex_);
    std::vector<HidDeviceInfo> out;
    std::set<std::string> seen;  // a device with several top-level usages is listed once per usage
    hid_device_info* list = hid_enumerate(0, 0);
    for (hid_device_info* d = list; d; d = d->next)
      if (d->path && seen.insert(d->path).second) out.push_back({d->path, d->vendor_id, d->product_id});
    hid_free_enumeration(list);
    return out;
  }

  std::unique_ptr<HidDevice> open(const std::string& path, int& error) override {
    std::lock_guard lock(mutex_);
    error = 0;
    if (hid_device* device = hid_open_path(path.c_str())) return std::make_unique<HidapiDevice>(device);
    // hidapi keeps only a text; the node itself tells why.
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
      error = errno;
    } else {
      close(fd);
      error = EIO;
    }
    return nullptr;
  }

  std::unique_ptr<DeviceWatch> watch() override {
    if (std::unique_ptr<DeviceWatch> udevWatch = UdevWatch::tryCreate()) return udevWatch;
    return std::make_unique<IntervalWatch>();
  }

 private:
  // hidapi's enumerate and open share global state; reads and writes on an open device do not.
  std::mutex mutex_;
  bool initialised_ = false;
};

}  // namespace

std::unique_ptr<HidBackend> makeSystemHidBackend() { return std::make_unique<SystemHidBackend>(); }

}  // namespace dorvan
