// What DORVAN says on the broker and how it reads commands: the texts Home Assistant
// and mosquitto_pub users depend on.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "net/mqtt_texts.h"

namespace dorvan::mqtt {
namespace {

const Identity kSera{"dorvan/sera", "homeassistant", "1.0"};

TEST(MqttTexts, SetTopicsNameOnlyTheirOwnTenPorts) {
  const struct {
    std::string_view topic;
    std::optional<int> port;
  } cases[] = {
      {"dorvan/sera/port/1/set", 1},   {"dorvan/sera/port/10/set", 10}, {"dorvan/sera/port/0/set", {}},
      {"dorvan/sera/port/11/set", {}}, {"dorvan/sera/port/05/set", {}}, {"dorvan/sera/port/x/set", {}},
      {"dorvan/sera/port//set", {}},   {"dorvan/sera/port/1", {}},      {"dorvan/ser/port/1/set", {}},
      {"dorvan/seraport/1/set", {}},   {"dorvan/sera/port/-1/set", {}}, {"dorvan/sera/port/1/set/x", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(setTopicPort(kSera, c.topic), c.port) << c.topic;
}

TEST(MqttTexts, CommandsAreThreeWordsInAnyCase) {
  const struct {
    std::string_view payload;
    std::optional<Command> command;
  } cases[] = {
      {"ON", Command::On},
      {"on", Command::On},
      {"Off", Command::Off},
      {"TOGGLE", Command::Toggle},
      {"toggle", Command::Toggle},
      {" ON\n", Command::On},
      {"", {}},
      {"1", {}},
      {"ONN", {}},
      {"O N", {}},
      {"true", {}},
      {std::string_view("ON\0", 3), {}},
      {"AÇIK", {}},
      {"ＯＮ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(parseCommand(c.payload), c.command) << c.payload;
}

TEST(MqttTexts, StagesAreOneDigitFromOneToSeven) {
  const struct {
    std::string_view payload;
    std::optional<int> stage;
  } cases[] = {
      {"1", 1}, {"7", 7}, {" 3\n", 3}, {"0", {}}, {"8", {}}, {"", {}}, {"03", {}},
      {"KADEME 2", {}}, {"2.0", {}}, {"-1", {}}, {std::string_view("2\0", 2), {}}, {"٣", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(parseStage(c.payload), c.stage) << c.payload;
}

TEST(MqttTexts, ExcerptsAreOneSafeLineOfAtMost32Bytes) {
  const struct {
    std::string_view payload;
    std::string_view shown;
  } cases[] = {
      {"AÇ", "AÇ"},
      {"a\nb\rc\td\x7f", "a?b?c?d?"},
      {"\x1b[31mred", "?[31mred"},
      {"\xff\xfe ok", "?? ok"},
      {"\xc2\x85 next line", "? next line"},
      {"0123456789012345678901234567890123456789", "01234567890123456789012345678901"},
      // "Ç" is two bytes, the 32nd and 33rd: it is left out, not shown broken.
      {"0123456789012345678901234567890Çx", "0123456789012345678901234567890"},
  };
  for (const auto& c : cases) EXPECT_EQ(payloadExcerpt(c.payload), c.shown) << c.payload;
}

TEST(MqttTexts, DiscoveryConfigsDescribeOneDevice) {
  const nlohmann::json device = {{"identifiers", {"dorvan_sera"}},
                                 {"name", "DORVAN sera"},
                                 {"model", "10 portlu USB röle kartı"},
                                 {"manufacturer", "DORVAN"},
                                 {"sw_version", "1.0"}};
  const struct {
    Publication config;
    std::string_view topic;
    nlohmann::json fields;
  } cases[] = {
      {switchConfig(kSera, 5, "Sulama \"ön\""),
       "homeassistant/switch/dorvan_sera/port_5/config",
       {{"name", "Sulama \"ön\""},
        {"unique_id", "dorvan_sera_port_5"},
        {"state_topic", "dorvan/sera/port/5"},
        {"command_topic", "dorvan/sera/port/5/set"},
        {"payload_on", "ON"},
        {"payload_off", "OFF"}}},
      {switchConfig(kSera, 7, "  "), "homeassistant/switch/dorvan_sera/port_7/config", {{"name", "PORT 07"}}},
      {boardConfig(kSera),
       "homeassistant/binary_sensor/dorvan_sera/kart/config",
       {{"name", "Kart"},
        {"unique_id", "dorvan_sera_kart"},
        {"device_class", "connectivity"},
        {"state_topic", "dorvan/sera/kart"}}},
      {nextSwitchingConfig(kSera, 10),
       "homeassistant/sensor/dorvan_sera/port_10_sonraki/config",
       {{"name", "PORT 10 sonraki"},
        {"unique_id", "dorvan_sera_port_10_sonraki"},
        {"device_class", "timestamp"},
        {"state_topic", "dorvan/sera/port/10/sonraki"}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.config.topic, c.topic);
    EXPECT_TRUE(c.config.retain);
    const nlohmann::json body = nlohmann::json::parse(c.config.payload);
    for (const auto& [key, value] : c.fields.items()) EXPECT_EQ(body.at(key), value) << c.topic << " " << key;
    EXPECT_EQ(body.at("device"), device) << c.topic;
    EXPECT_EQ(body.at("availability_topic"), "dorvan/sera/durum");
    EXPECT_EQ(body.at("payload_available"), "online");
    EXPECT_EQ(body.at("payload_not_available"), "offline");
  }
}

TEST(MqttTexts, ASingleLevelPrefixNamesTheDevice) {
  const Identity pc{"dorvan", "ev", "1.0"};
  EXPECT_EQ(discoveryId(pc), "dorvan");
  EXPECT_EQ(deviceName(pc), "DORVAN dorvan");
  EXPECT_EQ(boardConfig(pc).topic, "ev/binary_sensor/dorvan/kart/config");
  EXPECT_EQ(deviceName({"a/b/ofis-pc", "", ""}), "DORVAN ofis-pc");
}

}  // namespace
}  // namespace dorvan::mqtt
