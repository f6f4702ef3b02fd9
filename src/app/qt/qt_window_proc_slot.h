// The hook's place in front of the main window's own event handling: an event
// filter that hands every device notification to HIDDLLInterface::HidWindowProc
// and then lets the event go on to the window.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>

#include "hid/hid_link.h"

namespace dorvan {

class QtWindowProcSlot final : public QObject, public WindowProcSlot {
 public:
  using Hook = std::function<std::intptr_t(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam,
                                           std::intptr_t lParam)>;

  explicit QtWindowProcSlot(QObject& window) : window_(window) {}

  // The link exists only after the slot it is built with, so the hook comes later.
  void setHook(Hook hook) { hook_ = std::move(hook); }

  void install(std::uintptr_t window) override;
  void restore(std::uintptr_t window) override;
  // Qt's own handling runs after the filter returns; there is nothing to call here.
  std::intptr_t callPrevious(std::uintptr_t, std::uint32_t, std::uintptr_t, std::intptr_t) override { return 0; }

  // The main window's native handle as the board library sees it.
  static std::uintptr_t handleOf(const QObject& window) { return reinterpret_cast<std::uintptr_t>(&window); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QObject& window_;
  Hook hook_;
};

}  // namespace dorvan
