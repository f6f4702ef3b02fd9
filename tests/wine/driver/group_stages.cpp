// Loading stages into the boxes and saving them back, and what a missing or
// short stage file does.
#include <array>

#include "groups.h"
#include "stages/stage_selector.h"
#include "text.h"
#include "ui.h"

namespace wine_test {

using namespace dorvan;

namespace {

const char* const kGroup = "stages";

std::array<std::wstring, 50> boxTexts(HWND main) {
  std::array<std::wstring, 50> out;
  for (int p = 1; p <= 50; ++p) out[static_cast<std::size_t>(p - 1)] = textOf(controlWindow(main, boxOfPosition(p)));
  return out;
}

void expectBoxes(HWND main, const Table& want, Case& c, const std::string& when) {
  const auto got = boxTexts(main);
  for (int p = 1; p <= 50; ++p) {
    const auto i = static_cast<std::size_t>(p - 1);
    const std::wstring shown = asShownIn(boxOfPosition(p), want[i]);
    c.expect(got[i] == shown, when + ": line " + std::to_string(p) + " -> " + std::string(boxOfPosition(p)) +
                                  " reads \"" + narrow(got[i]) + "\", expected \"" + narrow(shown) + "\"");
  }
}

// Stage button colours left to right; the chosen one red.
void expectMarked(HWND main, int stage, Case& c, const std::string& when) {
  for (const StageButton& b : kStageButtons) {
    const Color want = b.stage == stage ? kRed : kBlue;
    const Color got = dominantColor(controlWindow(main, b.button));
    c.expect(got == want,
             when + ": " + std::string(b.button) + " is " + colorName(got) + ", expected " + colorName(want));
  }
  const Color save = dominantColor(controlWindow(main, "Command27"));
  c.expect(save == kGreen, when + ": KAYDET is " + colorName(save));
}

Table shownTable(const Table& t) {
  Table out;
  for (int p = 1; p <= 50; ++p)
    out[static_cast<std::size_t>(p - 1)] = asShownIn(boxOfPosition(p), t[static_cast<std::size_t>(p - 1)]);
  return out;
}

std::string fileOf(Session& s, const wchar_t* name) {
  std::string bytes;
  readBytes(s.workFile(name), bytes);
  return bytes;
}

// A failing load shows a message; returns its text after dismissing it.
std::wstring expectMessage(Session& s, Case& c, const std::string& after) {
  HWND box = s.waitForMessageBox(5000);
  c.require(box != nullptr, "no message after " + after);
  wchar_t title[256] = L"";
  GetWindowTextW(box, title, 256);
  c.expect(title == windowCaption(), "message title \"" + narrow(title) + "\"");
  const std::wstring text = messageBoxText(box);
  c.note("message after " + after + ": " + narrow(text));
  dismissMessageBox(box);
  c.expect(waitUntil([&] { return s.waitForMessageBox(0) == nullptr; }, 3000), "the message did not close");
  c.expect(s.running(), "the program ended after the message");
  return text;
}

}  // namespace

bool runStages(Context& ctx) {
  Session s(ctx.paths, LaunchOptions{});
  const Table stage3 = sampleTable(3);
  const Table stage4 = sampleTable(4);
  writeBytes(s.workFile(L"kademe3.txt"), stageFileBytes(stage3));
  const std::string shortFile = stageFileBytes(stage4, 49);
  writeBytes(s.workFile(L"kademe4.txt"), shortFile);
  Report& r = ctx.report;
  HWND main = nullptr;
  Table edited = shownTable(stage3);
  // Port 3's description, typed with Turkish letters.
  const std::wstring edit = L"ŞİMDİ DEĞİŞTİ çğış";
  edited[10] = edit;
  try {
    r.run(kGroup, "start", [&](Case& c) { main = acceptPrompt(s, launchToPrompt(s, c), c); });
    r.run(kGroup, "KAYDET before any stage writes nothing", [&](Case& c) {
      clickAndWait(controlWindow(main, "Command27"));
      c.expect(s.waitForMessageBox(300) == nullptr, "a message box opened");
      for (int k = 1; k <= 7; ++k)
        if (k != 3 && k != 4)
          c.expect(!fileExists(s.workFile(L"kademe" + std::to_wstring(k) + L".txt")),
                   "kademe" + std::to_string(k) + ".txt was written");
      c.expect(fileOf(s, L"kademe3.txt") == stageFileBytes(stage3), "kademe3.txt changed");
    });
    r.run(kGroup, "KADEME3 loads kademe3.txt into the fifty boxes and marks KADEME3", [&](Case& c) {
      clickAndWait(controlWindow(main, "Command33"));
      c.expect(s.waitForMessageBox(300) == nullptr, "a message box opened");
      expectBoxes(main, stage3, c, "after KADEME3");
      expectMarked(main, 3, c, "after KADEME3");
    });
    r.run(kGroup, "an edit and KAYDET: the file holds the fifty values, CR LF, Windows-1254", [&](Case& c) {
      HWND box = controlWindow(main, boxOfPosition(11));
      typeInto(box, edit);
      c.require(textOf(box) == edit, "typing into Text7 gave \"" + narrow(textOf(box)) + "\"");
      clickAndWait(controlWindow(main, "Command27"));
      const std::string got = fileOf(s, L"kademe3.txt");
      const std::string want = stageFileBytes(edited);
      c.expect(got == want, "kademe3.txt is " + std::to_string(got.size()) + " bytes, expected " +
                                std::to_string(want.size()) +
                                (got.size() == want.size() ? " (same size, other bytes)" : ""));
      c.expect(want.find('\xDE') != std::string::npos && got.find('\xDE') != std::string::npos,
               "no 0xDE byte for the letter Ş");
      expectMarked(main, 3, c, "after KAYDET");
    });
    r.run(kGroup, "a missing stage file: a message, the stage chosen, KAYDET creates the file", [&](Case& c) {
      postClick(controlWindow(main, "Command31"));
      const std::wstring text = expectMessage(s, c, "KADEME5");
      c.expect(containsNoCase(text, L"kademe5.txt"), "the message does not name kademe5.txt");
      expectBoxes(main, edited, c, "after the missing kademe5.txt");
      expectMarked(main, 5, c, "after the missing kademe5.txt");
      clickAndWait(controlWindow(main, "Command27"));
      c.expect(fileOf(s, L"kademe5.txt") == stageFileBytes(edited), "kademe5.txt does not hold the boxes");
      c.expect(fileOf(s, L"kademe3.txt") == stageFileBytes(edited), "kademe3.txt changed");
    });
    r.run(kGroup, "a 49-line stage file: a message, nothing changed", [&](Case& c) {
      postClick(controlWindow(main, "Command32"));
      const std::wstring text = expectMessage(s, c, "KADEME4");
      c.expect(containsNoCase(text, L"kademe4.txt"), "the message does not name kademe4.txt");
      expectBoxes(main, edited, c, "after the short kademe4.txt");
      expectMarked(main, 5, c, "after the short kademe4.txt");
      clickAndWait(controlWindow(main, "Command27"));
      c.expect(fileOf(s, L"kademe4.txt") == shortFile, "KAYDET overwrote the short kademe4.txt");
      c.expect(fileOf(s, L"kademe5.txt") == stageFileBytes(edited), "kademe5.txt no longer holds the boxes");
    });
    r.run(kGroup, "close", [&](Case& c) {
      const DWORD code = s.closeMainWindow(10000);
      c.expect(code == 0, "exit code " + std::to_string(code));
    });
  } catch (const Abort&) {
  }
  return true;
}

}  // namespace wine_test
