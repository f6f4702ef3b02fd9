// A port's extra windows through their dialog: opened by a right-click on the port's
// indicator, rows added, typed and marked, kept by TAMAM and saved by KAYDET after the
// stage file's fifty lines, dropped by İPTAL, Escape and the close box, and switching
// the board in their second.
#include "groups.h"
#include "standin_log.h"
#include "text.h"
#include "ui.h"

namespace wine_test {

using namespace dorvan;

namespace {

const char* const kGroup = "extra";

HWND boxOf(HWND dialog, int row, int box) {
  return dialogPart(dialog, DialogRole::Box, row, static_cast<WindowBox>(box));
}

void expectClosed(HWND dialog, HWND main, Case& c, const std::string& how) {
  c.expect(waitUntil([&] { return !IsWindow(dialog); }, 3000), how + " did not close the dialog");
  c.expect(waitUntil([&] { return IsWindowEnabled(main) != FALSE; }, 3000), "the main window stays disabled");
}

void typeRow(HWND dialog, int row, const std::array<std::wstring, 4>& texts) {
  for (int b = 0; b < kWindowBoxes; ++b) typeInto(boxOf(dialog, row, b), texts[static_cast<std::size_t>(b)]);
}

std::array<std::wstring, 4> rowTexts(HWND dialog, int row) {
  std::array<std::wstring, 4> out;
  for (int b = 0; b < kWindowBoxes; ++b) out[static_cast<std::size_t>(b)] = textOf(boxOf(dialog, row, b));
  return out;
}

std::string fileOf(Session& s, const wchar_t* name) {
  std::string bytes;
  readBytes(s.workFile(name), bytes);
  return bytes;
}

Table shownTable(const Table& t) {
  Table out;
  for (int p = 1; p <= 50; ++p)
    out[static_cast<std::size_t>(p - 1)] = asShownIn(boxOfPosition(p), t[static_cast<std::size_t>(p - 1)]);
  return out;
}

const std::array<std::wstring, 4> kRow1{L"HAFTA İÇİ", L"06:30:00", L"HAFTA İÇİ", L"07:00:00"};
const std::array<std::wstring, 4> kRow2{L"01.02.2031", L"18:00:00", L"01.02.2031", L"18:30:00"};

}  // namespace

bool runExtra(Context& ctx) {
  Session s(ctx.paths, LaunchOptions{});
  const Table stage3 = sampleTable(3);
  writeBytes(s.workFile(L"kademe3.txt"), stageFileBytes(stage3));
  const std::string saved = stageFileBytes(shownTable(stage3)) + "PORT 05;" + toCp1254(L"HAFTA İÇİ") + ";06:30:00;" +
                            toCp1254(L"HAFTA İÇİ") + ";07:00:00\r\n" +
                            "PORT 05;01.02.2031;18:00:00;01.02.2031;18:30:00\r\n";
  Report& r = ctx.report;
  HWND main = nullptr;
  HWND dialog = nullptr;
  try {
    r.run(kGroup, "start with KADEME3", [&](Case& c) {
      main = acceptPrompt(s, launchToPrompt(s, c), c);
      clickAndWait(control(main, "Command33", c));
    });
    r.run(kGroup, "a right-click on port 5's indicator opens its modal dialog, no row shown", [&](Case& c) {
      dialog = openExtraDialog(s, main, 5, c);
      c.expect(GetWindow(dialog, GW_OWNER) == main, "the dialog is not owned by the main window");
      c.expect(!IsWindowEnabled(main), "the main window takes input while the dialog is open");
      RECT client{};
      GetClientRect(dialog, &client);
      c.expect(client.right == twipsToPixels(kDialogClientWidth, 96) &&
                   client.bottom == twipsToPixels(kDialogClientHeight, 96),
               "client area " + describe(client));
      c.expect(!IsWindowVisible(boxOf(dialog, 0, 0)) && IsWindowEnabled(dialogPart(dialog, DialogRole::Add)),
               "a row is shown, or EKLE is disabled");
    });
    r.run(kGroup, "EKLE adds rows; typing keeps what a stage file holds and marks a bad time", [&](Case& c) {
      clickAndWait(dialogPart(dialog, DialogRole::Add));
      clickAndWait(dialogPart(dialog, DialogRole::Add));
      c.expect(IsWindowVisible(boxOf(dialog, 1, 3)) && !IsWindowVisible(boxOf(dialog, 2, 0)),
               "EKLE twice does not show exactly two rows");
      typeRow(dialog, 0, kRow1);
      typeRow(dialog, 1, {L"01.02;.2031", L"18:00:00", L"01.02.2031", L"7:30"});
      c.expect(textOf(boxOf(dialog, 1, 0)) == kRow2[0],
               "with a ';' typed the box reads \"" + narrow(textOf(boxOf(dialog, 1, 0))) + "\"");
      Sleep(200);
      c.expect(dominantColor(boxOf(dialog, 1, 3)) == kMarkColor, "\"7:30\" is not marked");
      typeInto(boxOf(dialog, 1, 3), kRow2[3]);
      Sleep(200);
      c.expect(dominantColor(boxOf(dialog, 1, 3)) != kMarkColor, "\"18:30:00\" is still marked");
      c.expect(rowTexts(dialog, 0) == kRow1 && rowTexts(dialog, 1) == kRow2, "the rows do not read as typed");
    });
    r.run(kGroup, "TAMAM, then KAYDET writes the rows after line 50", [&](Case& c) {
      clickAndWait(dialogPart(dialog, DialogRole::Ok));
      expectClosed(dialog, main, c, "TAMAM");
      c.expect(fileOf(s, L"kademe3.txt") == stageFileBytes(stage3), "TAMAM alone wrote the stage file");
      clickAndWait(control(main, "Command27", c));
      const std::string got = fileOf(s, L"kademe3.txt");
      c.expect(got == saved, "kademe3.txt after line 50:\n" + got.substr(std::min(got.size(), saved.size() - 120)));
    });
    for (const char* how : {"İPTAL", "Escape", "the close box"}) {
      r.run(kGroup, std::string(how) + " drops a removed row and a typed text", [&](Case& c) {
        dialog = openExtraDialog(s, main, 5, c);
        c.expect(rowTexts(dialog, 0) == kRow1 && rowTexts(dialog, 1) == kRow2 && !IsWindowVisible(boxOf(dialog, 2, 0)),
                 "the dialog does not show the two rows kept");
        clickAndWait(dialogPart(dialog, DialogRole::Remove, 0));
        c.expect(rowTexts(dialog, 0) == kRow2 && !IsWindowVisible(boxOf(dialog, 1, 0)), "SİL did not remove row 1");
        typeInto(boxOf(dialog, 0, 1), L"19:00:00");
        if (how == std::string("İPTAL")) postClick(dialogPart(dialog, DialogRole::Cancel));
        if (how == std::string("Escape")) pressKey(boxOf(dialog, 0, 1), VK_ESCAPE);
        if (how == std::string("the close box")) PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        expectClosed(dialog, main, c, how);
        clickAndWait(control(main, "Command27", c));
        c.expect(fileOf(s, L"kademe3.txt") == saved, "kademe3.txt changed");
      });
    }
    r.run(kGroup, "TAMAM over windows changed elsewhere says so; a second TAMAM writes the rows", [&](Case& c) {
      dialog = openExtraDialog(s, main, 5, c);
      clickAndWait(dialogPart(dialog, DialogRole::Add));
      typeRow(dialog, 2, kRow2);
      // The stage, its port 5 now otherwise, loaded under the open dialog, as the page or MQTT may load it.
      writeBytes(s.workFile(L"kademe3.txt"),
                 stageFileBytes(shownTable(stage3)) + "PORT 05;PAZAR;09:00:00;PAZAR;10:00:00\r\n");
      clickAndWait(control(main, "Command33", c));
      postClick(dialogPart(dialog, DialogRole::Ok));
      HWND box = nullptr;
      waitUntil(
          [&] {
            for (HWND h : s.windowsOfClass(L"#32770"))
              if (h != dialog && IsWindowVisible(h)) box = h;
            return box != nullptr;
          },
          5000);
      c.require(box != nullptr, "no message after TAMAM");
      c.expect(containsNoCase(messageBoxText(box), L"başka yerden değişti"), narrow(messageBoxText(box)));
      dismissMessageBox(box);
      c.expect(waitUntil([&] { return !IsWindow(box); }, 3000) && IsWindowVisible(dialog), "the dialog closed");
      clickAndWait(dialogPart(dialog, DialogRole::Ok));
      expectClosed(dialog, main, c, "the second TAMAM");
      clickAndWait(control(main, "Command27", c));
      c.expect(fileOf(s, L"kademe3.txt") == saved + "PORT 05;01.02.2031;18:00:00;01.02.2031;18:30:00\r\n",
               "kademe3.txt does not end with the three rows");
    });
    r.run(kGroup, "port 6's extra window switches the board on and off in its seconds", [&](Case& c) {
      SYSTEMTIME now;
      GetLocalTime(&now);
      now.wMilliseconds = 0;
      const SYSTEMTIME on = plusSeconds(now, 4), off = plusSeconds(now, 6);
      dialog = openExtraDialog(s, main, 6, c);
      clickAndWait(dialogPart(dialog, DialogRole::Add));
      typeRow(dialog, 0, {dateText(on), timeText(on), dateText(off), timeText(off)});
      clickAndWait(dialogPart(dialog, DialogRole::Ok));
      SYSTEMTIME accepted;
      GetLocalTime(&accepted);
      c.require(earlier(accepted, on), "TAMAM came after the start second");
      const std::size_t before = readCalls(s.logPath()).size();
      waitUntil(
          [&] {
            SYSTEMTIME t;
            GetLocalTime(&t);
            return !earlier(t, plusMs(off, 1500));
          },
          10000, 100);
      const auto calls = readCalls(s.logPath());
      int ons = 0, offs = 0;
      for (std::size_t i = before; i < calls.size(); ++i) {
        const LibraryCall& w = calls[i];
        if (w.call != "WriteEx" || w.arg("data").substr(0, 5) != "00 06") continue;
        const bool isOn = w.arg("data") == "00 06 01 00 00 00 00 00 00";
        (isOn ? ons : offs) += 1;
        const SYSTEMTIME& due = isOn ? on : off;
        c.expect(w.second() == narrow(timeText(due)),
                 w.arg("data") + " at " + w.time + ", due in " + narrow(timeText(due)));
      }
      c.expect(ons > 0 && offs > 0, "port 6: " + std::to_string(ons) + " on and " + std::to_string(offs) +
                                        " off reports; " + summarize(calls, before));
    });
    r.run(kGroup, "close", [&](Case& c) { c.expect(s.closeMainWindow(10000) == 0, "exit code not 0"); });
  } catch (const Abort&) {
  }
  return true;
}

}  // namespace wine_test
