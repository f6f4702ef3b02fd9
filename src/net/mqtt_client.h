// A connection to an MQTT broker, kept on a thread of its own: it connects, keeps the
// link alive, reconnects after a failure (1 s, doubling up to 60 s), publishes what the
// UI thread queues and hands what it receives to the UI thread. Nothing here waits on
// the UI thread, and the UI thread never waits for the network, but in stop().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "net/mqtt_texts.h"
#include "net/tls_context.h"
#include "net/ui_thread.h"

namespace dorvan {

struct MqttConnection {
  std::string host;
  std::uint16_t port = 1883;
  std::string user;      // empty: none
  std::string password;  // never written anywhere
  std::string clientId;
  // Retained `offline` here is the will, and is published before a clean stop.
  std::string availabilityTopic;
  // Subscribed at QoS 1 after each connect.
  std::vector<std::string> subscriptions;
  // Null: a plain connection. Otherwise TLS, and nothing goes out before the handshake has passed.
  std::shared_ptr<TlsClientContext> tls;
};

struct MqttMessage {
  std::string topic;
  std::string payload;
  bool retained = false;
};

// Told on the UI thread, never after stop() has returned.
class MqttEvents {
 public:
  // The broker accepted the connection and the subscriptions are asked for.
  virtual void mqttConnected() = 0;
  // A connection failed or was lost; the reason is Turkish, for the journal. Told at
  // every failed attempt of an outage.
  virtual void mqttDown(std::string_view reason) = 0;
  virtual void mqttMessage(const MqttMessage& message) = 0;
  // About once a second, connected or not: a cheap place for checks that time makes.
  virtual void mqttSecond() = 0;

 protected:
  ~MqttEvents() = default;
};

class MqttClient {
 public:
  // Starts the thread, which connects at once. mosquitto_lib_init is called the first time.
  MqttClient(MqttConnection connection, UiThread& ui, MqttEvents& events);
  ~MqttClient();
  MqttClient(const MqttClient&) = delete;
  MqttClient& operator=(const MqttClient&) = delete;

  // From the UI thread. Goes out at once while connected; dropped otherwise, as what
  // counts is published again after each connect.
  void publish(mqtt::Publication message);
  // Publishes `offline` retained, disconnects and ends the thread. Returns within about a
  // second, even with a broker that has stopped answering; a thread caught resolving a
  // host name is left to finish on its own.
  void stop();

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace dorvan
