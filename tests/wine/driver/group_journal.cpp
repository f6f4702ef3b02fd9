// A port switched by hand: double-clicks of the mouse on its indicator each send one
// report and recolour it, its tooltip says what the port did, and gunluk.txt holds
// those switchings and the scheduled one, in Windows' line ends.
#include <algorithm>

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

bool waitForTheDue(const SYSTEMTIME& due) {
  return waitUntil(
      [&] {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return !earlier(now, due);
      },
      5000);
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
      // The due second's further ticks repeat the report; the hand switchings come after them.
      c.require(waitForTheDue(plusMs(due, 1300)) && !writesAfter(s, 0).empty(), "port 1 was not switched on");
    });
    for (const auto& [state, color] : {std::pair{1, kRed}, std::pair{0, kBlue}}) {
      const std::string report = state ? "00 03 01 00 00 00 00 00 00" : "00 03 00 00 00 00 00 00 00";
      r.run(kGroup, "a double-click on port 3's indicator sends " + report + " and turns it " + colorName(color),
            [&](Case& c) {
              HWND indicator = control(main, "Label31", c);
              const std::size_t before = readCalls(s.logPath()).size();
              mouseOn(indicator, {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP});
              waitUntil([&] { return !writesAfter(s, before).empty(); }, 3000);
              Sleep(400);
              c.expect(writesAfter(s, before) == std::vector<std::string>{report},
                       "reports: " + summarize(readCalls(s.logPath()), before));
              c.expect(dominantColor(indicator, 2) == color, "Label31 is " + colorName(dominantColor(indicator, 2)));
            });
    }
    r.run(kGroup, "the indicator's tooltip says what a double-click does and what the port did", [&](Case& c) {
      mouseOn(control(main, "Label31", c), {MOUSEEVENTF_MOVE});
      std::wstring tip;
      waitUntil(
          [&] {
            for (HWND h : s.windowsOfClass(L"tooltips_class32"))
              if (IsWindowVisible(h)) tip = textOf(h);
            return !tip.empty();
          },
          4000);
      c.expect(tip.starts_with(L"PORT 03 — çift tıklayınca açılır. Son: KAPALI, ") && tip.ends_with(L" (elle)."),
               "tooltip: \"" + narrow(tip) + "\"");
    });
    r.run(kGroup, "gunluk.txt holds the start, the scheduled and both hand switchings, and the end", [&](Case& c) {
      c.expect(s.closeMainWindow(10000) == 0, "exit code not 0");
      std::string bytes, events;
      c.require(readBytes(s.workFile(L"gunluk.txt"), bytes), "no gunluk.txt in the working folder");
      // Each line "DD.MM.YYYY HH:MM:SS " and its event, ended by CR LF.
      for (std::size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2)
        events +=
            (end - at > 20 && bytes[at + 10] == ' ' && bytes[at + 19] == ' ' ? bytes.substr(at + 20, end - at - 20)
                                                                             : "(no stamp)") +
            "|";
      c.expect(
          events == "DORVAN AÇILDI|PORT 01 AÇIK (çizelge)|PORT 03 AÇIK (elle)|PORT 03 KAPALI (elle)|DORVAN KAPANDI|",
          "gunluk.txt:\n" + bytes);
      c.expect(std::count(bytes.begin(), bytes.end(), '\n') == std::count(bytes.begin(), bytes.end(), '\r') &&
                   !bytes.starts_with("\xEF"),
               "a line not ended by CR LF, or a byte-order mark");
    });
  } catch (const Abort&) {
  }
  return true;
}

}  // namespace wine_test
