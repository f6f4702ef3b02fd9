// The link between the board library and the main window: connect, hook the
// window's messages, turn device notifications into device events, unhook.
#pragma once

#include <cstdint>

#include "hid/hid_library.h"

namespace dorvan {

// What the hook calls on the main window.
class DeviceEvents {
 public:
  virtual ~DeviceEvents() = default;
  virtual void OnPlugged(DeviceHandle pHandle) = 0;
  virtual void OnUnplugged(DeviceHandle pHandle) = 0;
  virtual void OnChanged() = 0;
  virtual void OnRead(DeviceHandle pHandle) = 0;
};

// The main window's message-handling slot, as the platform offers it. On Win32 it
// is the window procedure (replaced and restored through user32); under Qt, an
// event filter on the main window.
class WindowProcSlot {
 public:
  virtual ~WindowProcSlot() = default;
  // Puts the link's hook in front of the window's own handling.
  virtual void install(std::uintptr_t window) = 0;
  // Puts back what install found.
  virtual void restore(std::uintptr_t window) = 0;
  // The handling that was in place before install; its result is the hook's result.
  virtual std::intptr_t callPrevious(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) = 0;
};

class HIDDLLInterface {
 public:
  HIDDLLInterface(HidLibrary& library, WindowProcSlot& slot, DeviceEvents& events);

  bool OpenHidLink(std::uintptr_t window);
  bool CloseHidLink();
  // Every message of the hooked window passes through here, and always on to the
  // previous handling, after its device event has run.
  std::intptr_t HidWindowProc(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam);

  bool isOpen() const { return open_; }

 private:
  void dispatch(std::uintptr_t wParam, std::intptr_t lParam);

  HidLibrary& library_;
  WindowProcSlot& slot_;
  DeviceEvents& events_;
  std::uintptr_t hostWindow_ = 0;
  bool open_ = false;
};

}  // namespace dorvan
