#include "groups.h"

#include <cwchar>

#include "app/win32/win32_names.h"
#include "text.h"
#include "ui.h"

namespace wine_test {

using dorvan::kMainWindow;

SYSTEMTIME plusMs(const SYSTEMTIME& t, int ms) {
  FILETIME ft;
  SystemTimeToFileTime(&t, &ft);
  ULARGE_INTEGER v{};
  v.LowPart = ft.dwLowDateTime;
  v.HighPart = ft.dwHighDateTime;
  v.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(ms) * 10000);
  ft.dwLowDateTime = v.LowPart;
  ft.dwHighDateTime = v.HighPart;
  SYSTEMTIME out;
  FileTimeToSystemTime(&ft, &out);
  return out;
}

SYSTEMTIME plusSeconds(const SYSTEMTIME& t, int seconds) { return plusMs(t, seconds * 1000); }

bool earlier(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  FILETIME fa, fb;
  SystemTimeToFileTime(&a, &fa);
  SystemTimeToFileTime(&b, &fb);
  return CompareFileTime(&fa, &fb) < 0;
}

std::wstring timeText(const SYSTEMTIME& t) {
  wchar_t b[16];
  std::swprintf(b, 16, L"%02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
  return b;
}

std::wstring dateText(const SYSTEMTIME& t) {
  wchar_t b[16];
  std::swprintf(b, 16, L"%02u.%02u.%04u", t.wDay, t.wMonth, t.wYear);
  return b;
}

std::wstring windowCaption() { return widen(kMainWindow.caption); }

HWND launchToPrompt(Session& s, Case& c) {
  s.launch();
  // The first start in a fresh prefix takes Wine a few seconds.
  HWND prompt = s.waitForMessageBox(30000);
  c.require(prompt != nullptr, "no start-up prompt appeared");
  return prompt;
}

HWND acceptPrompt(Session& s, HWND prompt, Case& c) {
  dismissMessageBox(prompt);
  HWND main = s.waitForVisibleMain(10000);
  c.require(main != nullptr, "the main window did not become visible after OK");
  // Let the first paint and the first clock ticks land before pixels are read.
  waitUntil([&] { return !textOf(controlWindow(main, "Label18")).empty(); }, 3000);
  UpdateWindow(main);
  Sleep(300);
  return main;
}

HWND control(HWND main, std::string_view name, Case& c) {
  HWND h = controlWindow(main, name);
  c.require(h != nullptr, "no child window for " + std::string(name));
  return h;
}

namespace {

int indexOf(dorvan::DialogRole role, int row, dorvan::WindowBox box) {
  for (std::size_t i = 0; i < dorvan::kExtraDialogControls.size(); ++i) {
    const dorvan::DialogControl& c = dorvan::kExtraDialogControls[i];
    if (c.role == role && c.row == row && (role != dorvan::DialogRole::Box || c.box == box)) return static_cast<int>(i);
  }
  return -1;
}

std::wstring titleOf(int port) {
  wchar_t t[32];
  wsprintfW(t, L"PORT %02d — ek çizelge", port);
  return t;
}

}  // namespace

HWND dialogPart(HWND dialog, dorvan::DialogRole role, int row, dorvan::WindowBox box) {
  return GetDlgItem(dialog, dorvan::win32::dialogChildId(indexOf(role, row, box)));
}

HWND openExtraDialog(Session& s, HWND main, int port, Case& c) {
  mouseOn(control(main, dorvan::kPortGrid[static_cast<std::size_t>(port - 1)].indicator, c),
          {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP});
  HWND dialog = nullptr;
  waitUntil(
      [&] {
        for (HWND h : s.windowsOfClass(L"#32770"))
          if (IsWindowVisible(h) && textOf(h) == titleOf(port)) dialog = h;
        return dialog != nullptr;
      },
      5000);
  c.require(dialog != nullptr, "no dialog titled \"" + narrow(titleOf(port)) + "\" after a right-click");
  return dialog;
}

Table sampleTable(int stage) {
  Table t;
  for (int p = 1; p <= 50; ++p) {
    const int port = (p - 1) / 5 + 1;
    wchar_t buf[64];
    switch ((p - 1) % 5) {
      case 0: std::swprintf(buf, 64, L"K%d PORT%02d ŞİÇĞÜÖ ışçğüö", stage, port); break;
      case 1: std::swprintf(buf, 64, L"%02d.%02d.2031", port, stage); break;
      case 2: std::swprintf(buf, 64, L"%02d:%02d:%02d", stage, port, p); break;
      case 3: std::swprintf(buf, 64, L"%02d.%02d.2032", port, stage); break;
      default: std::swprintf(buf, 64, L"%02d:%02d:%02d", 12 + stage, port, p); break;
    }
    t[static_cast<std::size_t>(p - 1)] = buf;
  }
  // A date longer than its box: the box keeps the first ten characters.
  t[1] += L"XY";
  return t;
}

std::string stageFileBytes(const Table& values, int lines) {
  std::string bytes;
  for (int i = 0; i < lines && i < 50; ++i) bytes += toCp1254(values[static_cast<std::size_t>(i)]) + "\r\n";
  return bytes;
}

std::string_view boxOfPosition(int position) {
  const dorvan::PortRow& row = dorvan::kPortGrid[static_cast<std::size_t>((position - 1) / 5)];
  switch ((position - 1) % 5) {
    case 0: return row.description;
    case 1: return row.startDate;
    case 2: return row.startTime;
    case 3: return row.endDate;
    default: return row.endTime;
  }
}

std::wstring asShownIn(std::string_view box, const std::wstring& value) {
  const int limit = dorvan::controlSpec(dorvan::controlId(box)).maxLength;
  return limit > 0 && value.size() > static_cast<std::size_t>(limit) ? value.substr(0, static_cast<std::size_t>(limit))
                                                                     : value;
}

}  // namespace wine_test
