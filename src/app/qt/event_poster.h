// Carries the board library's notifications and problem reports from whatever
// thread raises them into the main window's event queue. Until a window is
// attached, and after it is detached, notifications are dropped, so the library's
// threads never post to a window that is gone.
#pragma once

#include <QObject>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "hid/linux/hidapi_library.h"

namespace dorvan {

class EventPoster {
 public:
  // The hooks to give the board library; they refer to this poster, which must outlive the library.
  HidapiHooks hooks();

  void attach(QObject& window);
  void detach();

  void post(std::uintptr_t window, std::uint32_t code, std::uint32_t handle);
  // A problem found before the window is attached is shown once it is.
  void report(const std::string& text);

 private:
  std::mutex mutex_;
  QObject* window_ = nullptr;
  std::vector<std::string> unshownProblems_;
};

}  // namespace dorvan
