#include "app/qt/qt_window_proc_slot.h"

#include "app/qt/qt_events.h"
#include "hid/hid_library.h"

namespace dorvan {

void QtWindowProcSlot::install(std::uintptr_t window) {
  if (window == handleOf(window_)) window_.installEventFilter(this);
}

void QtWindowProcSlot::restore(std::uintptr_t window) {
  if (window == handleOf(window_)) window_.removeEventFilter(this);
}

bool QtWindowProcSlot::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == DeviceNotificationEvent::eventType() && hook_) {
    const auto* notification = static_cast<const DeviceNotificationEvent*>(event);
    hook_(handleOf(window_), kDeviceNotification, notification->code(),
          static_cast<std::intptr_t>(notification->handle()));
  }
  return false;  // the window's own handling always follows
}

}  // namespace dorvan
