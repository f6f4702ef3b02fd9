// The events that bring the board library's news from its threads to the main
// window's thread, through Qt's event queue.
#pragma once

#include <QEvent>
#include <QString>

#include <cstdint>
#include <utility>

namespace dorvan {

// A device notification: what wParam and lParam carry on Windows.
class DeviceNotificationEvent final : public QEvent {
 public:
  DeviceNotificationEvent(std::uint32_t code, std::uint32_t handle)
      : QEvent(eventType()), code_(code), handle_(handle) {}

  static QEvent::Type eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  std::uint32_t code() const { return code_; }
  std::uint32_t handle() const { return handle_; }

 private:
  std::uint32_t code_;
  std::uint32_t handle_;
};

// Something the user has to fix outside the program (the board's device permissions).
class ProblemEvent final : public QEvent {
 public:
  explicit ProblemEvent(QString text) : QEvent(eventType()), text_(std::move(text)) {}

  static QEvent::Type eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  const QString& text() const { return text_; }

 private:
  QString text_;
};

}  // namespace dorvan
