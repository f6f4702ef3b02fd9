// Start-up prompt, the window's frame and every control's kind, place, caption,
// limit and colour, the focus and the Tab order.
#include <algorithm>
#include <vector>

#include "app/win32/win32_names.h"
#include "groups.h"
#include "text.h"
#include "ui.h"

namespace wine_test {

using namespace dorvan;

namespace {

const char* const kGroup = "startup";
const char* const kGeometry = "geometry";

bool classFits(Kind kind, const std::wstring& cls) {
  auto is = [&](const wchar_t* name) { return lstrcmpiW(cls.c_str(), name) == 0; };
  switch (kind) {
    case Kind::TextBox: return is(L"Edit");
    case Kind::Button: return is(L"Button");
    case Kind::Label:
    case Kind::PictureBox: return is(L"Static");
  }
  return false;
}

const char* kindName(Kind k) {
  switch (k) {
    case Kind::Label: return "label";
    case Kind::TextBox: return "text box";
    case Kind::Button: return "button";
    case Kind::PictureBox: return "picture box";
  }
  return "?";
}

std::vector<ControlId> tabOrder() {
  std::vector<ControlId> ids;
  for (std::size_t i = 0; i < kControls.size(); ++i)
    if (kControls[i].tabIndex >= 0) ids.push_back(static_cast<ControlId>(i));
  std::sort(ids.begin(), ids.end(),
            [](ControlId a, ControlId b) { return controlSpec(a).tabIndex < controlSpec(b).tabIndex; });
  return ids;
}

std::string nameOfWindow(HWND main, HWND h) {
  if (h == nullptr) return "nothing";
  for (std::size_t i = 0; i < kControls.size(); ++i)
    if (controlWindow(main, static_cast<ControlId>(i)) == h) return std::string(kControls[i].name);
  return narrow(classOf(h)) + " window";
}

void checkPrompt(Session& s, HWND& prompt, Case& c) {
  prompt = launchToPrompt(s, c);
  HWND main = s.mainWindow();
  c.expect(main != nullptr, "the main window does not exist while the prompt is open");
  c.expect(main == nullptr || !IsWindowVisible(main), "the main window is visible before the prompt is answered");
  wchar_t title[256] = L"";
  GetWindowTextW(prompt, title, 256);
  c.expect(title == windowCaption(), "prompt title is \"" + narrow(title) + "\"");
  const std::wstring text = messageBoxText(prompt);
  c.expect(text == L"KADEME SEÇİMİ YAPINIZ", "prompt text is \"" + narrow(text) + "\"");
  c.expect(!messageBoxShowsIcon(prompt), "the prompt shows an icon");
  int buttons = 0;
  for (HWND ch = GetWindow(prompt, GW_CHILD); ch != nullptr; ch = GetWindow(ch, GW_HWNDNEXT))
    if (lstrcmpiW(classOf(ch).c_str(), L"Button") == 0 && IsWindowVisible(ch)) ++buttons;
  c.expect(buttons == 1, "the prompt has " + std::to_string(buttons) + " buttons, not just OK");
}

void checkClientArea(HWND main, int dpi, Case& c) {
  const PixelRect want = toPixels({0, 0, kMainWindow.clientWidth, kMainWindow.clientHeight}, dpi);
  RECT client{};
  GetClientRect(main, &client);
  c.expect(client.right == want.width && client.bottom == want.height,
           "client area is " + describe(client) + ", not " + std::to_string(want.width) + "x" +
               std::to_string(want.height) + " at " + std::to_string(dpi) + " DPI");
}

void checkFrame(HWND main, Case& c) {
  checkClientArea(main, 96, c);
  const LONG style = styleOf(main);
  c.expect((style & WS_MINIMIZEBOX) == 0, "the window has a minimise box");
  c.expect((style & WS_MAXIMIZEBOX) == 0, "the window has a maximise box");
  c.expect((style & WS_THICKFRAME) == 0, "the window can be resized (WS_THICKFRAME)");
  c.expect((style & WS_SYSMENU) != 0 && (style & WS_CAPTION) == WS_CAPTION, "no title bar with a close box");
  c.expect((exStyleOf(main) & WS_EX_APPWINDOW) == 0, "WS_EX_APPWINDOW puts the window in the taskbar");
  HWND owner = GetWindow(main, GW_OWNER);
  c.expect(owner != nullptr, "the window has no owner, so the taskbar lists it");
  if (owner != nullptr) {
    c.expect(classOf(owner) == win32::kOwnerClass, "owner class is " + narrow(classOf(owner)));
    c.expect(!IsWindowVisible(owner), "the owner window is visible");
  }
  wchar_t title[256] = L"";
  GetWindowTextW(main, title, 256);
  c.expect(title == windowCaption(), "window caption is \"" + narrow(title) + "\"");
  const RECT w = screenRectOf(main);
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  const int dx = (w.left + w.right) - screenW, dy = (w.top + w.bottom) - screenH;
  c.expect(std::abs(dx) <= 2 && std::abs(dy) <= 2, "window " + describe(w) + " is not centred on the " +
                                                       std::to_string(screenW) + "x" + std::to_string(screenH) +
                                                       " screen");
}

void checkKinds(HWND main, Case& c) {
  int found = 0;
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    const ControlSpec& sp = kControls[i];
    HWND h = controlWindow(main, static_cast<ControlId>(i));
    if (!c.expect(h != nullptr, std::string(sp.name) + ": no child window with ID " +
                                    std::to_string(win32::childId(static_cast<ControlId>(i)))))
      continue;
    ++found;
    const std::wstring cls = classOf(h);
    c.expect(classFits(sp.kind, cls),
             std::string(sp.name) + " should be a " + kindName(sp.kind) + ", is class " + narrow(cls));
    c.expect(IsWindowVisible(h) && IsWindowEnabled(h), std::string(sp.name) + " is hidden or disabled");
    if (sp.kind == Kind::TextBox) {
      c.expect((exStyleOf(h) & WS_EX_CLIENTEDGE) != 0, std::string(sp.name) + " has no sunken border");
      c.expect((styleOf(h) & (ES_MULTILINE | WS_HSCROLL | WS_VSCROLL)) == 0,
               std::string(sp.name) + " is multi-line or has scroll bars");
    }
  }
  c.expect(found == static_cast<int>(kControls.size()),
           std::to_string(found) + " of " + std::to_string(kControls.size()) + " controls found");
}

void checkRectangles(HWND main, int dpi, Case& c) {
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    HWND h = controlWindow(main, static_cast<ControlId>(i));
    if (h == nullptr) continue;
    const PixelRect want = toPixels(kControls[i].rect, dpi);
    const RECT got = rectIn(h, main);
    const RECT wantR{want.left, want.top, want.left + want.width, want.top + want.height};
    c.expect(EqualRect(&got, &wantR) != FALSE,
             std::string(kControls[i].name) + " at " + describe(got) + ", expected " + describe(wantR));
  }
}

void checkCaptions(HWND main, Case& c) {
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    const ControlSpec& sp = kControls[i];
    if (sp.name == "Label18" || sp.name == "Label20" || sp.kind == Kind::PictureBox)
      continue;  // the clock writes these
    HWND h = controlWindow(main, static_cast<ControlId>(i));
    if (h == nullptr) continue;
    const std::wstring got = textOf(h);
    c.expect(got == widen(sp.caption),
             std::string(sp.name) + " reads \"" + narrow(got) + "\", expected \"" + std::string(sp.caption) + "\"");
  }
}

void checkLimits(HWND main, Case& c) {
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    const ControlSpec& sp = kControls[i];
    if (sp.kind != Kind::TextBox) continue;
    HWND h = controlWindow(main, static_cast<ControlId>(i));
    if (h == nullptr) continue;
    const auto limit = sendTo(h, EM_GETLIMITTEXT, 0, 0);
    c.expect(limit == sp.maxLength,
             std::string(sp.name) + " limit " + std::to_string(limit) + ", expected " + std::to_string(sp.maxLength));
  }
  // One character past the limit, typed: the box keeps the limit.
  for (std::string_view box : {"Text1", "Text2", "Text5"}) {
    HWND h = control(main, box, c);
    const auto limit = static_cast<std::size_t>(controlSpec(controlId(box)).maxLength);
    std::wstring typed;
    for (std::size_t k = 0; k <= limit; ++k) typed += static_cast<wchar_t>(L'A' + k % 26);
    typeInto(h, typed);
    const std::wstring got = textOf(h);
    c.expect(got == typed.substr(0, limit), std::string(box) + " took \"" + narrow(got) + "\" from " +
                                                std::to_string(typed.size()) + " typed characters");
    typeInto(h, L"");
    c.expect(textOf(h).empty(), std::string(box) + " could not be emptied again");
  }
}

void checkColours(HWND main, Case& c) {
  for (const PortRow& row : kPortGrid) {
    const Color got = dominantColor(control(main, row.indicator, c), 2);
    c.expect(got == kBlue, std::string(row.indicator) + " is " + colorName(got) + ", not blue");
  }
  for (const char* b : {"Command25", "Command34", "Command33", "Command32", "Command31", "Command29", "Command28"}) {
    const Color got = dominantColor(control(main, b, c));
    c.expect(got == kBlue, std::string(b) + " is " + colorName(got) + ", not blue");
  }
  const Color save = dominantColor(control(main, "Command27", c));
  c.expect(save == kGreen, "KAYDET is " + colorName(save) + ", not green");
  // Two spots where no control lies: right of the date display, below the buttons.
  for (POINT p : {POINT{700, 5}, POINT{500, 618}}) {
    POINT s = p;
    ClientToScreen(main, &s);
    const Pixels px = captureScreen(RECT{s.x, s.y, s.x + 6, s.y + 6});
    const bool all = std::all_of(px.colors.begin(), px.colors.end(), [](Color k) { return k == kFormBackground; });
    c.expect(all && !px.colors.empty(), "background at client (" + std::to_string(p.x) + "," + std::to_string(p.y) +
                                            ") is " + colorName(px.colors.empty() ? 0 : px.colors[0]) +
                                            ", not 0xF7DFD6");
  }
}

void checkTabOrder(HWND main, Case& c) {
  const std::vector<ControlId> order = tabOrder();
  HWND first = control(main, controlSpec(order.front()).name, c);
  c.require(focusOf(main) == first, "the walk needs the focus on " + std::string(controlSpec(order.front()).name));
  // The whole ring and back to the start.
  for (std::size_t step = 1; step <= order.size(); ++step) {
    const ControlId want = order[step % order.size()];
    HWND before = focusOf(main);
    pressKey(before, VK_TAB);
    HWND expected = controlWindow(main, want);
    waitUntil([&] { return focusOf(main) != before; }, 2000, 10);
    HWND now = focusOf(main);
    if (!c.expect(now == expected, "Tab " + std::to_string(step) + " from " + nameOfWindow(main, before) + " went to " +
                                       nameOfWindow(main, now) + ", expected " + std::string(controlSpec(want).name)))
      return;
  }
}

int screenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

}  // namespace

bool runGeometry(Context& ctx) {
  Session s(ctx.paths, LaunchOptions{});
  Report& r = ctx.report;
  const int dpi = screenDpi();
  HWND prompt = nullptr;
  HWND main = nullptr;
  try {
    r.run(kGeometry, "the screen is not at 96 DPI",
          [&](Case& c) { c.require(dpi != 96, "the prefix reports 96 DPI; this group checks another resolution"); });
    r.run(kGeometry, "OK shows the main window", [&](Case& c) {
      checkPrompt(s, prompt, c);
      main = acceptPrompt(s, prompt, c);
    });
    r.run(kGeometry, "the client area scales by the common factor", [&](Case& c) { checkClientArea(main, dpi, c); });
    r.run(kGeometry, "every control at its rectangle scaled by the same factor",
          [&](Case& c) { checkRectangles(main, dpi, c); });
    r.run(kGeometry, "close", [&](Case& c) { c.expect(s.closeMainWindow(10000) == 0, "exit code not 0"); });
  } catch (const Abort&) {
  }
  return true;
}

bool runStartup(Context& ctx) {
  Session s(ctx.paths, LaunchOptions{});
  const Table stage2 = sampleTable(2);
  writeBytes(s.workFile(L"kademe2.txt"), stageFileBytes(stage2));
  HWND prompt = nullptr;
  HWND main = nullptr;
  Report& r = ctx.report;
  try {
    r.run(kGroup, "the prompt comes first, titled with the caption, no icon",
          [&](Case& c) { checkPrompt(s, prompt, c); });
    r.run(kGroup, "the clock runs while the prompt is open", [&](Case& c) {
      HWND hidden = s.mainWindow();
      c.require(hidden != nullptr, "no main window");
      HWND label = control(hidden, "Label18", c);
      c.expect(waitUntil([&] { return !textOf(label).empty(); }, 2000), "Label18 stays empty behind the prompt");
      c.expect(!IsWindowVisible(hidden), "the main window showed before OK");
    });
    r.run(kGroup, "OK shows the main window", [&](Case& c) {
      main = acceptPrompt(s, prompt, c);
      c.expect(s.waitForMessageBox(0) == nullptr, "a message box is still open");
    });
    r.run(kGroup, "focus on KADEME2 once the window shows", [&](Case& c) {
      HWND want = control(main, "Command34", c);
      // Activation, and with it the focus, may land a moment after the window shows.
      waitUntil([&] { return focusOf(main) != nullptr; }, 3000);
      c.expect(focusOf(main) == want, "the focus is on " + nameOfWindow(main, focusOf(main)));
    });
    r.run(kGroup, "fixed frame, 987 x 629, centred, not in the taskbar", [&](Case& c) { checkFrame(main, c); });
    r.run(kGroup, "all 91 controls, each of its kind", [&](Case& c) { checkKinds(main, c); });
    r.run(kGroup, "every control at its pixel rectangle at 96 DPI", [&](Case& c) { checkRectangles(main, 96, c); });
    r.run(kGroup, "captions letter for letter", [&](Case& c) { checkCaptions(main, c); });
    r.run(kGroup, "colours: indicators and stage buttons blue, KAYDET green, background F7DFD6",
          [&](Case& c) { checkColours(main, c); });
    r.run(kGroup, "Tab walks KADEME2 ... Text1 and wraps", [&](Case& c) { checkTabOrder(main, c); });
    r.run(kGroup, "Space on the focused KADEME2 loads stage 2", [&](Case& c) {
      HWND button = control(main, "Command34", c);
      c.require(focusOf(main) == button, "the focus is not on KADEME2 (" + nameOfWindow(main, focusOf(main)) + ")");
      pressKey(button, VK_SPACE);
      const bool red = waitUntil([&] { return dominantColor(button) == kRed; }, 3000);
      c.expect(red, "KADEME2 is " + colorName(dominantColor(button)) + " after Space, not red");
      const std::wstring first = textOf(control(main, "Text1", c));
      c.expect(first == stage2[0], "Text1 reads \"" + narrow(first) + "\" after Space");
      const std::wstring last = textOf(control(main, "Text35", c));
      c.expect(last == stage2[49], "Text35 reads \"" + narrow(last) + "\" after Space");
    });
    r.run(kGroup, "box limits 29/10/8, typing past them has no effect", [&](Case& c) { checkLimits(main, c); });
    r.run(kGroup, "closing asks nothing, saves nothing, exit code 0", [&](Case& c) {
      std::string before;
      readBytes(s.workFile(L"kademe2.txt"), before);
      const DWORD code = s.closeMainWindow(10000);
      c.expect(code == 0, "exit code " + std::to_string(code));
      std::string after;
      readBytes(s.workFile(L"kademe2.txt"), after);
      c.expect(before == after, "kademe2.txt changed on closing");
      for (int k = 1; k <= 7; ++k)
        if (k != 2)
          c.expect(!fileExists(s.workFile(L"kademe" + std::to_wstring(k) + L".txt")),
                   "kademe" + std::to_string(k) + ".txt appeared");
    });
  } catch (const Abort&) {
  }
  // Another run, in which the session ends while the prompt is still open.
  Session ending(ctx.paths, LaunchOptions{});
  try {
    r.run(kGroup, "the session's end with the prompt open ends the program, journaled once", [&](Case& c) {
      launchToPrompt(ending, c);
      HWND hidden = ending.mainWindow();
      c.require(hidden != nullptr, "no main window");
      c.expect(sendTo(hidden, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) != 0, "the program refused the session's end");
      sendTo(hidden, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, 2000);
      c.expect(ending.waitForExit(2000) != STILL_ACTIVE, "still running 2 s after the session's end");
      std::string journal;
      c.require(readBytes(ending.workFile(L"gunluk.txt"), journal), "no gunluk.txt in the working folder");
      const std::string end = "DORVAN KAPANDI\r\n";
      const std::size_t first = journal.find(end);
      c.expect(first != std::string::npos && first + end.size() == journal.size(),
               "\"DORVAN KAPANDI\" is not the journal's one last line:\n" + journal);
    });
  } catch (const Abort&) {
  }
  return true;
}

}  // namespace wine_test
