// Holds the window, or port 1's extra windows' dialog, open with a demo stage loaded
// while tools/screenshot.sh takes its picture: writes the window's screen rectangle to
// the ready file, then waits for the done file.
#include <cstdio>

#include "groups.h"
#include "text.h"
#include "ui.h"

namespace wine_test {

namespace {

Table demoTable() {
  // Repeat words and dates, and one time box that can never fire (port 9's end).
  const wchar_t* const rows[10][5] = {
      {L"BAHÇE SULAMA", L"HER GÜN", L"06:30:00", L"HER GÜN", L"07:00:00"},
      {L"AKVARYUM IŞIĞI", L"HER GÜN", L"08:00:00", L"HER GÜN", L"20:00:00"},
      {L"KOMBİ", L"HAFTA İÇİ", L"05:45:00", L"HAFTA İÇİ", L"09:15:00"},
      {L"SERA ISITICI", L"HER GÜN", L"22:00:00", L"HER GÜN", L"06:00:00"},
      {L"GİRİŞ LAMBASI", L"HER GÜN", L"18:30:00", L"HER GÜN", L"23:59:00"},
      {L"HAVALANDIRMA", L"HAFTA SONU", L"12:00:00", L"HAFTA SONU", L"12:30:00"},
      {L"ÇAMAŞIR MAKİNESİ", L"11.12.2026", L"02:00:00", L"11.12.2026", L"04:00:00"},
      {L"", L"", L"", L"", L""},
      {L"DEPO POMPASI", L"PAZARTESİ", L"10:00:00", L"PAZARTESİ", L"10:05"},
      {L"ŞOFBEN", L"31.12.2026", L"23:00:00", L"01.01.2027", L"01:00:00"},
  };
  Table t;
  for (int r = 0; r < 10; ++r)
    for (int k = 0; k < 5; ++k) t[static_cast<std::size_t>(r * 5 + k)] = rows[r][k];
  return t;
}

void holdForPicture(Context& ctx, HWND window, Case& c) {
  const RECT w = screenRectOf(window);
  char line[64];
  std::snprintf(line, sizeof line, "%ld %ld %ld %ld\n", w.left, w.top, w.right - w.left, w.bottom - w.top);
  writeBytes(ctx.readyFile, line);
  c.expect(waitUntil([&] { return fileExists(ctx.doneFile); }, 60000), "no done file within a minute");
}

}  // namespace

bool runScreenshotHold(Context& ctx) {
  Session s(ctx.paths, LaunchOptions{});
  writeBytes(s.workFile(L"kademe1.txt"), stageFileBytes(demoTable()));
  try {
    ctx.report.run("screenshot", "demo window shown", [&](Case& c) {
      HWND main = acceptPrompt(s, launchToPrompt(s, c), c);
      clickAndWait(controlWindow(main, "Command25"));
      // Port 2 due in two seconds, so that the picture shows a port switched on.
      SYSTEMTIME now;
      GetLocalTime(&now);
      const SYSTEMTIME due = plusSeconds(now, 2);
      typeInto(control(main, "Text4", c), dateText(due));
      typeInto(control(main, "Text6", c), timeText(due));
      Sleep(3000);
      holdForPicture(ctx, main, c);
      c.expect(s.closeMainWindow(10000) == 0, "the program did not close cleanly");
    });
  } catch (const Abort&) {
  }
  return true;
}

bool runScreenshotDialogHold(Context& ctx) {
  Session s(ctx.paths, LaunchOptions{});
  writeBytes(s.workFile(L"kademe1.txt"), stageFileBytes(demoTable()));
  const wchar_t* const rows[3][4] = {
      {L"HER GÜN", L"12:00:00", L"HER GÜN", L"12:30:00"},
      {L"HAFTA SONU", L"17:00:00", L"HAFTA SONU", L"18:15:00"},
      {L"CUMARTESİ", L"7:30", L"CUMARTESİ", L"08:00:00"},  // a time the clock never shows: marked
  };
  try {
    ctx.report.run("screenshot", "port 1's dialog shown", [&](Case& c) {
      HWND main = acceptPrompt(s, launchToPrompt(s, c), c);
      clickAndWait(controlWindow(main, "Command25"));
      HWND dialog = openExtraDialog(s, main, 1, c);
      for (const auto& row : rows) {
        clickAndWait(dialogPart(dialog, dorvan::DialogRole::Add));
        const int at = static_cast<int>(&row - rows);
        for (int b = 0; b < dorvan::kWindowBoxes; ++b)
          typeInto(dialogPart(dialog, dorvan::DialogRole::Box, at, static_cast<dorvan::WindowBox>(b)), row[b]);
      }
      Sleep(500);
      holdForPicture(ctx, dialog, c);
      postClick(dialogPart(dialog, dorvan::DialogRole::Cancel));
      c.expect(s.closeMainWindow(10000) == 0, "the program did not close cleanly");
    });
  } catch (const Abort&) {
  }
  return true;
}

}  // namespace wine_test
