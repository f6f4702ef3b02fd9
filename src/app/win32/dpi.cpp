#include "app/win32/dpi.h"

namespace dorvan::win32 {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

struct PerDpiCalls {
  GetDpiForWindowFn getDpiForWindow = nullptr;
  AdjustWindowRectExForDpiFn adjustWindowRectExForDpi = nullptr;
  GetSystemMetricsForDpiFn getSystemMetricsForDpi = nullptr;
};

template <typename Fn>
Fn lookUp(HMODULE module, const char* name) {
  // Through void(*)(), the one function pointer type that converts to any other without a warning.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

const PerDpiCalls& perDpiCalls() {
  static const PerDpiCalls calls = [] {
    PerDpiCalls c;
    if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
      c.getDpiForWindow = lookUp<GetDpiForWindowFn>(user32, "GetDpiForWindow");
      c.adjustWindowRectExForDpi = lookUp<AdjustWindowRectExForDpiFn>(user32, "AdjustWindowRectExForDpi");
      c.getSystemMetricsForDpi = lookUp<GetSystemMetricsForDpiFn>(user32, "GetSystemMetricsForDpi");
    }
    return c;
  }();
  return calls;
}

int systemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace

int windowDpi(HWND window) {
  if (auto fn = perDpiCalls().getDpiForWindow; fn && window) {
    const UINT dpi = fn(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return systemDpi();
}

SIZE frameSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi) {
  RECT r{0, 0, twipsToPixels(clientWidth, dpi), twipsToPixels(clientHeight, dpi)};
  if (auto fn = perDpiCalls().adjustWindowRectExForDpi)
    fn(&r, style, FALSE, exStyle, static_cast<UINT>(dpi));
  else
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

int systemMetricForDpi(int index, int dpi) {
  if (auto fn = perDpiCalls().getSystemMetricsForDpi) return fn(index, static_cast<UINT>(dpi));
  return GetSystemMetrics(index);
}

RECT toRect(const PixelRect& r) { return RECT{r.left, r.top, r.left + r.width, r.top + r.height}; }

}  // namespace dorvan::win32
