// The page: the window as a third binding, served over HTTP. The server's threads
// never touch MainForm: each request that reads or changes the window is a task
// posted to the UI thread, which the request waits for, with a time limit.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "base/file_ops.h"
#include "net/http_server.h"
#include "net/settings.h"
#include "net/ui_thread.h"

namespace dorvan {

class MainForm;

class WebPage {
 public:
  WebPage(MainForm& form, UiThread& ui, FileOps& files) : form_(form), ui_(ui), files_(files) {}
  ~WebPage() { stop(); }
  WebPage(const WebPage&) = delete;
  WebPage& operator=(const WebPage&) = delete;

  // On the UI thread. Starts serving; when the port cannot be had, the Turkish
  // message to tell (naming the line of ag.txt), and the page stays off.
  std::optional<std::string> start(const WebSettings& settings);
  // On the UI thread, before the window goes: requests waiting for it are answered 503.
  void stop();

  // How long a request waits for the UI thread before it is answered 503.
  static constexpr std::chrono::seconds kUiWait{5};

 private:
  HttpResponse answer(const HttpRequest& request);

  MainForm& form_;
  UiThread& ui_;
  FileOps& files_;
  // Shared with tasks still queued when the page stops: they then do nothing.
  std::shared_ptr<std::atomic<bool>> stopping_ = std::make_shared<std::atomic<bool>>(false);
  HttpServer server_;
};

}  // namespace dorvan
