// The page: the window as a third binding, served over HTTP. The server's thread never
// touches MainForm: each request that reads or changes the window is a task posted to
// the UI thread, which replies when it has run. What changes in the window is pushed to
// the open event streams (GET /api/events) from the UI thread, as it happens.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "app/form_observer.h"
#include "app/web/journal_tail.h"
#include "base/file_ops.h"
#include "net/http_server.h"
#include "net/settings.h"
#include "net/tls_server.h"
#include "net/ui_thread.h"

namespace dorvan {

class MainForm;

class WebPage final : public FormObserver {
 public:
  WebPage(MainForm& form, UiThread& ui, FileOps& files) : form_(form), ui_(ui), files_(files) {}
  ~WebPage() { stop(); }
  WebPage(const WebPage&) = delete;
  WebPage& operator=(const WebPage&) = delete;

  // On the UI thread. Starts serving; when the port cannot be had, the Turkish
  // message to tell (naming the line of ag.txt), and the page stays off.
  // Over TLS alone when `tls` is given.
  std::optional<std::string> start(const WebSettings& settings, const HttpLimits& limits = {},
                                   const std::shared_ptr<TlsServerContext>& tls = nullptr);
  // On the UI thread, before the window goes: requests waiting for it get no answer
  // and their connections are closed.
  void stop();

 private:
  void answer(const HttpRequest& request, HttpServer::Reply reply);

  void portSwitched(int port, PortState state, SwitchCause cause) override;
  void boardChanged(bool present) override;
  void journalLine(std::string_view line) override;
  void boxChanged(ControlId box) override;
  void extrasChanged(int port) override;
  void stageChanged(int stage) override;
  void secondShown() override;

  // The port's object to the streams when it differs from the one they were last sent.
  void sendPortIfChanged(int port);
  // After the handler running now: a stage load changes fifty boxes, and each port is sent once.
  void sendPortsSoon();

  MainForm& form_;
  UiThread& ui_;
  FileOps& files_;
  web::JournalTail journal_;
  bool observing_ = false;
  bool portsPosted_ = false;
  std::array<bool, kPortCount> portDirty_{};
  std::array<std::string, kPortCount> portSent_;
  // Shared with tasks still queued when the page stops: they then do nothing.
  std::shared_ptr<std::atomic<bool>> stopping_ = std::make_shared<std::atomic<bool>>(false);
  HttpServer server_;
};

}  // namespace dorvan
