// What DORVAN says on an MQTT broker and how it reads what it is told: the topics
// under the prefix, Home Assistant's discovery configs, and the commands' payloads.
// Plain data in, plain text out; the device in app/ decides when.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dorvan::mqtt {

// Who DORVAN is on the broker.
struct Identity {
  std::string prefix;     // "dorvan/sera"
  std::string discovery;  // "homeassistant"; empty: no discovery
  std::string version;    // the program's, for Home Assistant's device page
};

inline constexpr std::string_view kOnline = "online";
inline constexpr std::string_view kOffline = "offline";
inline constexpr std::string_view kOn = "ON";
inline constexpr std::string_view kOff = "OFF";

// A message to publish. Every message is QoS 1.
struct Publication {
  std::string topic;
  std::string payload;
  bool retain = true;
};

std::string availabilityTopic(const Identity& id);    // P/durum
std::string portTopic(const Identity& id, int port);  // P/port/N
std::string portSetTopic(const Identity& id, int port);
std::string portNextTopic(const Identity& id, int port);
std::string boardTopic(const Identity& id);    // P/kart
std::string journalTopic(const Identity& id);  // P/gunluk
std::string stageTopic(const Identity& id);    // P/kademe
std::string stageSetTopic(const Identity& id);  // P/kademe/set
// What the device subscribes to: P/port/+/set
std::string setFilter(const Identity& id);
// Home Assistant's birth and will: D/status; empty without discovery.
std::string discoveryStatusTopic(const Identity& id);

// The port a `P/port/N/set` topic names, N being 1 … 10 written plainly ("05" is not 5).
std::optional<int> setTopicPort(const Identity& id, std::string_view topic);

enum class Command : std::uint8_t { On, Off, Toggle };
// "ON", "OFF" or "TOGGLE" in any case, with nothing else but surrounding blanks.
std::optional<Command> parseCommand(std::string_view payload);
// A stage, "1" … "7", with nothing else but surrounding blanks.
std::optional<int> parseStage(std::string_view payload);
// At most `bytes` bytes of a text from the network, fit for one journal line: control
// bytes and bytes that are not UTF-8 become '?'; a character cut at the end is dropped.
std::string journalSafe(std::string_view text, std::size_t bytes);
// The first 32 bytes of a payload, so.
inline std::string payloadExcerpt(std::string_view payload) { return journalSafe(payload, 32); }

// `dorvan/sera` → `dorvan_sera`: the device's id and its entities' unique id stem.
std::string discoveryId(const Identity& id);
// "DORVAN sera": the prefix's last level.
std::string deviceName(const Identity& id);
// A port's name in Home Assistant: its description box, or "PORT 05" when that is blank.
std::string portName(int port, std::string_view description);

// The retained configs, published at each connect and when Home Assistant comes online;
// a switch's again when its description changes.
Publication switchConfig(const Identity& id, int port, std::string_view description);
Publication boardConfig(const Identity& id);
Publication nextSwitchingConfig(const Identity& id, int port);
// A select of the seven stages, "KADEME 1" … "KADEME 7", whose topics carry the numbers.
Publication stageConfig(const Identity& id);

}  // namespace dorvan::mqtt
