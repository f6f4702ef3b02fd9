// The main window's window procedure as the board link's hook slot: the link's
// hook replaces the window procedure and hands every message on to the old one.
#pragma once

#include <windows.h>

#include "hid/hid_link.h"

namespace dorvan::win32 {

class Win32WindowProcSlot final : public WindowProcSlot {
 public:
  // The link whose HidWindowProc the hook calls; set before the link is opened.
  void attach(HIDDLLInterface& link);

  void install(std::uintptr_t window) override;
  void restore(std::uintptr_t window) override;
  std::intptr_t callPrevious(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) override;

  bool installed() const { return installed_; }

 private:
  WNDPROC previous_ = nullptr;
  bool installed_ = false;
};

}  // namespace dorvan::win32
