#include "app/win32/window_proc_slot.h"

namespace dorvan::win32 {
namespace {

// A window procedure carries no context of its own; there is one main window and
// one link per process.
HIDDLLInterface* gLink = nullptr;
WNDPROC gPrevious = nullptr;

LRESULT CALLBACK HidWindowProcThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (gLink)
    return static_cast<LRESULT>(gLink->HidWindowProc(reinterpret_cast<std::uintptr_t>(window), message,
                                                     static_cast<std::uintptr_t>(wParam),
                                                     static_cast<std::intptr_t>(lParam)));
  return CallWindowProcW(gPrevious, window, message, wParam, lParam);
}

HWND asWindow(std::uintptr_t window) { return reinterpret_cast<HWND>(window); }

}  // namespace

void Win32WindowProcSlot::attach(HIDDLLInterface& link) { gLink = &link; }

void Win32WindowProcSlot::install(std::uintptr_t window) {
  // A second install would make the hook its own predecessor and loop forever.
  if (installed_) return;
  const LONG_PTR old =
      SetWindowLongPtrW(asWindow(window), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HidWindowProcThunk));
  if (old == 0) return;
  previous_ = reinterpret_cast<WNDPROC>(old);
  gPrevious = previous_;
  installed_ = true;
}

void Win32WindowProcSlot::restore(std::uintptr_t window) {
  if (!installed_) return;
  SetWindowLongPtrW(asWindow(window), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
  installed_ = false;
}

std::intptr_t Win32WindowProcSlot::callPrevious(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam,
                                                std::intptr_t lParam) {
  HWND hwnd = asWindow(window);
  if (!previous_) return static_cast<std::intptr_t>(DefWindowProcW(hwnd, message, wParam, lParam));
  return static_cast<std::intptr_t>(
      CallWindowProcW(previous_, hwnd, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

}  // namespace dorvan::win32
