// DORVAN.exe as a user starts it from the unpacked ZIP: the board library put beside
// it, its own folder the working folder, no test copy in between. --exe names the
// unpacked program; tests/package unpacks the ZIP into an empty folder first.
#include <vector>

#include "app/win32/win32_names.h"
#include "groups.h"
#include "text.h"
#include "ui.h"

namespace wine_test {

namespace {

const char* const kGroup = "package";

struct Search {
  DWORD pid;
  const wchar_t* cls;
  HWND found;
};

BOOL CALLBACK findVisible(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid != s->pid || !IsWindowVisible(h) || lstrcmpiW(classOf(h).c_str(), s->cls) != 0) return TRUE;
  s->found = h;
  return FALSE;
}

HWND waitForVisible(const PROCESS_INFORMATION& p, const wchar_t* cls, DWORD ms) {
  Search s{p.dwProcessId, cls, nullptr};
  waitUntil(
      [&] {
        EnumWindows(findVisible, reinterpret_cast<LPARAM>(&s));
        return s.found != nullptr || WaitForSingleObject(p.hProcess, 0) == WAIT_OBJECT_0;
      },
      ms);
  return s.found;
}

// The started program, ended if a case left it running.
struct Started {
  PROCESS_INFORMATION p{};
  ~Started() {
    if (p.hProcess == nullptr) return;
    if (WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(p.hProcess, 99);
      WaitForSingleObject(p.hProcess, 5000);
    }
    CloseHandle(p.hThread);
    CloseHandle(p.hProcess);
  }
};

}  // namespace

bool runPackage(Context& ctx) {
  const std::wstring folder = dirOf(ctx.paths.exe);
  Started started;
  PROCESS_INFORMATION& p = started.p;
  ctx.report.run(kGroup, "unpacked with mcHID.dll beside it, the program reaches its prompt and window", [&](Case& c) {
    c.require(CopyFileW(ctx.paths.standin.c_str(), (folder + L"\\mcHID.dll").c_str(), FALSE) != 0,
              "cannot put mcHID.dll beside " + narrow(ctx.paths.exe));
    std::wstring commandLine = L"\"" + ctx.paths.exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    c.require(CreateProcessW(ctx.paths.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             folder.c_str(), &si, &p) != 0,
              "cannot start " + narrow(ctx.paths.exe));
    // The first start in a fresh prefix takes Wine a few seconds.
    HWND prompt = waitForVisible(p, L"#32770", 30000);
    c.require(prompt != nullptr, "no start-up prompt appeared");
    c.expect(textOf(prompt) == windowCaption(), "prompt title is \"" + narrow(textOf(prompt)) + "\"");
    const std::wstring text = messageBoxText(prompt);
    c.expect(text == L"KADEME SEÇİMİ YAPINIZ", "prompt text is \"" + narrow(text) + "\"");
    dismissMessageBox(prompt);
    HWND main = waitForVisible(p, dorvan::win32::kMainFormClass, 10000);
    c.require(main != nullptr, "the main window did not become visible after OK");
    PostMessageW(main, WM_CLOSE, 0, 0);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(p.hProcess, 10000) == WAIT_OBJECT_0) GetExitCodeProcess(p.hProcess, &code);
    c.expect(code == 0, "exit code " + std::to_string(code) + " after closing the window");
  });
  return true;
}

}  // namespace wine_test
