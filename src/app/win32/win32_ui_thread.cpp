#include "app/win32/win32_ui_thread.h"

#include <utility>

namespace dorvan::win32 {
namespace {

constexpr UINT kRunQueuedMessage = WM_APP + 10;
constexpr wchar_t kClassName[] = L"DORVAN_UiThread";

// The queue is shared with the network's threads.
class Locked {
 public:
  explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~Locked() { ReleaseSRWLockExclusive(&lock_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  SRWLOCK& lock_;
};

}  // namespace

bool Win32UiThread::create(HINSTANCE instance) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &Win32UiThread::windowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  if (!window) return false;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  const Locked locked(lock_);
  window_ = window;
  return true;
}

// One message for however many tasks are waiting: a burst cannot flood the queue.
void Win32UiThread::post(std::function<void()> task) {
  const Locked locked(lock_);
  if (!window_) return;
  const bool wasEmpty = tasks_.empty();
  tasks_.push_back(std::move(task));
  if (wasEmpty) PostMessageW(window_, kRunQueuedMessage, 0, 0);
}

void Win32UiThread::stop() {
  HWND window = nullptr;
  {
    const Locked locked(lock_);
    std::swap(window, window_);
    tasks_.clear();
  }
  if (window) DestroyWindow(window);
}

void Win32UiThread::runQueued() {
  std::deque<std::function<void()>> tasks;
  {
    const Locked locked(lock_);
    tasks.swap(tasks_);
  }
  for (std::function<void()>& task : tasks) task();
}

LRESULT CALLBACK Win32UiThread::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Win32UiThread*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == kRunQueuedMessage && self) {
    self->runQueued();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace dorvan::win32
