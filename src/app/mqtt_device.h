// DORVAN as an MQTT device: it publishes every port's state, the board's, the next
// switchings and the journal, announces itself to Home Assistant, and switches a port
// when told to on its `set` topic, as a double-click does. Lives on the UI thread; the
// connection itself is net/mqtt_client's thread.
#pragma once

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/form_observer.h"
#include "net/mqtt_client.h"
#include "net/mqtt_texts.h"
#include "net/settings.h"
#include "net/ui_thread.h"

namespace dorvan {

class MainForm;

class MqttDevice final : public FormObserver, private MqttEvents {
 public:
  // Observes the form and starts connecting at once.
  // `tls`: null for a plain connection, else what the broker's certificate is checked against.
  MqttDevice(MainForm& form, UiThread& ui, const MqttSettings& settings, std::shared_ptr<TlsClientContext> tls,
             std::string_view version);
  // Stops, and tells MainForm it is gone.
  ~MqttDevice();
  MqttDevice(const MqttDevice&) = delete;
  MqttDevice& operator=(const MqttDevice&) = delete;

  // `offline`, then the disconnect; within about a second. Nothing is published after.
  void stop();

 private:
  void portSwitched(int port, PortState state, SwitchCause cause) override;
  void boardChanged(bool present) override;
  void journalLine(std::string_view line) override;
  void boxChanged(ControlId box) override;
  void extrasChanged(int port) override;
  void stageChanged(int stage) override;

  void mqttConnected() override;
  void mqttDown(std::string_view reason) override;
  void mqttMessage(const MqttMessage& message) override;
  void mqttSecond() override;

  void publish(std::string topic, std::string payload, bool retain = true);
  void publishDiscovery();
  // The names of switches whose description changed, and the next switchings that moved.
  void publishChanges();
  // After the handler running now: a stage load changes fifty boxes, and is told once.
  void publishChangesSoon();
  void command(int port, std::string_view payload);
  void stageCommand(std::string_view payload);
  // Journaled once a minute at most; `expected` says what would have been understood.
  void badCommand(std::string_view topic, std::string_view payload, std::string_view expected);

  MainForm& form_;
  UiThread& ui_;
  mqtt::Identity id_;
  std::string server_;      // "host:port", for the journal
  bool unchecked_ = false;  // TLS without the certificate check: said at every connect
  bool connected_ = false;
  bool inOutage_ = false;
  bool stopped_ = false;
  bool changesPosted_ = false;
  // What the broker holds from this connection: a next switching, a switch's name.
  std::array<std::optional<std::string>, kPortCount> nextSent_;
  std::array<std::optional<std::string>, kPortCount> nameSent_;
  std::optional<std::chrono::steady_clock::time_point> lastBadCommand_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  MqttClient client_;  // last: its thread starts once everything above is ready
};

}  // namespace dorvan
