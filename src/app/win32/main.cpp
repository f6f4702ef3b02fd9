// DORVAN.exe: the main window over the core, and the message loop.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/network.h"
#include "app/win32/main_window.h"
#include "app/win32/win32_ui_thread.h"
#include "app/win32/window_proc_slot.h"
#include "base/clock.h"
#include "base/file_ops.h"
#include "base/win32/utf16.h"
#include "form/window_layout.h"
#include "hid/board_library.h"

namespace {

constexpr int kCannotStart = 1;

// IsDialogMessage gives the window a dialog's keyboard: Tab walks the Tab order,
// Space presses the focused button.
int runMessageLoop(HWND main) {
  MSG msg{};
  for (;;) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return kCannotStart;
    if (IsWindow(main) && IsDialogMessageW(main, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void reportNoWindow() {
  const std::wstring caption = dorvan::win32::widen(dorvan::kMainWindow.caption);
  MessageBoxW(nullptr, L"Program penceresi açılamadı; program kapanacak.", caption.c_str(), MB_OK | MB_ICONERROR);
}

// The C runtime has split the command line already, quotes and all.
std::vector<std::string> startArguments() {
  std::vector<std::string> args;
  for (int i = 1; i < __argc; ++i) args.push_back(dorvan::win32::narrow(__wargv[i]));
  return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // The current folder holds the stage files; no library is ever taken from it.
  SetDllDirectoryW(L"");

  std::unique_ptr<dorvan::HidLibrary> library = dorvan::makeBoardLibrary();
  dorvan::win32::Win32WindowProcSlot slot;
  dorvan::win32::MainWindow view(instance);
  if (!view.create()) {
    reportNoWindow();
    return kCannotStart;
  }

  dorvan::MainForm core(view, *library, slot, dorvan::systemClock(), dorvan::systemFileOps());
  slot.attach(core.hidLink());
  view.attach(core);
  core.takeStartArguments(startArguments());
  dorvan::win32::Win32UiThread ui;
  ui.create(instance);
  dorvan::Network network(core, ui, dorvan::systemFileOps());
  network.load();

  if (!core.Form_Load() || view.ending()) {
    const int code = view.ending() ? view.exitCode() : kCannotStart;
    view.destroy();
    view.detach();
    return code;
  }
  view.show();
  core.Form_Shown();
  network.start();
  const int code = runMessageLoop(view.handle());
  network.stop();
  ui.stop();
  view.destroy();
  view.detach();
  return code;
}
