// A chattering board: ten thousand plug, unplug, change and read notifications,
// posted from another thread through the event poster the hidapi library uses,
// into the real window. Each must reach its handler once and then go on to the
// window; afterwards the process must hold no more memory or file descriptors than
// before, and the clock must still tick.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <malloc.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "app/qt/event_poster.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_events.h"
#include "base/file_ops.h"
#include "qt_fakes.h"
#include "qtest_main.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DORVAN_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define DORVAN_SANITIZED 1
#endif
#endif

namespace dorvan {
namespace {

using testing::FixedClock;

constexpr DeviceHandle deviceHandle(std::uint32_t vendor, std::uint32_t product) { return (vendor << 16) | product; }
constexpr DeviceHandle kBoard = deviceHandle(kBoardVendorId, kBoardProductId);
constexpr DeviceHandle kOtherDevice = deviceHandle(kBoardVendorId, 2009);

constexpr int kStormSize = 10000;
constexpr int kWarmUpSize = kStormSize;
// Keeps the queue short, so that what the storm leaves behind is not the queue's
// high-water mark kept by the allocator.
constexpr int kBatchSize = 500;

enum Call : std::size_t { kGetVendorID, kGetProductID, kGetHandle, kSetReadNotify, kRead, kWriteEx, kCalls };

// Answers like a board library whose device handles carry their IDs (vendor in
// the high 16 bits), and counts what it is asked.
class CountingHidLibrary final : public HidLibrary {
 public:
  std::array<long, kCalls> calls{};

  std::string load() override { return {}; }
  bool Connect(std::uintptr_t) override { return true; }
  bool Disconnect() override { return true; }
  std::uint32_t GetVendorID(DeviceHandle h) override {
    ++calls[kGetVendorID];
    return h >> 16;
  }
  std::uint32_t GetProductID(DeviceHandle h) override {
    ++calls[kGetProductID];
    return h & 0xFFFFu;
  }
  DeviceHandle GetHandle(std::uint32_t vendor, std::uint32_t product) override {
    ++calls[kGetHandle];
    return deviceHandle(vendor, product);
  }
  void SetReadNotify(DeviceHandle, bool) override { ++calls[kSetReadNotify]; }
  bool Read(DeviceHandle, std::uint8_t* report) override {
    ++calls[kRead];
    report[1] = 0xA1;
    return true;
  }
  void WriteEx(std::uint32_t, std::uint32_t, std::uint8_t*) override { ++calls[kWriteEx]; }
};

// Installed on the window before the hook, so it sees a notification only if the
// hook's filter let it go on, and only after the handler has run.
class PassedOn final : public QObject {
 public:
  explicit PassedOn(const CountingHidLibrary& library) : library_(library), atLast_(library.calls) {}

  std::array<long, 6> byCode{};  // 0..4, 5 for any other code
  long outOfStep = 0;            // passed on with other calls than the code asks for
  long total() const {
    long sum = 0;
    for (long n : byCode) sum += n;
    return sum;
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != DeviceNotificationEvent::eventType()) return false;
    const std::uint32_t code = static_cast<const DeviceNotificationEvent*>(event)->code();
    if (!handledInStep(code)) ++outOfStep;
    ++byCode[code <= 4 ? code : 5];
    atLast_ = library_.calls;
    return false;
  }

 private:
  bool handledInStep(std::uint32_t code) const {
    auto made = [&](Call c) { return library_.calls[c] - atLast_[c]; };
    const long ids = code == 1 || code == 2 ? 1 : 0;
    const long change = code == 3 ? 1 : 0;
    return made(kGetVendorID) == ids && made(kGetProductID) == ids && made(kGetHandle) == change &&
           made(kSetReadNotify) == change && made(kRead) == (code == 4 ? 1 : 0);
  }

  const CountingHidLibrary& library_;
  std::array<long, kCalls> atLast_;
};

struct Notice {
  std::uint32_t code;
  DeviceHandle handle;
};

// A fixed pseudo-random mix: the board plugged and unplugged (its picture file read
// every time), another device of the vendor coming and going, the device set
// changing and input reports arriving.
std::vector<Notice> chatter(int count, std::uint32_t seed) {
  static const Notice kinds[] = {{1, kBoard},       {1, kBoard}, {2, kBoard}, {2, kBoard}, {1, kOtherDevice},
                                 {2, kOtherDevice}, {3, 0},      {3, 0},      {4, kBoard}, {4, kBoard}};
  std::vector<Notice> out;
  out.reserve(static_cast<std::size_t>(count));
  std::uint32_t state = seed;
  for (int i = 0; i < count; ++i) {
    state = state * 1664525u + 1013904223u;
    out.push_back(kinds[(state >> 16) % std::size(kinds)]);
  }
  return out;
}

struct Expected {
  long ids = 0;
  long changes = 0;
  long reads = 0;
  std::array<long, 6> byCode{};
  void add(const Notice& n) {
    ++byCode[n.code];
    if (n.code == 1 || n.code == 2) ++ids;
    if (n.code == 3) ++changes;
    if (n.code == 4) ++reads;
  }
};

struct Resources {
  long residentKiB = 0;
  long heapInUseKiB = 0;  // what the allocator has handed out and not had back
  long openFds = 0;
};

Resources measure() {
  Resources r;
  const struct mallinfo2 heap = mallinfo2();
  r.heapInUseKiB = static_cast<long>((heap.uordblks + heap.hblkhd) / 1024);
  long size = 0, resident = 0;
  std::ifstream statm("/proc/self/statm");
  if (statm >> size >> resident) r.residentKiB = resident * (sysconf(_SC_PAGESIZE) / 1024);
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++r.openFds;
  return r;
}

// Answers every message box with OK as soon as it is up, counting them.
class MessageCatcher {
 public:
  MessageCatcher() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        ++shown;
        box->accept();
      }
    });
    timer_.start(10);
  }
  int shown = 0;

 private:
  QTimer timer_;
};

QString labelText(QWidget* w) { return qobject_cast<QLabel*>(w)->text(); }

}  // namespace

class StormTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void tenThousandNotificationsLeaveNothingBehind();

 private:
  // Posts from another thread, a batch at a time, each batch once the window has
  // passed the one before on; false when a batch did not get through in time.
  bool postInBatches(const std::vector<Notice>& notices);

  CountingHidLibrary library_;
  FixedClock clock_;
  EventPoster poster_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<PassedOn> passedOn_;
  QTemporaryDir workDir_;
  QString previousDir_;
};

void StormTest::initTestCase() {
  QVERIFY(workDir_.isValid());
  for (const char* name : {"fis_1.bmp", "fis_2.bmp"})
    QVERIFY2(QFile::copy(QStringLiteral(DORVAN_GEN_DIR "/") + name, workDir_.filePath(name)), name);
  previousDir_ = QDir::currentPath();
  QDir::setCurrent(workDir_.path());
}

void StormTest::cleanupTestCase() {
  window_.reset();
  QDir::setCurrent(previousDir_);
}

bool StormTest::postInBatches(const std::vector<Notice>& notices) {
  const HidapiHooks hooks = poster_.hooks();
  const std::uintptr_t handle = window_->nativeHandle();
  const long start = passedOn_->total();
  for (std::size_t from = 0; from < notices.size(); from += kBatchSize) {
    const std::size_t to = std::min(notices.size(), from + kBatchSize);
    std::thread([&] {
      for (std::size_t i = from; i < to; ++i) hooks.post(handle, notices[i].code, notices[i].handle);
    }).join();
    const long want = start + static_cast<long>(to);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (passedOn_->total() < want && std::chrono::steady_clock::now() < deadline)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (passedOn_->total() < want) {
      qWarning("after %zu posted only %ld were passed on", to, passedOn_->total() - start);
      return false;
    }
  }
  return true;
}

void StormTest::tenThousandNotificationsLeaveNothingBehind() {
  window_ = std::make_unique<MainWindow>(library_, clock_, systemFileOps());
  passedOn_ = std::make_unique<PassedOn>(library_);
  window_->installEventFilter(passedOn_.get());
  poster_.attach(*window_);
  MessageCatcher catcher;
  QVERIFY(window_->start());
  QCOMPARE(catcher.shown, 1);  // the start-up prompt

  // A first storm settles the program: the first pictures, paints, ticks and full
  // batches allocate what later ones reuse, and the heap finds its shape around the
  // picture buffers. The storm's own list is made before the measure too.
  Expected expected;
  const std::vector<Notice> warmUp = chatter(kWarmUpSize, 7);
  const std::vector<Notice> storm = chatter(kStormSize, 20260101);
  for (const Notice& n : warmUp) expected.add(n);
  for (const Notice& n : storm) expected.add(n);
  QVERIFY(postInBatches(warmUp));
  QTest::qWait(300);
  const Resources before = measure();

  const auto started = std::chrono::steady_clock::now();
  QVERIFY(postInBatches(storm));
  const auto took =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  QTest::qWait(300);
  const Resources after = measure();

  qInfo(
      "%d notifications in %lld ms; with the %d of the warm-up: GetVendorID=%ld GetProductID=%ld GetHandle=%ld "
      "SetReadNotify=%ld Read=%ld passed on=%ld (plug %ld, unplug %ld, change %ld, read %ld) out of step=%ld",
      kStormSize, static_cast<long long>(took), kWarmUpSize, library_.calls[kGetVendorID],
      library_.calls[kGetProductID], library_.calls[kGetHandle], library_.calls[kSetReadNotify], library_.calls[kRead],
      passedOn_->total(), passedOn_->byCode[1], passedOn_->byCode[2], passedOn_->byCode[3], passedOn_->byCode[4],
      passedOn_->outOfStep);
  qInfo(
      "before the storm: resident %ld KiB, heap in use %ld KiB, %ld open fds; "
      "after: resident %ld KiB, heap in use %ld KiB, %ld open fds",
      before.residentKiB, before.heapInUseKiB, before.openFds, after.residentKiB, after.heapInUseKiB, after.openFds);

  QCOMPARE(library_.calls[kGetVendorID], expected.ids);
  QCOMPARE(library_.calls[kGetProductID], expected.ids);
  QCOMPARE(library_.calls[kGetHandle], expected.changes);
  QCOMPARE(library_.calls[kSetReadNotify], expected.changes);
  QCOMPARE(library_.calls[kRead], expected.reads);
  QCOMPARE(passedOn_->byCode, expected.byCode);
  QCOMPARE(passedOn_->outOfStep, 0L);
  QCOMPARE(catcher.shown, 1);

  // Every file a handler opens is closed before it returns.
  QCOMPARE(after.openFds, before.openFds);
#ifdef DORVAN_SANITIZED
  qInfo(
      "memory not compared: the sanitizer keeps its own heap and holds freed memory back; "
      "its leak check runs at exit");
#else
  // Settled, the heap in use stays within a kilobyte over 60,000 notifications, so
  // 16 KiB catches anything lost per notification (the least a lost allocation
  // costs is 32 bytes: 320 KiB for the storm).
  QVERIFY2(after.heapInUseKiB - before.heapInUseKiB <= 16,
           qPrintable(QStringLiteral("heap in use grew by %1 KiB").arg(after.heapInUseKiB - before.heapInUseKiB)));
  // Resident memory also holds heap pages the allocator keeps for reuse; after a
  // first storm it moves by under 100 KiB more, then not at all. 256 KiB still
  // catches a picture (31 KiB) or file buffer (23 KiB) lost once per hundred plugs.
  QVERIFY2(after.residentKiB - before.residentKiB <= 256,
           qPrintable(QStringLiteral("resident memory grew by %1 KiB").arg(after.residentKiB - before.residentKiB)));
#endif

  QWidget* timeLabel = window_->control(controlId("Label18"));
  const QString shown = labelText(timeLabel);
  clock_.time.second = (clock_.time.second + 1) % 60;
  QTRY_VERIFY_WITH_TIMEOUT(labelText(timeLabel) != shown, 2000);

  QVERIFY(window_->close());
  poster_.detach();
}

}  // namespace dorvan

int main(int argc, char** argv) { return dorvan::testing::runQtTest<dorvan::StormTest>(argc, argv); }

#include "storm_test.moc"
