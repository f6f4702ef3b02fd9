// Screen resolution of a window, and the per-DPI user32 calls that only newer
// Windows versions have; older ones get the system resolution instead.
#pragma once

#include <windows.h>

#include "form/window_layout.h"

namespace dorvan::win32 {

inline constexpr int kBaseDpi = 96;

int windowDpi(HWND window);

// The outer window size whose client area is clientWidth x clientHeight twips at `dpi`.
SIZE frameSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi);

int systemMetricForDpi(int index, int dpi);

RECT toRect(const PixelRect& r);

}  // namespace dorvan::win32
