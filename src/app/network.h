// What the settings file ag.txt asks for: where DORVAN is, known before the window is
// shown, and the network, started once it is shown and stopped before it goes.
// Without ag.txt nothing here runs.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/mqtt_device.h"
#include "app/web/web_page.h"
#include "base/file_ops.h"
#include "net/settings.h"
#include "net/tls_context.h"
#include "net/ui_thread.h"

namespace dorvan {

class Network {
 public:
  Network(MainForm& form, UiThread& ui, FileOps& files);
  ~Network();
  Network(const Network&) = delete;
  Network& operator=(const Network&) = delete;

  // Before the window is loaded, so that the first tick knows it: reads ag.txt and
  // tells MainForm where DORVAN is. What is wrong in the file is said by start().
  void load();
  // On the UI thread, once the window is shown: says what is wrong in ag.txt, and
  // starts what it asks for.
  void start();
  // On the UI thread, before the window goes: says goodbye where that is due and
  // ends every thread of the network. Safe to call twice.
  void stop();

 private:
  Settings readSettingsFile();
  void startWeb(const WebSettings& web, std::vector<std::string>& problems);
  std::shared_ptr<TlsClientContext> mqttTls(const MqttSettings& mqtt, std::vector<std::string>& problems);

  MainForm& form_;
  UiThread& ui_;
  FileOps& files_;
  Settings settings_;
  std::optional<std::string> unreadable_;  // why ag.txt could not be read
  bool loaded_ = false;
  std::unique_ptr<MqttDevice> mqtt_;
  std::unique_ptr<WebPage> web_;
};

}  // namespace dorvan
