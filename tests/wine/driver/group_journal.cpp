// A port switched by hand: double-clicks on its indicator with the mouse, as a user
// makes them, each send one report and recolour it; its tooltip says what the port
// did; gunluk.txt holds those switchings and the scheduled one, in Windows' line ends.
#include "groups.h"
#include "standin_log.h"
#include "text.h"
#include "ui.h"

namespace wine_test {

using namespace dorvan;

namespace {

const char* const kGroup = "journal";

std::vector<std::string> writesAfter(const Session& s, std::size_t from) {
  std::vector<std::string> out;
  const auto calls = readCalls(s.logPath());
  for (std::size_t i = from; i < calls.size(); ++i)
    if (calls[i].call == "WriteEx") out.push_back(calls[i].arg("data"));
  return out;
}

std::string report(int port, int state) {
  char b[40];
  wsprintfA(b, "00 %02X %02X 00 00 00 00 00 00", port, state);
  return b;
}

// Real input: the cursor put on the control, then two clicks of the left button.
void doubleClickWithMouse(HWND control) {
  const RECT r = screenRectOf(control);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT clicks[4]{};
  for (int i = 0; i < 4; ++i) {
    clicks[i].type = INPUT_MOUSE;
    clicks[i].mi.dwFlags = i % 2 == 0 ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  }
  SendInput(4, clicks, sizeof(INPUT));
}

// The cursor nudged within the control, which is what makes a tooltip show.
void hover(HWND control) {
  const RECT r = screenRectOf(control);
  for (int dx : {-3, 3}) {
    SetCursorPos((r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = dx > 0 ? 1 : -1;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(1, &move, sizeof move);
    Sleep(100);
  }
}

std::wstring shownToolTip(const Session& s) {
  for (HWND h : s.windowsOfClass(L"tooltips_class32"))
    if (IsWindowVisible(h)) return textOf(h);
  return {};
}

// "06.12.2026 07:30:00 PORT 03 AÇIK (elle)" without its stamp, which is checked for form.
std::vector<std::string> journalEvents(const std::string& bytes, Case& c) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", at);
    if (!c.expect(end != std::string::npos, "a line without CR LF: " + bytes.substr(at))) break;
    const std::string line = bytes.substr(at, end - at);
    c.expect(
        line.size() > 20 && line[2] == '.' && line[5] == '.' && line[10] == ' ' && line[13] == ':' && line[19] == ' ',
        "no \"DD.MM.YYYY HH:MM:SS \" stamp: " + line);
    out.push_back(line.size() > 20 ? line.substr(20) : line);
    at = end + 2;
  }
  return out;
}

}  // namespace

bool runJournal(Context& ctx) {
  Session s(ctx.paths, LaunchOptions{});
  Report& r = ctx.report;
  HWND main = nullptr;
  try {
    r.run(kGroup, "start; port 1 switched on by its schedule", [&](Case& c) {
      main = acceptPrompt(s, launchToPrompt(s, c), c);
      SYSTEMTIME due;
      GetLocalTime(&due);
      due = plusSeconds(due, 2);
      typeInto(control(main, "Text2", c), dateText(due));
      typeInto(control(main, "Text5", c), timeText(due));
      c.require(waitUntil([&] { return !writesAfter(s, 0).empty(); }, 5000), "port 1 was not switched on");
      // The due second's further ticks repeat the report; the hand switchings come after them.
      const SYSTEMTIME after = plusMs(due, 1300);
      waitUntil(
          [&] {
            SYSTEMTIME now;
            GetLocalTime(&now);
            return !earlier(now, after);
          },
          5000);
    });
    r.run(kGroup, "a double-click on port 3's indicator sends one on report and turns it red", [&](Case& c) {
      HWND indicator = control(main, "Label31", c);
      const std::size_t before = readCalls(s.logPath()).size();
      doubleClickWithMouse(indicator);
      c.expect(waitUntil([&] { return !writesAfter(s, before).empty(); }, 3000), "no report after the double-click");
      Sleep(400);
      c.expect(writesAfter(s, before) == std::vector<std::string>{report(3, 1)},
               "reports: " + summarize(readCalls(s.logPath()), before));
      c.expect(dominantColor(indicator, 2) == kRed, "Label31 is " + colorName(dominantColor(indicator, 2)));
      hover(indicator);
      std::wstring tip;
      waitUntil([&] { return !(tip = shownToolTip(s)).empty(); }, 4000);
      c.note("tooltip: " + narrow(tip));
      c.expect(tip.starts_with(L"PORT 03 — çift tıklayınca kapanır. Son: AÇIK, ") && tip.ends_with(L" (elle)."),
               "tooltip: \"" + narrow(tip) + "\"");
    });
    r.run(kGroup, "a second double-click sends the off report and turns it blue", [&](Case& c) {
      HWND indicator = control(main, "Label31", c);
      const std::size_t before = readCalls(s.logPath()).size();
      doubleClickWithMouse(indicator);
      c.expect(waitUntil([&] { return !writesAfter(s, before).empty(); }, 3000), "no report after the double-click");
      Sleep(400);
      c.expect(writesAfter(s, before) == std::vector<std::string>{report(3, 0)},
               "reports: " + summarize(readCalls(s.logPath()), before));
      c.expect(dominantColor(indicator, 2) == kBlue, "Label31 is " + colorName(dominantColor(indicator, 2)));
    });
    r.run(kGroup, "gunluk.txt holds the start, the scheduled and both hand switchings, and the end", [&](Case& c) {
      c.expect(s.closeMainWindow(10000) == 0, "exit code not 0");
      std::string bytes;
      c.require(readBytes(s.workFile(L"gunluk.txt"), bytes), "no gunluk.txt in the working folder");
      c.expect(!bytes.starts_with("\xEF\xBB\xBF"), "the journal starts with a byte-order mark");
      const std::vector<std::string> want{"DORVAN AÇILDI", "PORT 01 AÇIK (çizelge)", "PORT 03 AÇIK (elle)",
                                          "PORT 03 KAPALI (elle)", "DORVAN KAPANDI"};
      c.expect(journalEvents(bytes, c) == want, "gunluk.txt:\n" + bytes);
    });
  } catch (const Abort&) {
  }
  return true;
}

}  // namespace wine_test
