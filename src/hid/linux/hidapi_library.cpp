#include "hid/linux/hidapi_library.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace dorvan {

namespace {

using Report = std::array<std::uint8_t, kReportSize>;

// Input reports waiting for Read. The main thread reads one per notification, so
// a backlog means it is stuck; past this the oldest are dropped.
constexpr std::size_t kMaxPendingReports = 256;
constexpr int kReadTimeoutMs = 50;
constexpr std::size_t kReadCapacity = 64;

constexpr std::uint32_t code(Notification n) { return static_cast<std::uint32_t>(n); }

// A device as the library has seen it. Handles are never reused: a device that
// goes keeps its entry, so GetVendorID/GetProductID still answer for it.
struct KnownDevice {
  HidDeviceInfo info;
  bool attached = false;
};

// One device's read thread and the reports it has taken in.
struct Reader {
  std::unique_ptr<HidDevice> device;
  std::deque<Report> pending;  // guarded by the library's mutex
  std::atomic<bool> stop{false};
  std::atomic<bool> finished{false};
  std::thread thread;
};

class HidapiLibrary final : public HidLibrary {
 public:
  HidapiLibrary(HidapiHooks hooks, std::unique_ptr<HidBackend> backend)
      : hooks_(std::move(hooks)), backend_(std::move(backend)) {}
  ~HidapiLibrary() override { Disconnect(); }

  std::string load() override;
  bool Connect(std::uintptr_t hostWindow) override;
  bool Disconnect() override;
  std::uint32_t GetVendorID(DeviceHandle handle) override;
  std::uint32_t GetProductID(DeviceHandle handle) override;
  DeviceHandle GetHandle(std::uint32_t vendorId, std::uint32_t productId) override;
  void SetReadNotify(DeviceHandle handle, bool enable) override;
  bool Read(DeviceHandle handle, std::uint8_t* report) override;
  void WriteEx(std::uint32_t vendorId, std::uint32_t productId, std::uint8_t* report) override;

 private:
  struct Change {
    Notification what;
    DeviceHandle handle;
  };

  bool ensureLoaded();
  void monitorLoop();
  std::vector<Change> takeInventory(const std::vector<HidDeviceInfo>& present);
  DeviceHandle handleFor(const HidDeviceInfo& info);                                   // mutex held
  const KnownDevice* known(DeviceHandle handle) const;                                 // mutex held
  DeviceHandle attachedHandle(std::uint32_t vendorId, std::uint32_t productId) const;  // mutex held
  void post(Notification what, DeviceHandle handle);
  void readLoop(DeviceHandle handle, Reader& reader);
  void stopReader(DeviceHandle handle);
  std::unique_ptr<HidDevice> openDevice(const std::string& path);
  void probeBoardAccess(DeviceHandle handle);
  bool writeTo(const std::string& path, const std::uint8_t* report);
  void reportAccessDenied(const std::string& path);

  HidapiHooks hooks_;
  std::unique_ptr<HidBackend> backend_;
  bool loaded_ = false;

  mutable std::mutex mutex_;
  std::vector<KnownDevice> known_;  // handle = index + 1
  std::map<DeviceHandle, std::unique_ptr<Reader>> readers_;

  // Set by Connect before the threads start, cleared by Disconnect after they end.
  std::uintptr_t hostWindow_ = 0;
  bool connected_ = false;
  std::atomic<bool> stopping_{false};
  std::unique_ptr<DeviceWatch> watch_;
  std::thread monitor_;

  // Only the main thread writes, so the open device for it needs no lock.
  std::string writerPath_;
  std::unique_ptr<HidDevice> writer_;

  std::atomic<bool> accessDeniedReported_{false};
};

std::string HidapiLibrary::load() {
  std::string reason;
  if (!backend_->init(reason))
    return "USB HID katmanı (hidapi) başlatılamadı; kart kullanılamaz." +
           (reason.empty() ? std::string() : "\n\nAyrıntı: " + reason);
  loaded_ = true;
  return {};
}

bool HidapiLibrary::ensureLoaded() { return loaded_ || load().empty(); }

bool HidapiLibrary::Connect(std::uintptr_t hostWindow) {
  if (connected_) Disconnect();
  if (!ensureLoaded()) return false;
  // Watching starts before the first look, so that nothing plugged in between is missed.
  watch_ = backend_->watch();
  // Devices present now are the starting point; only later comings and goings are
  // news, except that a board already attached is announced as a plug below.
  takeInventory(backend_->enumerate());
  DeviceHandle board = 0;
  {
    std::lock_guard lock(mutex_);
    board = attachedHandle(kBoardVendorId, kBoardProductId);
  }
  if (board != 0) probeBoardAccess(board);

  hostWindow_ = hostWindow;
  stopping_ = false;
  connected_ = true;
  // So that the window shows the board that is there, and tells it what it commanded.
  if (board != 0) {
    post(Notification::Plugged, board);
    post(Notification::Changed, 0);
  }
  monitor_ = std::thread([this] { monitorLoop(); });
  return true;
}

bool HidapiLibrary::Disconnect() {
  if (!connected_) return true;
  stopping_ = true;
  watch_->wake();
  if (monitor_.joinable()) monitor_.join();
  std::vector<DeviceHandle> handles;
  {
    std::lock_guard lock(mutex_);
    for (const auto& entry : readers_) handles.push_back(entry.first);
  }
  for (DeviceHandle h : handles) stopReader(h);
  writer_.reset();
  writerPath_.clear();
  watch_.reset();
  connected_ = false;
  hostWindow_ = 0;
  return true;
}

void HidapiLibrary::monitorLoop() {
  while (!stopping_) {
    watch_->waitForChange();
    if (stopping_) break;
    for (const Change& c : takeInventory(backend_->enumerate())) {
      post(c.what, c.handle);
      post(Notification::Changed, 0);
      if (c.what == Notification::Plugged && GetVendorID(c.handle) == kBoardVendorId &&
          GetProductID(c.handle) == kBoardProductId)
        probeBoardAccess(c.handle);
    }
  }
}

// Brings the known devices up to date with what is present; departures come first
// so that a device replaced at the same path is seen to go before the new one comes.
std::vector<HidapiLibrary::Change> HidapiLibrary::takeInventory(const std::vector<HidDeviceInfo>& present) {
  std::vector<Change> changes;
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < known_.size(); ++i) {
    KnownDevice& k = known_[i];
    if (k.attached && std::find(present.begin(), present.end(), k.info) == present.end()) {
      k.attached = false;
      changes.push_back({Notification::Unplugged, static_cast<DeviceHandle>(i + 1)});
    }
  }
  for (const HidDeviceInfo& info : present) {
    const DeviceHandle h = handleFor(info);
    KnownDevice& k = known_[h - 1];
    if (!k.attached) {
      k.attached = true;
      changes.push_back({Notification::Plugged, h});
    }
  }
  return changes;
}

DeviceHandle HidapiLibrary::handleFor(const HidDeviceInfo& info) {
  for (std::size_t i = 0; i < known_.size(); ++i)
    if (known_[i].info == info) return static_cast<DeviceHandle>(i + 1);
  known_.push_back({info, false});
  return static_cast<DeviceHandle>(known_.size());
}

const KnownDevice* HidapiLibrary::known(DeviceHandle handle) const {
  if (handle == 0 || handle > known_.size()) return nullptr;
  return &known_[handle - 1];
}

DeviceHandle HidapiLibrary::attachedHandle(std::uint32_t vendorId, std::uint32_t productId) const {
  for (std::size_t i = 0; i < known_.size(); ++i) {
    const KnownDevice& k = known_[i];
    if (k.attached && k.info.vendorId == vendorId && k.info.productId == productId)
      return static_cast<DeviceHandle>(i + 1);
  }
  return 0;
}

void HidapiLibrary::post(Notification what, DeviceHandle handle) {
  if (hooks_.post) hooks_.post(hostWindow_, code(what), handle);
}

std::uint32_t HidapiLibrary::GetVendorID(DeviceHandle handle) {
  std::lock_guard lock(mutex_);
  const KnownDevice* k = known(handle);
  return k ? k->info.vendorId : 0;
}

std::uint32_t HidapiLibrary::GetProductID(DeviceHandle handle) {
  std::lock_guard lock(mutex_);
  const KnownDevice* k = known(handle);
  return k ? k->info.productId : 0;
}

DeviceHandle HidapiLibrary::GetHandle(std::uint32_t vendorId, std::uint32_t productId) {
  std::lock_guard lock(mutex_);
  return attachedHandle(vendorId, productId);
}

void HidapiLibrary::SetReadNotify(DeviceHandle handle, bool enable) {
  if (!connected_) return;
  if (!enable) {
    stopReader(handle);
    return;
  }
  std::string path;
  {
    std::lock_guard lock(mutex_);
    const KnownDevice* k = known(handle);
    if (!k || !k->attached) return;
    auto it = readers_.find(handle);
    if (it != readers_.end() && !it->second->finished) return;  // already reading
    path = k->info.path;
  }
  stopReader(handle);  // a reader whose device went away earlier
  std::unique_ptr<HidDevice> device = openDevice(path);
  if (!device) return;
  auto reader = std::make_unique<Reader>();
  reader->device = std::move(device);
  Reader& r = *reader;
  {
    std::lock_guard lock(mutex_);
    readers_[handle] = std::move(reader);
  }
  r.thread = std::thread([this, handle, &r] { readLoop(handle, r); });
}

void HidapiLibrary::readLoop(DeviceHandle handle, Reader& reader) {
  std::array<std::uint8_t, kReadCapacity> buffer{};
  while (!reader.stop) {
    const int got = reader.device->read(buffer.data(), buffer.size(), kReadTimeoutMs);
    if (got < 0) break;  // unplugged or failed; a later SetReadNotify starts over
    if (got == 0) continue;
    Report report{};  // byte 0: report ID 0
    std::copy_n(buffer.begin(), std::min<std::size_t>(static_cast<std::size_t>(got), kReportSize - 1),
                report.begin() + 1);
    {
      std::lock_guard lock(mutex_);
      if (reader.pending.size() == kMaxPendingReports) reader.pending.pop_front();
      reader.pending.push_back(report);
    }
    post(Notification::Read, handle);
  }
  reader.finished = true;
}

void HidapiLibrary::stopReader(DeviceHandle handle) {
  std::unique_ptr<Reader> reader;
  {
    std::lock_guard lock(mutex_);
    auto it = readers_.find(handle);
    if (it == readers_.end()) return;
    it->second->stop = true;
    reader = std::move(it->second);
    readers_.erase(it);
  }
  if (reader->thread.joinable()) reader->thread.join();
}

bool HidapiLibrary::Read(DeviceHandle handle, std::uint8_t* report) {
  std::lock_guard lock(mutex_);
  auto it = readers_.find(handle);
  if (it == readers_.end() || it->second->pending.empty()) return false;
  const Report& oldest = it->second->pending.front();
  std::copy(oldest.begin(), oldest.end(), report);
  it->second->pending.pop_front();
  return true;
}

void HidapiLibrary::WriteEx(std::uint32_t vendorId, std::uint32_t productId, std::uint8_t* report) {
  std::string path;
  {
    std::lock_guard lock(mutex_);
    if (const KnownDevice* k = known(attachedHandle(vendorId, productId))) path = k->info.path;
  }
  if (path.empty() && connected_) {
    writer_.reset();
    writerPath_.clear();
    return;  // nothing attached: nothing to send, nothing to say
  }
  if (path.empty()) {
    // Not connected, so nobody watches the devices: look for the board now.
    for (const HidDeviceInfo& info : backend_->enumerate())
      if (info.vendorId == vendorId && info.productId == productId) path = info.path;
    if (path.empty()) return;
  }
  // A device node left open from before an unplug fails once; the fresh one is tried at once.
  if (!writeTo(path, report)) writeTo(path, report);
}

bool HidapiLibrary::writeTo(const std::string& path, const std::uint8_t* report) {
  if (!writer_ || writerPath_ != path) {
    writer_ = openDevice(path);
    writerPath_ = writer_ ? path : std::string();
    if (!writer_) return true;  // cannot be opened; retrying now would not help
  }
  if (writer_->write(report, kReportSize) >= 0) return true;
  writer_.reset();
  writerPath_.clear();
  return false;
}

std::unique_ptr<HidDevice> HidapiLibrary::openDevice(const std::string& path) {
  int error = 0;
  std::unique_ptr<HidDevice> device = backend_->open(path, error);
  if (!device && (error == EACCES || error == EPERM)) reportAccessDenied(path);
  return device;
}

// Without the udev rule the board's node belongs to root; say so as soon as the
// board is there rather than at the first switching instant.
void HidapiLibrary::probeBoardAccess(DeviceHandle handle) {
  std::string path;
  {
    std::lock_guard lock(mutex_);
    if (const KnownDevice* k = known(handle)) path = k->info.path;
  }
  if (!path.empty()) openDevice(path);
}

void HidapiLibrary::reportAccessDenied(const std::string& path) {
  if (accessDeniedReported_.exchange(true)) return;
  if (hooks_.reportProblem) hooks_.reportProblem(boardAccessDeniedMessage(path));
}

}  // namespace

std::string boardAccessDeniedMessage(const std::string& path) {
  return "Kart takılı, ancak bu kullanıcının karta erişim izni yok (" + path +
         "). Kart açılamadığı için portlar anahtarlanamaz.\n\n"
         "Çözüm: 70-dorvan.rules dosyasını /etc/udev/rules.d/ klasörüne kopyalayın "
         "(program paketle kurulduysa dosya /usr/lib/udev/rules.d/ içinde zaten vardır). "
         "Dosyanın içeriği tek satırdır:\n"
         "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"1784\", ATTRS{idProduct}==\"07d8\", TAG+=\"uaccess\", "
         "GROUP=\"plugdev\", MODE=\"0660\"\n\n"
         "Sonra \"sudo udevadm control --reload-rules\" ve \"sudo udevadm trigger\" komutlarını "
         "çalıştırın, kartı çıkarıp yeniden takın ve programı yeniden başlatın. DORVAN oturum açılmadan, bir hizmet "
         "olarak çalışıyorsa, hizmetin kullanıcısını plugdev grubuna da ekleyin (\"sudo adduser KULLANICI "
         "plugdev\").";
}

std::unique_ptr<HidLibrary> makeHidapiLibrary(HidapiHooks hooks, std::unique_ptr<HidBackend> backend) {
  return std::make_unique<HidapiLibrary>(std::move(hooks), std::move(backend));
}

}  // namespace dorvan
