// DORVAN on the network: what ag.txt asks for, started once the window is shown and
// stopped before it goes. Without ag.txt nothing here runs.
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

  // On the UI thread, once the window is shown: reads ag.txt, says what is wrong in
  // it, and starts what it asks for.
  void start();
  // On the UI thread, before the window goes: says goodbye where that is due and
  // ends every thread of the network. Safe to call twice.
  void stop();

 private:
  // Said as every message is: journaled as a warning, then shown.
  void tell(std::string_view text) { form_.reportProblem(text); }
  Settings readSettingsFile();
  std::shared_ptr<TlsClientContext> mqttTls(const MqttSettings& mqtt, std::vector<std::string>& problems);

  MainForm& form_;
  UiThread& ui_;
  FileOps& files_;
  std::unique_ptr<MqttDevice> mqtt_;
  std::unique_ptr<WebPage> web_;
};

}  // namespace dorvan
