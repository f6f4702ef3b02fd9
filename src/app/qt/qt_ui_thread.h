// Work from the network's threads, queued for the Qt event loop as the board's
// notifications are.
#pragma once

#include <QObject>

#include <mutex>

#include "net/ui_thread.h"

namespace dorvan {

class QtUiThread final : public UiThread {
 public:
  // Tasks run as events of `receiver`, which must outlive stop().
  explicit QtUiThread(QObject& receiver) : receiver_(&receiver) {}
  void post(std::function<void()> task) override;
  // From here on tasks are dropped: the receiver is about to go.
  void stop();

 private:
  std::mutex mutex_;
  QObject* receiver_;
};

}  // namespace dorvan
