// The network's threads never touch the program's state: what they receive is handed
// to the UI thread, which alone reads and changes the window, the ports and the
// journal. Each binding has its own way of queueing work for its event loop.
#pragma once

#include <functional>

namespace dorvan {

class UiThread {
 public:
  virtual ~UiThread() = default;
  // From any thread. The task runs on the UI thread once the handler running there
  // now has returned; after the event loop has ended, tasks are dropped.
  virtual void post(std::function<void()> task) = 0;
};

}  // namespace dorvan
