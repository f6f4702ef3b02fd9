// Starting without a usable board library, and plug pictures that cannot be read.
#include <cstdio>

#include "groups.h"
#include "hid/hid_library.h"
#include "standin_log.h"
#include "text.h"
#include "ui.h"

namespace wine_test {

using namespace dorvan;

namespace {

// The program must say why it cannot start, in a box titled with its caption, and
// end without ever showing its window.
std::wstring expectRefusedStart(Session& s, Case& c) {
  s.launch();
  HWND box = nullptr;
  bool mainSeen = false;
  waitUntil(
      [&] {
        HWND main = s.mainWindow();
        if (main != nullptr && IsWindowVisible(main)) mainSeen = true;
        box = s.waitForMessageBox(0);
        return box != nullptr || !s.running();
      },
      30000);
  c.require(box != nullptr,
            "no message box appeared (the program " + std::string(s.running() ? "is still running" : "ended") + ")");
  wchar_t title[256] = L"";
  GetWindowTextW(box, title, 256);
  c.expect(title == windowCaption(), "message title is \"" + narrow(title) + "\"");
  const std::wstring text = messageBoxText(box);
  c.note("message: " + narrow(text));
  c.expect(containsNoCase(text, L"mcHID.dll"), "the message does not name mcHID.dll");
  dismissMessageBox(box);
  DWORD code = STILL_ACTIVE;
  waitUntil(
      [&] {
        HWND main = s.mainWindow();
        if (main != nullptr && IsWindowVisible(main)) mainSeen = true;
        code = s.waitForExit(0);
        return code != STILL_ACTIVE;
      },
      10000);
  c.expect(!mainSeen, "the main window was shown");
  c.expect(code != STILL_ACTIVE, "the program is still running after the message");
  c.expect(code != 0 && code != STILL_ACTIVE, "exit code " + std::to_string(code) + ", expected a failure code");
  return text;
}

}  // namespace

bool runStartFailures(Context& ctx) {
  Report& r = ctx.report;
  try {
    r.run("start-failures", "no mcHID.dll beside DORVAN.exe: message naming it and the folder", [&](Case& c) {
      LaunchOptions o;
      o.dllBesideExe = false;
      Session s(ctx.paths, o);
      const std::wstring text = expectRefusedStart(s, c);
      c.expect(containsNoCase(text, s.appDir()), "the message does not name the folder " + narrow(s.appDir()));
    });
  } catch (const Abort&) {
  }
  try {
    r.run("start-failures", "an mcHID.dll in the working folder only is not loaded", [&](Case& c) {
      LaunchOptions o;
      o.dllBesideExe = false;
      o.dllInWorkDir = true;
      Session s(ctx.paths, o);
      expectRefusedStart(s, c);
      const auto calls = readCalls(s.logPath());
      c.expect(calls.empty(), "the planted library was loaded: " + summarize(calls));
    });
  } catch (const Abort&) {
  }
  try {
    r.run("start-failures", "two bad lines in ag.txt, the window closed under their message: both before the end",
          [&](Case& c) {
            LaunchOptions o;
            o.arguments = L"3";
            Session s(ctx.paths, o);
            std::string emptyStage;
            for (int line = 0; line < 50; ++line) emptyStage += "\r\n";
            writeBytes(s.workFile(L"kademe3.txt"), emptyStage);
            writeBytes(s.workFile(L"ag.txt"), "renk = mavi\r\nboyut = 3\r\n");
            s.launch();
            HWND box = s.waitForMessageBox(30000);
            c.require(box != nullptr, "no message about ag.txt appeared");
            // As a user closing the program from the taskbar while the message is open.
            PostMessageW(s.mainWindow(), WM_CLOSE, 0, 0);
            waitUntil([&] {
              if (HWND open = s.waitForMessageBox(0)) dismissMessageBox(open);
              return s.waitForExit(0) != STILL_ACTIVE;
            }, 15000, 200);
            c.require(s.waitForExit(0) != STILL_ACTIVE, "the program did not end");
            std::string journal;
            c.require(readBytes(s.workFile(L"gunluk.txt"), journal), "no gunluk.txt");
            const std::size_t first = journal.find("UYARI: ag.txt, satır 1: \"renk\"");
            const std::size_t second = journal.find("UYARI: ag.txt, satır 2: \"boyut\"");
            const std::size_t end = journal.find("DORVAN KAPANDI");
            c.expect(first < second && second < end && end != std::string::npos &&
                         journal.find("\r\n", end) + 2 == journal.size(),
                     "gunluk.txt:\n" + journal);
          });
  } catch (const Abort&) {
  }
  return true;
}

// The program under test beside the stand-in of the other bitness, which it cannot load.
bool runBitness(Context& ctx) {
  if (!fileExists(ctx.paths.standin)) {
    std::printf("bitness: \"%s\" is not there (build the other preset first): nothing to test\n",
                narrow(ctx.paths.standin).c_str());
    return false;
  }
  const std::string bits = sizeof(void*) == 8 ? "64" : "32";
  const std::string libraryBits = sizeof(void*) == 8 ? "32" : "64";
  try {
    ctx.report.run(
        "bitness", bits + "-bit DORVAN.exe beside a " + libraryBits + "-bit mcHID.dll: says it cannot use it",
        [&](Case& c) {
          Session s(ctx.paths, LaunchOptions{});
          const std::wstring text = expectRefusedStart(s, c);
          c.expect(text.find(widen(bits)) != std::wstring::npos && text.find(widen(libraryBits)) != std::wstring::npos,
                   "the message does not speak of " + bits + " and " + libraryBits + " bits");
          c.expect(readCalls(s.logPath()).empty(), "the " + libraryBits + "-bit library was called");
        });
  } catch (const Abort&) {
  }
  return true;
}

bool runPictures(Context& ctx) {
  const char* const group = "pictures";
  LaunchOptions o;
  Session s(ctx.paths, o);
  // fis_2.bmp missing everywhere, fis_1.bmp damaged.
  DeleteFileW(s.workFile(L"fis_2.bmp").c_str());
  DeleteFileW((s.appDir() + L"\\fis_2.bmp").c_str());
  writeBytes(s.workFile(L"fis_1.bmp"), "BM this is no bitmap");
  writeBytes(s.appDir() + L"\\fis_1.bmp", "BM this is no bitmap");
  const unsigned board = deviceHandle(kBoardVendorId, kBoardProductId);
  try {
    HWND main = nullptr;
    ctx.report.run(group, "start without fis_2.bmp and with a broken fis_1.bmp", [&](Case& c) {
      HWND prompt = launchToPrompt(s, c);
      main = acceptPrompt(s, prompt, c);
    });
    HWND picture = controlWindow(main, "Picture1");
    RECT area = screenRectOf(picture);
    InflateRect(&area, -2, -2);
    auto flat = [](const Pixels& p) {
      for (dorvan::Color k : p.colors)
        if (k != p.colors.front()) return false;
      return true;
    };
    Pixels plugged;
    ctx.report.run(group, "plug with fis_2.bmp missing: a built-in picture, no message", [&](Case& c) {
      const std::size_t before = readCalls(s.logPath()).size();
      PostMessageW(main, kDeviceNotification, 1, static_cast<LPARAM>(board));
      c.expect(waitUntil([&] { return readCalls(s.logPath()).size() >= before + 2; }, 3000),
               "the plug was not handled");
      Sleep(500);
      c.expect(s.waitForMessageBox(0) == nullptr, "a message box opened");
      c.expect(s.running(), "the program ended");
      plugged = captureScreen(area);
      c.expect(!flat(plugged), "Picture1 is empty");
    });
    ctx.report.run(group, "unplug with a broken fis_1.bmp: a built-in picture, no message", [&](Case& c) {
      PostMessageW(main, kDeviceNotification, 2, static_cast<LPARAM>(board));
      const bool changed = waitUntil([&] { return captureScreen(area) != plugged; }, 3000);
      c.expect(s.waitForMessageBox(0) == nullptr, "a message box opened");
      c.expect(s.running(), "the program ended");
      const Pixels unplugged = captureScreen(area);
      c.expect(changed, "the picture did not change from plugged to unplugged");
      c.expect(!flat(unplugged), "Picture1 is empty");
    });
    ctx.report.run(group, "closes normally afterwards", [&](Case& c) {
      const DWORD code = s.closeMainWindow(10000);
      c.expect(code == 0, "exit code " + std::to_string(code));
    });
  } catch (const Abort&) {
  }
  return true;
}

}  // namespace wine_test
