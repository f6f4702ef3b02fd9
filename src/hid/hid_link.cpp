#include "hid/hid_link.h"

namespace dorvan {

HIDDLLInterface::HIDDLLInterface(HidLibrary& library, WindowProcSlot& slot, DeviceEvents& events)
    : library_(library), slot_(slot), events_(events) {}

bool HIDDLLInterface::OpenHidLink(std::uintptr_t window) {
  hostWindow_ = window;
  const bool connected = library_.Connect(hostWindow_);
  // Connected first, hooked second: the hook is in place before the queue is next read.
  slot_.install(hostWindow_);
  open_ = true;
  return connected;
}

bool HIDDLLInterface::CloseHidLink() {
  const bool disconnected = library_.Disconnect();
  slot_.restore(hostWindow_);
  open_ = false;
  return disconnected;
}

std::intptr_t HIDDLLInterface::HidWindowProc(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam,
                                             std::intptr_t lParam) {
  if (message == kDeviceNotification && open_) dispatch(wParam, lParam);
  return slot_.callPrevious(window, message, wParam, lParam);
}

void HIDDLLInterface::dispatch(std::uintptr_t wParam, std::intptr_t lParam) {
  // Handles are 32-bit; the message carries them in lParam.
  const auto handle = static_cast<DeviceHandle>(static_cast<std::uintptr_t>(lParam));
  switch (wParam) {
    case static_cast<std::uintptr_t>(Notification::Plugged): events_.OnPlugged(handle); break;
    case static_cast<std::uintptr_t>(Notification::Unplugged): events_.OnUnplugged(handle); break;
    case static_cast<std::uintptr_t>(Notification::Changed): events_.OnChanged(); break;
    case static_cast<std::uintptr_t>(Notification::Read): events_.OnRead(handle); break;
    default: break;
  }
}

}  // namespace dorvan
