// The hidapi board library's own logic over a fake device list: what it posts on
// plug, unplug and input reports, its handles, writing, the permission warning,
// and that Disconnect leaves no thread behind.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "fake_devices.h"
#include "hid/linux/hidapi_library.h"
#include "hid/port_command.h"

namespace dorvan {
namespace {

using namespace std::chrono_literals;
using namespace testing;

constexpr std::uintptr_t kWindow = 0x5151;
const HidDeviceInfo kBoard{"/dev/hidraw1", 0x1784, 0x07D8};
const HidDeviceInfo kMouse{"/dev/hidraw0", 0x046D, 0xC077};
const HidDeviceInfo kOtherProduct{"/dev/hidraw2", 0x1784, 0x0001};

class HidapiLibraryTest : public ::testing::Test {
 protected:
  std::unique_ptr<HidLibrary> make() {
    HidapiHooks hooks{[this](std::uintptr_t window, std::uint32_t code, std::uint32_t handle) {
                        std::lock_guard lock(world.mutex);
                        world.posted.push_back({window, code, handle});
                        world.changed.notify_all();
                      },
                      [this](const std::string& text) {
                        std::lock_guard lock(world.mutex);
                        world.problems.push_back(text);
                      }};
    auto library = makeHidapiLibrary(std::move(hooks), std::make_unique<FakeBackend>(world));
    EXPECT_EQ(library->load(), "");
    return library;
  }
  std::size_t postedCount() {
    std::lock_guard lock(world.mutex);
    return world.posted.size();
  }

  World world;
};

TEST_F(HidapiLibraryTest, PlugAndUnplugArePostedWithStableHandlesThatOutliveTheDevice) {
  world.plug(kMouse);
  auto library = make();
  ASSERT_TRUE(library->Connect(kWindow));
  // What was there at Connect is the starting point, not news.
  const DeviceHandle mouse = library->GetHandle(kMouse.vendorId, kMouse.productId);
  EXPECT_NE(mouse, 0u);
  EXPECT_EQ(library->GetHandle(kBoardVendorId, kBoardProductId), 0u);

  world.plug(kBoard);
  auto posted = world.waitForPosted(2);
  ASSERT_EQ(posted.size(), 2u);
  const DeviceHandle board = posted[0].handle;
  EXPECT_EQ(posted[0], (Posted{kWindow, 1, board}));
  EXPECT_EQ(posted[1], (Posted{kWindow, 3, 0}));
  EXPECT_NE(board, mouse);
  EXPECT_EQ(library->GetHandle(kBoardVendorId, kBoardProductId), board);

  world.unplug(kBoard);
  posted = world.waitForPosted(4);
  ASSERT_EQ(posted.size(), 4u);
  EXPECT_EQ(posted[2], (Posted{kWindow, 2, board}));
  EXPECT_EQ(posted[3], (Posted{kWindow, 3, 0}));
  // Asked after the unplug notification, for a device that has gone.
  EXPECT_EQ(library->GetVendorID(board), kBoardVendorId);
  EXPECT_EQ(library->GetProductID(board), kBoardProductId);
  EXPECT_EQ(library->GetHandle(kBoardVendorId, kBoardProductId), 0u);

  world.plug(kBoard);
  posted = world.waitForPosted(6);
  ASSERT_EQ(posted.size(), 6u);
  EXPECT_EQ(posted[4], (Posted{kWindow, 1, board}));

  // A different device at a path the board used is a device of its own.
  world.unplug(kBoard);
  world.waitForPosted(8);
  world.plug({kBoard.path, kOtherProduct.vendorId, kOtherProduct.productId});
  posted = world.waitForPosted(10);
  ASSERT_EQ(posted.size(), 10u);
  EXPECT_NE(posted[8].handle, board);
  EXPECT_EQ(library->GetProductID(posted[8].handle), kOtherProduct.productId);
  EXPECT_EQ(library->GetProductID(board), kBoardProductId);
  EXPECT_EQ(library->GetVendorID(0), 0u);
  EXPECT_EQ(library->GetVendorID(999), 0u);
}

TEST_F(HidapiLibraryTest, ABoardPresentAtConnectIsAnnouncedAsAPlugAndItsReportsAreReadOldestFirst) {
  world.plug(kBoard);
  auto library = make();
  library->Connect(kWindow);
  const DeviceHandle board = library->GetHandle(kBoardVendorId, kBoardProductId);
  ASSERT_EQ(world.waitForPosted(2), (std::vector<Posted>{{kWindow, 1, board}, {kWindow, 3, 0}}));
  {
    std::lock_guard lock(world.mutex);
    world.posted.clear();
  }

  library->SetReadNotify(board, true);
  library->SetReadNotify(board, true);  // a second enable starts no second reader
  {
    std::lock_guard lock(world.mutex);
    EXPECT_EQ(world.openDevices, 1);
  }
  world.send(kBoard, {1, 2, 3, 4, 5, 6, 7, 8});
  world.send(kBoard, {9, 9});
  const auto posted = world.waitForPosted(2);
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0], (Posted{kWindow, 4, board}));
  EXPECT_EQ(posted[1], (Posted{kWindow, 4, board}));

  Report report{};
  ASSERT_TRUE(library->Read(board, report.data()));
  EXPECT_EQ(report, (Report{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  ASSERT_TRUE(library->Read(board, report.data()));
  EXPECT_EQ(report, (Report{0, 9, 9, 0, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(library->Read(board, report.data()));
  EXPECT_EQ(report, (Report{0, 9, 9, 0, 0, 0, 0, 0, 0}));

  // No board: the handle GetHandle gives for it is 0, and enabling it does nothing.
  library->SetReadNotify(0, true);
  EXPECT_FALSE(library->Read(0, report.data()));

  // Once the board has gone and come back, reading starts again on request.
  world.unplug(kBoard);
  world.waitForPosted(4);
  world.plug(kBoard);
  world.waitForPosted(6);
  library->SetReadNotify(board, true);
  world.send(kBoard, {42});
  const auto after = world.waitForPosted(7);
  ASSERT_EQ(after.size(), 7u);
  EXPECT_EQ(after[6], (Posted{kWindow, 4, board}));
  ASSERT_TRUE(library->Read(board, report.data()));
  EXPECT_EQ(report[1], 42);
}

TEST_F(HidapiLibraryTest, WriteExSendsNineBytesToTheBoardAndNothingWithoutOne) {
  auto library = make();
  library->Connect(kWindow);
  Report on{0, 3, 1, 0, 0, 0, 0, 0, 0};
  library->WriteEx(kBoardVendorId, kBoardProductId, on.data());  // nothing attached

  world.plug(kOtherProduct);
  world.plug(kBoard);
  world.waitForPosted(4);
  library->WriteEx(kBoardVendorId, kBoardProductId, on.data());
  Report off{0, 3, 0, 0, 0, 0, 0, 0, 0};
  library->WriteEx(kBoardVendorId, kBoardProductId, off.data());
  {
    std::lock_guard lock(world.mutex);
    EXPECT_EQ(world.written[kBoard.path], (std::vector<Report>{on, off}));
    EXPECT_TRUE(world.written[kOtherProduct.path].empty());
  }

  // A board pulled and put back gets the next report on its new node.
  world.unplug(kBoard);
  world.waitForPosted(6);
  library->WriteEx(kBoardVendorId, kBoardProductId, on.data());
  world.plug(kBoard);
  world.waitForPosted(8);
  library->WriteEx(kBoardVendorId, kBoardProductId, off.data());
  std::lock_guard lock(world.mutex);
  EXPECT_EQ(world.written[kBoard.path], (std::vector<Report>{on, off, off}));
}

TEST_F(HidapiLibraryTest, ABoardThatCannotBeOpenedIsReportedOnce) {
  world.openError[kBoard.path] = EACCES;
  world.openError[kMouse.path] = EACCES;
  auto library = make();
  library->Connect(kWindow);
  world.plug(kMouse);  // not the board: none of our business
  world.waitForPosted(2);
  world.plug(kBoard);
  world.waitForPosted(4);
  const DeviceHandle board = library->GetHandle(kBoardVendorId, kBoardProductId);
  library->SetReadNotify(board, true);
  Report report{0, 1, 1, 0, 0, 0, 0, 0, 0};
  library->WriteEx(kBoardVendorId, kBoardProductId, report.data());
  library->Disconnect();

  ASSERT_EQ(world.problems.size(), 1u);
  EXPECT_NE(world.problems[0].find(kBoard.path), std::string::npos);
  EXPECT_NE(world.problems[0].find("70-dorvan.rules"), std::string::npos);
  EXPECT_NE(world.problems[0].find("TAG+=\"uaccess\""), std::string::npos);
}

TEST_F(HidapiLibraryTest, DisconnectStopsEveryThreadAndClosesEveryDevice) {
  world.plug(kBoard);
  auto library = make();
  library->Connect(kWindow);
  const DeviceHandle board = library->GetHandle(kBoardVendorId, kBoardProductId);
  library->SetReadNotify(board, true);
  Report report{0, 1, 1, 0, 0, 0, 0, 0, 0};
  library->WriteEx(kBoardVendorId, kBoardProductId, report.data());
  {
    std::lock_guard lock(world.mutex);
    EXPECT_EQ(world.openDevices, 2);  // the reader's and the writer's
  }

  EXPECT_TRUE(library->Disconnect());
  {
    std::lock_guard lock(world.mutex);
    EXPECT_EQ(world.openDevices, 0);
    EXPECT_EQ(world.watchesWaiting, 0);
  }
  // Nobody is left to notice, read or post; the two posted are the board's announcement at Connect.
  world.send(kBoard, {1});
  world.unplug(kBoard);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(postedCount(), 2u);

  // Connect again after a Disconnect, then let the destructor do the disconnecting.
  library->Connect(kWindow);
  world.plug(kMouse);
  EXPECT_EQ(world.waitForPosted(4).size(), 4u);
  library.reset();
  std::lock_guard lock(world.mutex);
  EXPECT_EQ(world.watchesWaiting, 0);
  EXPECT_EQ(world.openDevices, 0);
}

// The real hidapi and udev, as the machine has them; a board need not be attached.
TEST(SystemHidapi, ConnectEnumerateWriteAndDisconnect) {
  std::mutex mutex;
  std::vector<std::uint32_t> codes;
  auto library = makeHidapiLibrary({[&](std::uintptr_t, std::uint32_t code, std::uint32_t) {
                                      std::lock_guard lock(mutex);
                                      codes.push_back(code);
                                    },
                                    nullptr},
                                   makeSystemHidBackend());
  ASSERT_EQ(library->load(), "");
  ASSERT_TRUE(library->Connect(kWindow));
  const DeviceHandle board = library->GetHandle(kBoardVendorId, kBoardProductId);
  library->SetReadNotify(board, true);
  Report report{0, 1, 0, 0, 0, 0, 0, 0, 0};
  library->WriteEx(kBoardVendorId, kBoardProductId, report.data());
  std::this_thread::sleep_for(700ms);  // past one poll of the device list
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(library->Disconnect());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  std::lock_guard lock(mutex);
  for (std::uint32_t c : codes) EXPECT_TRUE(c >= 1 && c <= 4);
}

}  // namespace
}  // namespace dorvan
