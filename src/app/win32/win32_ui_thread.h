// Work from the network's threads, queued for the message loop: a message-only window
// of its own is posted a message, as the board library posts its notifications.
#pragma once

#include <windows.h>

#include <deque>

#include "net/ui_thread.h"

namespace dorvan::win32 {

class Win32UiThread final : public UiThread {
 public:
  // On the UI thread. Returns false when the window could not be made; posts are then dropped.
  bool create(HINSTANCE instance);
  void post(std::function<void()> task) override;
  // On the UI thread, before the message loop ends: from here on tasks are dropped.
  void stop();

 private:
  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void runQueued();

  SRWLOCK lock_ = SRWLOCK_INIT;
  HWND window_ = nullptr;
  std::deque<std::function<void()>> tasks_;
};

}  // namespace dorvan::win32
