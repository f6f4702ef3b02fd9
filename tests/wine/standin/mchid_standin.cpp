// A board library of our own for the Wine tests: it answers the eight calls the
// program makes, writes each call as one line to the file named by
// DORVAN_STANDIN_LOG, and leaves it to the test to post device notifications to
// the window it was given in Connect (the handle is in the log).
//
// A device handle carries its IDs: vendor ID in the high 16 bits, product ID in the
// low 16, so the test picks the device by the handle it posts.

#include <windows.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

HWND g_host = nullptr;
HHOOK g_destroyWatch = nullptr;

std::string hex(std::uint64_t value, int digits) {
  char buf[20];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, 16);
  std::string s(buf, end);
  for (char& c : s)
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
  return "0x" + s;
}

std::string dec(std::int64_t value) { return std::to_string(value); }

std::string bytes(const std::uint8_t* p, int n) {
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  for (int i = 0; i < n; ++i) {
    if (i) s += ' ';
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

std::string procOf(HWND h) {
  return hex(static_cast<std::uint64_t>(GetWindowLongPtrW(h, GWLP_WNDPROC)), 8);
}

// Appends one line "HH:MM:SS.mmm text"; the file is opened per line so that every
// line is on disk before the call returns, whatever happens to the process later.
void logLine(const std::string& text) {
  wchar_t path[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"DORVAN_STANDIN_LOG", path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  SYSTEMTIME t;
  GetLocalTime(&t);
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%02u:%02u:%02u.%03u", t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
  const std::string line = std::string(stamp) + " " + text + "\r\n";
  HANDLE f = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  FlushFileBuffers(f);
  CloseHandle(f);
}

// Sees every message sent to a window procedure of the thread; records which
// procedure the host window has when it is destroyed, to show that the program
// put its own back.
LRESULT CALLBACK watchDestroy(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (msg->hwnd == g_host && g_host != nullptr && msg->message == WM_DESTROY)
      logLine("WM_DESTROY wndproc=" + procOf(g_host));
  }
  return CallNextHookEx(g_destroyWatch, code, wParam, lParam);
}

std::uint32_t vendorOf(std::uint32_t h) { return h >> 16; }
std::uint32_t productOf(std::uint32_t h) { return h & 0xFFFFu; }

}  // namespace

extern "C" {

std::int16_t __stdcall Connect(std::uint32_t hostWindow) {
  g_host = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(hostWindow));
  logLine("Connect hostWindow=" + hex(hostWindow, 8) + " wndproc=" + procOf(g_host));
  if (g_destroyWatch == nullptr)
    g_destroyWatch = SetWindowsHookExW(WH_CALLWNDPROC, watchDestroy, nullptr, GetCurrentThreadId());
  return 1;
}

std::int16_t __stdcall Disconnect() {
  logLine("Disconnect wndproc=" + (g_host ? procOf(g_host) : std::string("none")));
  return 1;
}

std::int32_t __stdcall GetVendorID(std::uint32_t h) {
  const std::uint32_t v = vendorOf(h);
  logLine("GetVendorID h=" + hex(h, 8) + " -> " + dec(v));
  return static_cast<std::int32_t>(v);
}

std::int32_t __stdcall GetProductID(std::uint32_t h) {
  const std::uint32_t p = productOf(h);
  logLine("GetProductID h=" + hex(h, 8) + " -> " + dec(p));
  return static_cast<std::int32_t>(p);
}

std::uint32_t __stdcall GetHandle(std::int32_t vid, std::int32_t pid) {
  const std::uint32_t h = (static_cast<std::uint32_t>(vid) << 16) | (static_cast<std::uint32_t>(pid) & 0xFFFFu);
  logLine("GetHandle vid=" + dec(vid) + " pid=" + dec(pid) + " -> " + hex(h, 8));
  return h;
}

void __stdcall SetReadNotify(std::uint32_t h, std::int32_t enable) {
  logLine("SetReadNotify h=" + hex(h, 8) + " enable=" + dec(enable));
}

// The pattern a test can recognise if it ever looks at the input report.
std::int16_t __stdcall Read(std::uint32_t h, std::uint8_t* buf9) {
  static const std::uint8_t pattern[9] = {0x00, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07, 0x18};
  logLine("Read h=" + hex(h, 8));
  if (buf9 != nullptr)
    for (int i = 0; i < 9; ++i) buf9[i] = pattern[i];
  return 1;
}

void __stdcall WriteEx(std::int32_t vid, std::int32_t pid, std::uint8_t* buf9) {
  logLine("WriteEx vid=" + dec(vid) + " pid=" + dec(pid) + " data=" + (buf9 ? bytes(buf9, 9) : std::string("null")));
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) logLine("attach");
  return TRUE;
}
