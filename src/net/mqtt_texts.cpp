#include "net/mqtt_texts.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

#include "base/utf8.h"

namespace dorvan::mqtt {

namespace {

constexpr int kPorts = 10;

std::string twoDigits(int port) {
  char buf[4];
  std::snprintf(buf, sizeof buf, "%02d", port);
  return buf;
}

std::string_view trimmed(std::string_view s) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool sameLetters(std::string_view a, std::string_view upper) {
  return a.size() == upper.size() && std::equal(a.begin(), a.end(), upper.begin(), [](char x, char y) {
           return (x >= 'a' && x <= 'z' ? static_cast<char>(x - 'a' + 'A') : x) == y;
         });
}

// The parts every entity shares: the device card and the availability.
nlohmann::json entity(const Identity& id, std::string_view uniqueSuffix, std::string name) {
  const std::string stem = discoveryId(id);
  return {
      {"name", std::move(name)},
      {"unique_id", stem + "_" + std::string(uniqueSuffix)},
      {"availability_topic", availabilityTopic(id)},
      {"payload_available", kOnline},
      {"payload_not_available", kOffline},
      {"device",
       {{"identifiers", {stem}},
        {"name", deviceName(id)},
        {"model", "10 portlu USB röle kartı"},
        {"manufacturer", "DORVAN"},
        {"sw_version", id.version}}},
  };
}

Publication config(const Identity& id, std::string_view component, std::string_view object,
                   const nlohmann::json& body) {
  return {id.discovery + "/" + std::string(component) + "/" + discoveryId(id) + "/" + std::string(object) + "/config",
          body.dump(), true};
}

}  // namespace

std::string availabilityTopic(const Identity& id) { return id.prefix + "/durum"; }
std::string portTopic(const Identity& id, int port) { return id.prefix + "/port/" + std::to_string(port); }
std::string portSetTopic(const Identity& id, int port) { return portTopic(id, port) + "/set"; }
std::string portNextTopic(const Identity& id, int port) { return portTopic(id, port) + "/sonraki"; }
std::string boardTopic(const Identity& id) { return id.prefix + "/kart"; }
std::string journalTopic(const Identity& id) { return id.prefix + "/gunluk"; }
std::string stageTopic(const Identity& id) { return id.prefix + "/kademe"; }
std::string stageSetTopic(const Identity& id) { return stageTopic(id) + "/set"; }
std::string setFilter(const Identity& id) { return id.prefix + "/port/+/set"; }
std::string discoveryStatusTopic(const Identity& id) {
  return id.discovery.empty() ? std::string() : id.discovery + "/status";
}

std::optional<int> setTopicPort(const Identity& id, std::string_view topic) {
  const std::string head = id.prefix + "/port/";
  constexpr std::string_view kTail = "/set";
  if (topic.size() <= head.size() + kTail.size() || !topic.starts_with(head) || !topic.ends_with(kTail))
    return std::nullopt;
  const std::string_view digits = topic.substr(head.size(), topic.size() - head.size() - kTail.size());
  if (digits.size() > 2 || digits.front() == '0') return std::nullopt;
  int port = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > kPorts) return std::nullopt;
  return port;
}

std::optional<Command> parseCommand(std::string_view payload) {
  const std::string_view word = trimmed(payload);
  if (sameLetters(word, "ON")) return Command::On;
  if (sameLetters(word, "OFF")) return Command::Off;
  if (sameLetters(word, "TOGGLE")) return Command::Toggle;
  return std::nullopt;
}

std::optional<int> parseStage(std::string_view payload) {
  const std::string_view word = trimmed(payload);
  if (word.size() != 1 || word[0] < '1' || word[0] > '7') return std::nullopt;
  return word[0] - '0';
}

std::string journalSafe(std::string_view payload, std::size_t bytes) {
  const std::string_view head = payload.substr(0, bytes);
  std::string out;
  out.reserve(head.size());
  for (std::size_t pos = 0; pos < head.size();) {
    const std::size_t start = pos;
    const char32_t cp = utf8::next(head, pos);
    if (cp == utf8::kInvalid) {
      // A character the cut splits is left out; any other bad byte is shown as '?'.
      std::size_t whole = start;
      if (payload.size() > bytes && (utf8::next(payload, whole), whole > bytes)) break;
      out += '?';
    } else if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0) || cp == 0x2028 || cp == 0x2029) {
      out += '?';
    } else {
      out.append(head.substr(start, pos - start));
    }
  }
  return out;
}

std::string discoveryId(const Identity& id) {
  std::string out = id.prefix;
  std::replace(out.begin(), out.end(), '/', '_');
  return out;
}

std::string deviceName(const Identity& id) {
  const std::size_t slash = id.prefix.rfind('/');
  return "DORVAN " + (slash == std::string::npos ? id.prefix : id.prefix.substr(slash + 1));
}

std::string portName(int port, std::string_view description) {
  const std::string_view name = trimmed(description);
  return name.empty() ? "PORT " + twoDigits(port) : std::string(name);
}

Publication switchConfig(const Identity& id, int port, std::string_view description) {
  const std::string n = std::to_string(port);
  nlohmann::json body = entity(id, "port_" + n, portName(port, description));
  body["state_topic"] = portTopic(id, port);
  body["command_topic"] = portSetTopic(id, port);
  body["payload_on"] = kOn;
  body["payload_off"] = kOff;
  body["state_on"] = kOn;
  body["state_off"] = kOff;
  body["qos"] = 1;
  return config(id, "switch", "port_" + n, body);
}

Publication boardConfig(const Identity& id) {
  nlohmann::json body = entity(id, "kart", "Kart");
  body["device_class"] = "connectivity";
  body["state_topic"] = boardTopic(id);
  body["payload_on"] = kOn;
  body["payload_off"] = kOff;
  body["qos"] = 1;
  return config(id, "binary_sensor", "kart", body);
}

Publication nextSwitchingConfig(const Identity& id, int port) {
  const std::string n = std::to_string(port);
  nlohmann::json body = entity(id, "port_" + n + "_sonraki", "PORT " + twoDigits(port) + " sonraki");
  body["device_class"] = "timestamp";
  body["state_topic"] = portNextTopic(id, port);
  // An empty payload means no switching ahead: Home Assistant shows it as unknown.
  body["value_template"] = "{{ value if value else None }}";
  body["qos"] = 1;
  return config(id, "sensor", "port_" + n + "_sonraki", body);
}

Publication stageConfig(const Identity& id) {
  nlohmann::json body = entity(id, "kademe", "Kademe");
  nlohmann::json options = nlohmann::json::array();
  for (int stage = 1; stage <= 7; ++stage) options.push_back("KADEME " + std::to_string(stage));
  body["options"] = std::move(options);
  body["state_topic"] = stageTopic(id);
  body["value_template"] = "KADEME {{ value }}";
  body["command_topic"] = stageSetTopic(id);
  body["command_template"] = "{{ value | replace('KADEME ', '') }}";
  body["qos"] = 1;
  return config(id, "select", "kademe", body);
}

}  // namespace dorvan::mqtt
