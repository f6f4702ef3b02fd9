#include "app/qt/qt_ui_thread.h"

#include <utility>

namespace dorvan {

void QtUiThread::post(std::function<void()> task) {
  std::lock_guard lock(mutex_);
  if (receiver_) QMetaObject::invokeMethod(receiver_, std::move(task), Qt::QueuedConnection);
}

void QtUiThread::stop() {
  std::lock_guard lock(mutex_);
  receiver_ = nullptr;
}

}  // namespace dorvan
