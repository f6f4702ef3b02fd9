// Repeat words and the mark seen from outside, through a stage file that holds words.
#include "groups.h"
#include "standin_log.h"
#include "text.h"
#include "ui.h"

// After windows.h, which groups.h brings.
#include <commctrl.h>

namespace wine_test {

using namespace dorvan;

namespace {

const char* const kGroup = "repeat";

// The word of each day of the week, in SYSTEMTIME's order (Sunday first).
const wchar_t* const kDayWords[7] = {L"PAZAR", L"PAZARTESİ", L"SALI", L"ÇARŞAMBA", L"PERŞEMBE", L"CUMA", L"CUMARTESİ"};

SYSTEMTIME now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return t;
}

// Port 1 starts at `due` on its day, port 2 at the same time a day later; port 3's time
// box can never fire.
Table wordStage(const SYSTEMTIME& due) {
  Table t{};
  t[1] = kDayWords[due.wDayOfWeek];
  t[6] = kDayWords[(due.wDayOfWeek + 1) % 7];
  t[2] = t[7] = timeText(due);
  t[11] = L"her gün";
  t[12] = L"7:30:00";
  return t;
}

// Which letters the box shows, asked of the box itself, which measures in its own
// font: the one at the left edge of its text room must be the first, and the point just
// inside the right edge must lie past the last.
std::string cutOf(HWND box) {
  const auto length = static_cast<int>(textOf(box).size());
  const auto margins = static_cast<DWORD>(sendTo(box, EM_GETMARGINS, 0, 0));
  RECT client{};
  GetClientRect(box, &client);
  const int middle = client.bottom / 2;
  const int left = LOWORD(margins);
  const int right = client.right - HIWORD(margins) - 1;
  const int first = LOWORD(sendTo(box, EM_CHARFROMPOS, 0, MAKELPARAM(left, middle)));
  const int past = LOWORD(sendTo(box, EM_CHARFROMPOS, 0, MAKELPARAM(right, middle)));
  if (first == 0 && past == length) return {};
  return "shown from letter " + std::to_string(first) + " to " + std::to_string(past) + " of " + std::to_string(length);
}

int toolCount(const Session& s) {
  int count = 0;
  for (HWND tips : s.windowsOfClass(L"tooltips_class32"))
    count += static_cast<int>(sendTo(tips, TTM_GETTOOLCOUNT, 0, 0));
  return count;
}

}  // namespace

bool runRepeat(Context& ctx) {
  Session s(ctx.paths, LaunchOptions{});
  Report& r = ctx.report;
  HWND main = nullptr;
  SYSTEMTIME due{};
  Table stage{};
  try {
    r.run(kGroup, "start; stage 1 with words loaded", [&](Case& c) {
      main = acceptPrompt(s, launchToPrompt(s, c), c);
      due = plusSeconds(now(), 4);
      due.wMilliseconds = 0;
      stage = wordStage(due);
      writeBytes(s.workFile(L"kademe1.txt"), stageFileBytes(stage));
      clickAndWait(control(main, "Command25", c));
    });
    r.run(kGroup, "a malformed time box is pale red with a tooltip; valid boxes are not", [&](Case& c) {
      HWND malformed = control(main, "Text11", c);
      c.expect(waitUntil([&] { return dominantColor(malformed) == kMarkColor; }, 3000),
               "Text11 is " + colorName(dominantColor(malformed)));
      for (const char* valid : {"Text5", "Text8"}) {
        const Color shown = dominantColor(control(main, valid, c));
        c.expect(shown == static_cast<Color>(GetSysColor(COLOR_WINDOW)),
                 std::string(valid) + " is " + colorName(shown));
      }
      // Each indicator always has a tool; of the boxes, only the marked one.
      c.expect(toolCount(s) == dorvan::kPortCount + 1,
               std::to_string(toolCount(s)) + " tooltips, the indicators' and one box's expected");
    });
    r.run(kGroup, "KAYDET writes the words back byte for byte", [&](Case& c) {
      clickAndWait(control(main, "Command27", c));
      std::string saved;
      c.expect(readBytes(s.workFile(L"kademe1.txt"), saved) && saved == stageFileBytes(stage),
               "kademe1.txt changed on saving");
    });
    r.run(kGroup, "today's word fires in its second, tomorrow's does not", [&](Case& c) {
      waitUntil([&] { return !earlier(now(), plusMs(due, 1500)); }, 15000);
      const auto writes = callsNamed(readCalls(s.logPath()), "WriteEx");
      for (const LibraryCall& w : writes)
        c.expect(w.arg("data") == "00 01 01 00 00 00 00 00 00" && w.second() == narrow(timeText(due)),
                 "report " + w.arg("data") + " at " + w.time + ", only port 1 on at " + narrow(timeText(due)));
      c.expect(writes.size() >= 3, std::to_string(writes.size()) + " reports, one per tick of the second expected");
      c.expect(dominantColor(control(main, "Label21", c), 2) == kRed, "Label21 is not red");
    });
    r.run(kGroup, "every repeat word shows whole in a date box; a date keeps the window's font", [&](Case& c) {
      HWND box = control(main, "Text10", c);
      const auto windowFont = sendTo(control(main, "Label18", c), WM_GETFONT, 0, 0);
      for (const wchar_t* word :
           {L"HAFTA SONU", L"PAZARTESİ", L"CUMARTESİ", L"HAFTA İÇİ", L"ÇARŞAMBA", L"PERŞEMBE", L"HER GÜN"}) {
        typeInto(box, word);
        const std::string cut = cutOf(box);
        c.expect(cut.empty(), narrow(word) + " is " + cut);
      }
      typeInto(box, L"28.12.2026");
      c.expect(cutOf(box).empty(), "28.12.2026 is " + cutOf(box));
      c.expect(sendTo(box, WM_GETFONT, 0, 0) == windowFont, "a date is shown in a font of its own");
    });
    r.run(kGroup, "close", [&](Case& c) { c.expect(s.closeMainWindow(10000) == 0, "exit code not 0"); });
  } catch (const Abort&) {
  }
  return true;
}

}  // namespace wine_test
