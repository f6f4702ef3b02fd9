// A board library of our own for the Wine tests: it answers the eight calls the
// program makes, writes each call as one line to the file named by
// DORVAN_STANDIN_LOG, and leaves it to the test to post device notifications to
// the window it was given in Connect (the handle is in the log).
//
// A device handle carries its IDs: vendor ID in the high 16 bits, product ID in the
// low 16, so the test picks the device by the handle it posts.
//
// With DORVAN_STANDIN_COUNT set, a storm of notifications would spend its time
// opening the log, so the calls are counted instead: only attach, Connect and
// Disconnect are logged, and Disconnect adds one "Counts" line. While the program
// runs the counts can be read from the named section "dorvan-standin-counts-PID"
// (LONGs in kCountNames order, after a first LONG that says how many follow). In
// this mode Connect also puts a window procedure of its own in front of the host
// window's, so the program's hook, installed after Connect, finds it as the
// previous one: it counts the notifications the hook passes on, and those whose
// handler made other calls than their code asks for.

#include <windows.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>

#include "standin_counts.h"

namespace {

using namespace standin;

constexpr UINT kDeviceNotification = 32968;

HWND g_host = nullptr;
HHOOK g_destroyWatch = nullptr;

// The counted values, in the order of the section (standin_counts.h), by name.
const char* const kCountNames[kCountFields] = {
    "Connect",    "Disconnect", "GetVendorID", "GetProductID", "GetHandle",  "SetReadNotify",  "Read",     "WriteEx",
    "forwarded0", "forwarded1", "forwarded2",  "forwarded3",   "forwarded4", "forwardedOther", "outOfStep"};

volatile LONG* g_counts = nullptr;  // [0] = kCountFields, then the fields
LONG g_private[kCountFields + 1] = {};
LONG g_atLastForward[kCountFields] = {};
WNDPROC g_hostProc = nullptr;

bool counting() { return GetEnvironmentVariableW(L"DORVAN_STANDIN_COUNT", nullptr, 0) != 0; }

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

std::string procOf(HWND h) { return hex(static_cast<std::uint64_t>(GetWindowLongPtrW(h, GWLP_WNDPROC)), 8); }

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

// The section lives as long as the process: the test reads it until the program ends.
void openCounts() {
  if (g_counts != nullptr) return;
  const std::wstring name = L"dorvan-standin-counts-" + std::to_wstring(GetCurrentProcessId());
  HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(LONG) * (kCountFields + 1), name.c_str());
  void* view = section ? MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
  g_counts = view ? static_cast<volatile LONG*>(view) : g_private;
  g_counts[0] = kCountFields;
}

LONG countOf(Count c) { return g_counts ? g_counts[c + 1] : 0; }

// Counts the call when calls are being counted; false when it is to be logged.
bool counted(Count c) {
  if (g_counts == nullptr) return false;
  InterlockedIncrement(&g_counts[c + 1]);
  return true;
}

std::string countsLine() {
  std::string s = "Counts";
  for (int i = 0; i < kCountFields; ++i) s += std::string(" ") + kCountNames[i] + "=" + dec(countOf(Count(i)));
  return s;
}

// What the handler of a notification with that code calls: plug and unplug ask
// both IDs, change asks the handle and switches reading on, read reads.
bool handledInStep(WPARAM code) {
  LONG delta[kCountFields];
  for (int i = 0; i < kCountFields; ++i) delta[i] = countOf(Count(i)) - g_atLastForward[i];
  const bool ids = code == 1 || code == 2;
  return delta[kGetVendorID] == (ids ? 1 : 0) && delta[kGetProductID] == (ids ? 1 : 0) &&
         delta[kGetHandle] == (code == 3 ? 1 : 0) && delta[kSetReadNotify] == (code == 3 ? 1 : 0) &&
         delta[kRead] == (code == 4 ? 1 : 0);
}

// The host window's procedure as the program's hook finds it: every notification
// arrives here after its handler has run.
LRESULT CALLBACK countForwarded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kDeviceNotification && g_counts != nullptr) {
    if (!handledInStep(wParam)) InterlockedIncrement(&g_counts[kOutOfStep + 1]);
    InterlockedIncrement(&g_counts[(wParam <= 4 ? kForwarded0 + static_cast<int>(wParam) : kForwardedOther) + 1]);
    for (int i = 0; i < kCountFields; ++i) g_atLastForward[i] = countOf(Count(i));
  }
  return CallWindowProcW(g_hostProc, window, message, wParam, lParam);
}

void countForwardedNotifications() {
  const LONG_PTR old = SetWindowLongPtrW(g_host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&countForwarded));
  g_hostProc = reinterpret_cast<WNDPROC>(old);
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
  if (counting()) {
    openCounts();
    counted(kConnect);
    if (g_hostProc == nullptr && g_host != nullptr) countForwardedNotifications();
  }
  return 1;
}

std::int16_t __stdcall Disconnect() {
  logLine("Disconnect wndproc=" + (g_host ? procOf(g_host) : std::string("none")));
  if (counted(kDisconnect)) logLine(countsLine());
  return 1;
}

std::int32_t __stdcall GetVendorID(std::uint32_t h) {
  const std::uint32_t v = vendorOf(h);
  if (!counted(kGetVendorID)) logLine("GetVendorID h=" + hex(h, 8) + " -> " + dec(v));
  return static_cast<std::int32_t>(v);
}

std::int32_t __stdcall GetProductID(std::uint32_t h) {
  const std::uint32_t p = productOf(h);
  if (!counted(kGetProductID)) logLine("GetProductID h=" + hex(h, 8) + " -> " + dec(p));
  return static_cast<std::int32_t>(p);
}

std::uint32_t __stdcall GetHandle(std::int32_t vid, std::int32_t pid) {
  const std::uint32_t h = (static_cast<std::uint32_t>(vid) << 16) | (static_cast<std::uint32_t>(pid) & 0xFFFFu);
  if (!counted(kGetHandle)) logLine("GetHandle vid=" + dec(vid) + " pid=" + dec(pid) + " -> " + hex(h, 8));
  return h;
}

void __stdcall SetReadNotify(std::uint32_t h, std::int32_t enable) {
  if (!counted(kSetReadNotify)) logLine("SetReadNotify h=" + hex(h, 8) + " enable=" + dec(enable));
}

// The pattern a test can recognise if it ever looks at the input report.
std::int16_t __stdcall Read(std::uint32_t h, std::uint8_t* buf9) {
  static const std::uint8_t pattern[9] = {0x00, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07, 0x18};
  if (!counted(kRead)) logLine("Read h=" + hex(h, 8));
  if (buf9 != nullptr)
    for (int i = 0; i < 9; ++i) buf9[i] = pattern[i];
  return 1;
}

void __stdcall WriteEx(std::int32_t vid, std::int32_t pid, std::uint8_t* buf9) {
  if (!counted(kWriteEx))
    logLine("WriteEx vid=" + dec(vid) + " pid=" + dec(pid) + " data=" + (buf9 ? bytes(buf9, 9) : std::string("null")));
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) logLine("attach");
  return TRUE;
}
