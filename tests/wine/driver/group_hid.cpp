// The link to the board library: Connect before the prompt, notifications
// dispatched (also while the prompt is open), the plug picture, read
// notification, and Disconnect and unhooking on close.
#include <algorithm>

#include "app/win32/win32_names.h"
#include "groups.h"
#include "hid/hid_library.h"
#include "standin_log.h"
#include "text.h"
#include "ui.h"

namespace wine_test {

using namespace dorvan;

namespace {

const char* const kGroup = "hid";
const unsigned kBoard = deviceHandle(kBoardVendorId, kBoardProductId);

void notify(HWND main, Notification code, unsigned handle) {
  PostMessageW(main, kDeviceNotification, static_cast<WPARAM>(code), static_cast<LPARAM>(handle));
}

// Waits until the log holds more than `count` calls and the last one is `name`.
bool waitForCall(const Session& s, std::size_t count, const std::string& name, DWORD ms = 3000) {
  return waitUntil(
      [&] {
        const auto calls = readCalls(s.logPath());
        for (std::size_t i = count; i < calls.size(); ++i)
          if (calls[i].call == name) return true;
        return false;
      },
      ms);
}

// The inner area of Picture1, inside its 2-pixel border.
RECT pictureArea(HWND picture) {
  RECT r = screenRectOf(picture);
  InflateRect(&r, -2, -2);
  return r;
}

// Points where the two plug pictures differ, within what the box shows of them.
std::vector<POINT> tellTalePoints(const Pixels& a, const Pixels& b, const RECT& area) {
  const int w = std::min({a.width, b.width, static_cast<int>(area.right - area.left)});
  const int h = std::min({a.height, b.height, static_cast<int>(area.bottom - area.top)});
  std::vector<POINT> diff;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (a.at(x, y) != b.at(x, y)) diff.push_back(POINT{x, y});
  std::vector<POINT> picked;
  const std::size_t step = std::max<std::size_t>(1, diff.size() / 200);
  for (std::size_t i = 0; i < diff.size(); i += step) picked.push_back(diff[i]);
  return picked;
}

double shareShowing(const Pixels& screen, const Pixels& bitmap, const std::vector<POINT>& points) {
  if (points.empty()) return 0;
  int same = 0;
  for (POINT p : points)
    if (p.x < screen.width && p.y < screen.height && screen.at(p.x, p.y) == bitmap.at(p.x, p.y)) ++same;
  return static_cast<double>(same) / static_cast<double>(points.size());
}

}  // namespace

bool runHidLink(Context& ctx) {
  Session s(ctx.paths, LaunchOptions{});
  Report& r = ctx.report;
  HWND prompt = nullptr;
  HWND main = nullptr;
  std::string connectProc;
  try {
    r.run(kGroup, "Connect once with the main window, before the prompt", [&](Case& c) {
      prompt = launchToPrompt(s, c);
      main = s.mainWindow();
      c.require(main != nullptr, "no main window exists while the prompt is open");
      const auto calls = readCalls(s.logPath());
      const auto connects = callsNamed(calls, "Connect");
      c.expect(connects.size() == 1, std::to_string(connects.size()) + " Connect calls: " + summarize(calls));
      if (!connects.empty()) {
        connectProc = connects[0].arg("wndproc");
        const std::string want = handleText(static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(main)));
        c.expect(connects[0].arg("hostWindow") == want,
                 "Connect got " + connects[0].arg("hostWindow") + ", the main window is " + want);
      }
    });
    r.run(kGroup, "a change notification is handled while the prompt is open", [&](Case& c) {
      const std::size_t before = readCalls(s.logPath()).size();
      notify(main, Notification::Changed, 0);
      c.expect(waitForCall(s, before, "SetReadNotify"), "no SetReadNotify after code 3");
      const auto calls = readCalls(s.logPath());
      const std::string seen = summarize(calls, before);
      c.expect(calls.size() == before + 2, "calls after code 3: " + seen);
      if (calls.size() >= before + 2) {
        const LibraryCall& get = calls[before];
        const LibraryCall& set = calls[before + 1];
        c.expect(get.call == "GetHandle" && get.arg("vid") == "6020" && get.arg("pid") == "2008", "first call " + seen);
        c.expect(set.call == "SetReadNotify" && set.arg("h") == handleText(kBoard) && set.arg("enable") == "-1",
                 "second call " + seen);
      }
      c.expect(!IsWindowVisible(main), "the main window became visible before OK");
    });
    main = nullptr;
    r.run(kGroup, "OK shows the window", [&](Case& c) { main = acceptPrompt(s, prompt, c); });

    Pixels fis1, fis2;
    const bool havePictures =
        loadBitmapFile(s.workFile(L"fis_1.bmp"), fis1) && loadBitmapFile(s.workFile(L"fis_2.bmp"), fis2);
    HWND picture = controlWindow(main, "Picture1");
    const RECT area = picture ? pictureArea(picture) : RECT{};
    const std::vector<POINT> points = havePictures ? tellTalePoints(fis1, fis2, area) : std::vector<POINT>{};
    auto showing = [&](const Pixels& bitmap) { return shareShowing(captureScreen(area), bitmap, points) >= 0.95; };

    r.run(kGroup, "another device plugged or unplugged leaves the picture", [&](Case& c) {
      c.require(picture != nullptr, "no Picture1");
      const Pixels stored = captureScreen(area);
      for (unsigned other : {deviceHandle(kBoardVendorId, 2009), deviceHandle(6021, kBoardProductId)}) {
        for (Notification code : {Notification::Plugged, Notification::Unplugged}) {
          const std::size_t before = readCalls(s.logPath()).size();
          notify(main, code, other);
          c.expect(waitForCall(s, before, "GetProductID"), "no GetProductID for " + handleText(other));
          const auto calls = readCalls(s.logPath());
          c.expect(calls.size() == before + 2 && calls[before].call == "GetVendorID" &&
                       calls[before + 1].call == "GetProductID" && calls[before].arg("h") == handleText(other),
                   "calls for " + handleText(other) + ": " + summarize(calls, before));
          Sleep(200);
          c.expect(captureScreen(area) == stored, "the picture changed for device " + handleText(other));
        }
      }
    });
    r.run(kGroup, "plug shows fis_2.bmp, unplug fis_1.bmp, plug again fis_2.bmp", [&](Case& c) {
      c.require(havePictures, "fis_1.bmp or fis_2.bmp is missing beside DORVAN.exe or not a bitmap");
      c.require(!points.empty(), "fis_1.bmp and fis_2.bmp look the same in the box");
      notify(main, Notification::Plugged, kBoard);
      c.expect(waitUntil([&] { return showing(fis2); }, 3000), "fis_2.bmp not shown after plug");
      notify(main, Notification::Unplugged, kBoard);
      c.expect(waitUntil([&] { return showing(fis1); }, 3000), "fis_1.bmp not shown after unplug");
      notify(main, Notification::Plugged, kBoard);
      c.expect(waitUntil([&] { return showing(fis2); }, 3000), "fis_2.bmp not shown after the second plug");
      const auto calls = readCalls(s.logPath());
      c.expect(callsNamed(calls, "GetVendorID").back().arg("h") == handleText(kBoard), "IDs not asked of the board");
    });
    r.run(kGroup, "read notification reads that device; codes 0 and 5 call nothing", [&](Case& c) {
      std::size_t before = readCalls(s.logPath()).size();
      notify(main, Notification::Read, kBoard);
      c.expect(waitForCall(s, before, "Read"), "no Read after code 4");
      auto calls = readCalls(s.logPath());
      c.expect(calls.size() == before + 1 && calls[before].arg("h") == handleText(kBoard),
               "calls after code 4: " + summarize(calls, before));
      before = calls.size();
      PostMessageW(main, kDeviceNotification, 0, static_cast<LPARAM>(kBoard));
      PostMessageW(main, kDeviceNotification, 5, static_cast<LPARAM>(kBoard));
      // Posted messages arrive in order: this read marks the end of the two above.
      const unsigned marker = deviceHandle(0x1234, 0x5678);
      notify(main, Notification::Read, marker);
      c.expect(waitForCall(s, before, "Read"), "the marker read did not arrive");
      calls = readCalls(s.logPath());
      c.expect(calls.size() == before + 1 && calls[before].arg("h") == handleText(marker),
               "calls for codes 0, 5 and the marker: " + summarize(calls, before));
      c.expect(s.running() && s.waitForMessageBox(0) == nullptr, "the program stopped or showed a message");
    });
    r.run(kGroup, "close: Disconnect, then the window procedure back, exit 0", [&](Case& c) {
      const std::size_t before = readCalls(s.logPath()).size();
      const DWORD code = s.closeMainWindow(10000);
      c.expect(code == 0, "exit code " + std::to_string(code));
      const auto calls = readCalls(s.logPath());
      const std::string seen = summarize(calls, before);
      const auto disconnects = callsNamed(calls, "Disconnect");
      const auto destroys = callsNamed(calls, "WM_DESTROY");
      c.expect(disconnects.size() == 1, std::to_string(disconnects.size()) + " Disconnect calls; at close: " + seen);
      c.expect(destroys.size() == 1, "no WM_DESTROY record of the main window; at close: " + seen);
      if (disconnects.size() == 1 && destroys.size() == 1) {
        c.expect(disconnects[0].arg("wndproc") != connectProc,
                 "at Disconnect the window procedure is the original one: the hook was never in place");
        c.expect(destroys[0].arg("wndproc") == connectProc, "at WM_DESTROY the window procedure is " +
                                                                destroys[0].arg("wndproc") + ", at Connect it was " +
                                                                connectProc);
        std::size_t di = 0, wi = 0;
        for (std::size_t i = 0; i < calls.size(); ++i) {
          if (calls[i].call == "Disconnect") di = i;
          if (calls[i].call == "WM_DESTROY") wi = i;
        }
        c.expect(di < wi, "Disconnect came after the window was destroyed: " + seen);
      }
      for (std::size_t i = before; i < calls.size(); ++i)
        c.expect(calls[i].call == "Disconnect" || calls[i].call == "WM_DESTROY", "at close also " + seen);
    });
  } catch (const Abort&) {
  }
  return true;
}

}  // namespace wine_test
