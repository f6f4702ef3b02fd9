#include "app/mqtt_device.h"

#include <utility>

#include "app/main_form.h"
#include "base/iso_time.h"
#include "scheduler/scheduler.h"
#include "stages/stage_selector.h"

namespace dorvan {

namespace {

constexpr auto kBadCommandQuiet = std::chrono::minutes(1);
constexpr std::size_t kTopicShown = 120;
constexpr std::string_view kPortWords = "ON, OFF ya da TOGGLE olmalı";

MqttConnection connectionOf(const MqttSettings& s, const mqtt::Identity& id, std::shared_ptr<TlsClientContext> tls) {
  MqttConnection c;
  c.tls = std::move(tls);
  c.host = s.host;
  c.port = s.port;
  c.user = s.user;
  c.password = s.password;
  c.clientId = "dorvan-" + mqtt::discoveryId(id);
  c.availabilityTopic = mqtt::availabilityTopic(id);
  c.subscriptions.push_back(mqtt::setFilter(id));
  c.subscriptions.push_back(mqtt::stageSetTopic(id));
  if (!id.discovery.empty()) c.subscriptions.push_back(mqtt::discoveryStatusTopic(id));
  return c;
}

mqtt::Identity identityOf(const MqttSettings& s, std::string_view version) {
  return {s.prefix, s.discovery, std::string(version)};
}

std::string_view description(MainForm& form, int port) {
  return form.form().text(controlId(kPortGrid[port - 1].description));
}

std::string nextSwitchingText(MainForm& form, int port) {
  const std::optional<Switching> next = nextSwitching(form.form(), kPortTable[port - 1], wallSecond(form.now()), form.almanac());
  return next ? isoLocal(localTimeOf(next->at)) : std::string();
}

}  // namespace

MqttDevice::MqttDevice(MainForm& form, UiThread& ui, const MqttSettings& settings,
                       std::shared_ptr<TlsClientContext> tls, std::string_view version)
    : form_(form),
      ui_(ui),
      id_(identityOf(settings, version)),
      server_(settings.host + ":" + std::to_string(settings.port)),
      unchecked_(tls && !tls->verifies()),
      client_(connectionOf(settings, id_, std::move(tls)), ui, *this) {
  form_.observe(*this);
}

MqttDevice::~MqttDevice() {
  stop();
  form_.forget(*this);
}

void MqttDevice::stop() {
  if (stopped_) return;
  stopped_ = true;
  *alive_ = false;
  client_.stop();
}

void MqttDevice::publish(std::string topic, std::string payload, bool retain) {
  if (connected_ && !stopped_) client_.publish({std::move(topic), std::move(payload), retain});
}

void MqttDevice::portSwitched(int port, PortState state, SwitchCause) {
  publish(mqtt::portTopic(id_, port), std::string(state == PortState::On ? mqtt::kOn : mqtt::kOff));
  publishChangesSoon();
}

void MqttDevice::boardChanged(bool present) {
  publish(mqtt::boardTopic(id_), std::string(present ? mqtt::kOn : mqtt::kOff));
}

void MqttDevice::stageChanged(int stage) { publish(mqtt::stageTopic(id_), std::to_string(stage)); }

void MqttDevice::journalLine(std::string_view line) { publish(mqtt::journalTopic(id_), std::string(line), false); }

// Every box MainForm tells of is a schedule box: its port's name or next switching may have moved.
void MqttDevice::boxChanged(ControlId) { publishChangesSoon(); }
// Extra windows move only the next switching, which covers every window.
void MqttDevice::extrasChanged(int) { publishChangesSoon(); }

void MqttDevice::publishChangesSoon() {
  if (!connected_ || changesPosted_) return;
  changesPosted_ = true;
  ui_.post([this, alive = alive_] {
    if (!*alive) return;
    changesPosted_ = false;
    publishChanges();
  });
}

void MqttDevice::publishChanges() {
  if (!connected_) return;
  for (int p = 1; p <= kPortCount; ++p) {
    std::string next = nextSwitchingText(form_, p);
    if (nextSent_[p - 1] != next) {
      nextSent_[p - 1] = next;
      publish(mqtt::portNextTopic(id_, p), std::move(next));
    }
    if (id_.discovery.empty()) continue;
    std::string name = mqtt::portName(p, description(form_, p));
    if (nameSent_[p - 1] != name) {
      nameSent_[p - 1] = name;
      mqtt::Publication config = mqtt::switchConfig(id_, p, description(form_, p));
      publish(std::move(config.topic), std::move(config.payload));
    }
  }
}

void MqttDevice::publishDiscovery() {
  if (id_.discovery.empty()) return;
  for (int p = 1; p <= kPortCount; ++p) {
    mqtt::Publication sw = mqtt::switchConfig(id_, p, description(form_, p));
    nameSent_[p - 1] = mqtt::portName(p, description(form_, p));
    publish(std::move(sw.topic), std::move(sw.payload));
    mqtt::Publication next = mqtt::nextSwitchingConfig(id_, p);
    publish(std::move(next.topic), std::move(next.payload));
  }
  mqtt::Publication board = mqtt::boardConfig(id_);
  publish(std::move(board.topic), std::move(board.payload));
  mqtt::Publication stage = mqtt::stageConfig(id_);
  publish(std::move(stage.topic), std::move(stage.payload));
}

void MqttDevice::mqttConnected() {
  if (stopped_) return;
  connected_ = true;
  inOutage_ = false;
  publish(mqtt::availabilityTopic(id_), std::string(mqtt::kOnline));
  publishDiscovery();
  for (int p = 1; p <= kPortCount; ++p)
    if (const std::optional<PortRecord>& last = form_.lastSwitching(p))
      publish(mqtt::portTopic(id_, p), std::string(last->state == PortState::On ? mqtt::kOn : mqtt::kOff));
  publish(mqtt::boardTopic(id_), std::string(form_.boardPresent() ? mqtt::kOn : mqtt::kOff));
  const int stage = form_.currentStage();
  publish(mqtt::stageTopic(id_), stage == 0 ? std::string() : std::to_string(stage));
  nextSent_.fill(std::nullopt);
  publishChanges();
  if (unchecked_)
    form_.note(journal_events::warning("MQTT sunucusu " + server_ +
                                       ": sertifikası denetlenmeden bağlanıldı (mqtt_tls_dogrulama = hayir); "
                                       "araya girenden korumasız"));
  form_.note("MQTT BAĞLANDI");
}

void MqttDevice::mqttDown(std::string_view reason) {
  if (stopped_) return;
  connected_ = false;
  if (inOutage_) return;
  inOutage_ = true;
  // The password is never part of it: only the server and the reason.
  form_.note(journal_events::warning("MQTT sunucusu " + server_ + ": " + std::string(reason)));
}

void MqttDevice::mqttMessage(const MqttMessage& message) {
  if (stopped_) return;
  if (!id_.discovery.empty() && message.topic == mqtt::discoveryStatusTopic(id_)) {
    if (message.payload == mqtt::kOnline && connected_) publishDiscovery();
    return;
  }
  // A command left on the broker by someone else is not for now.
  if (message.retained) return;
  if (message.topic == mqtt::stageSetTopic(id_))
    stageCommand(message.payload);
  else if (const std::optional<int> port = mqtt::setTopicPort(id_, message.topic))
    command(*port, message.payload);
  else
    badCommand(message.topic, message.payload, kPortWords);
}

// As its button: its messages are journaled and shown, and the box opens after this returns.
void MqttDevice::stageCommand(std::string_view payload) {
  const std::optional<int> stage = mqtt::parseStage(payload);
  if (!stage) return badCommand(mqtt::stageSetTopic(id_), payload, "1 ile 7 arasında bir kademe numarası olmalı");
  form_.clickFromRemote(controlId(kStageButtons[*stage - 1].button), "mqtt");
}

void MqttDevice::command(int port, std::string_view payload) {
  const std::optional<mqtt::Command> c = mqtt::parseCommand(payload);
  if (!c) return badCommand(mqtt::portSetTopic(id_, port), payload, kPortWords);
  const PortCommand what = *c == mqtt::Command::On    ? PortCommand::On
                           : *c == mqtt::Command::Off ? PortCommand::Off
                                                      : PortCommand::Toggle;
  form_.switchPort(port, what, SwitchCause::Mqtt);
}

void MqttDevice::badCommand(std::string_view topic, std::string_view payload, std::string_view expected) {
  const auto now = std::chrono::steady_clock::now();
  if (lastBadCommand_ && now - *lastBadCommand_ < kBadCommandQuiet) return;
  lastBadCommand_ = now;
  form_.note(journal_events::warning("MQTT " + mqtt::journalSafe(topic, kTopicShown) + ": \"" +
                                     mqtt::payloadExcerpt(payload) + "\" anlaşılmadı, " + std::string(expected)));
}

void MqttDevice::mqttSecond() {
  if (!stopped_) publishChanges();
}

}  // namespace dorvan
