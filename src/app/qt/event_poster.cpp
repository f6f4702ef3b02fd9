#include "app/qt/event_poster.h"

#include <QCoreApplication>

#include "app/qt/qt_events.h"
#include "app/qt/qt_window_proc_slot.h"

namespace dorvan {

namespace {

void postProblem(QObject& window, const std::string& text) {
  QCoreApplication::postEvent(&window, new ProblemEvent(QString::fromStdString(text)));
}

}  // namespace

HidapiHooks EventPoster::hooks() {
  return HidapiHooks{
      [this](std::uintptr_t window, std::uint32_t code, std::uint32_t handle) { post(window, code, handle); },
      [this](const std::string& text) { report(text); }};
}

void EventPoster::attach(QObject& window) {
  std::lock_guard lock(mutex_);
  window_ = &window;
  for (const std::string& text : unshownProblems_) postProblem(window, text);
  unshownProblems_.clear();
}

void EventPoster::detach() {
  std::lock_guard lock(mutex_);
  window_ = nullptr;
}

void EventPoster::post(std::uintptr_t window, std::uint32_t code, std::uint32_t handle) {
  std::lock_guard lock(mutex_);
  if (window_ && QtWindowProcSlot::handleOf(*window_) == window)
    QCoreApplication::postEvent(window_, new DeviceNotificationEvent(code, handle));
}

void EventPoster::report(const std::string& text) {
  std::lock_guard lock(mutex_);
  if (window_)
    postProblem(*window_, text);
  else
    unshownProblems_.push_back(text);
}

}  // namespace dorvan
