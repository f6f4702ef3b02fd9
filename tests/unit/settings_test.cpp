// The network settings file: what each good line sets, and how each kind of bad line
// is said and which feature it keeps off.
#include <gtest/gtest.h>

#include "base/iso_time.h"
#include "net/settings.h"

namespace dorvan::test {
namespace {

Settings read(std::string_view text) { return readSettings(text, "Sera-PC 2"); }

TEST(Settings, GoodLinesSetTheirFeatures) {
  const Settings s = read(
      "\xEF\xBB\xBF# greenhouse\r\n\r\n  mqtt =  broker.local:1884 \r\nmqtt_kullanici = ali\n"
      "mqtt_parola = p=ss w\nmqtt_konu = dorvan/sera\nmqtt_kesif = yok\nweb = 8080\nweb_parola = gizli");
  ASSERT_TRUE(s.mqtt);
  EXPECT_EQ(s.mqtt->host, "broker.local");
  EXPECT_EQ(s.mqtt->port, 1884);
  EXPECT_EQ(s.mqtt->user, "ali");
  EXPECT_EQ(s.mqtt->password, "p=ss w");
  EXPECT_EQ(s.mqtt->prefix, "dorvan/sera");
  EXPECT_EQ(s.mqtt->discovery, "");
  ASSERT_TRUE(s.web);
  EXPECT_EQ(s.web->address, "");
  EXPECT_EQ(s.web->port, 8080);
  EXPECT_EQ(s.web->password, "gizli");
  EXPECT_TRUE(s.problems.empty());
  EXPECT_TRUE(s.holdsPassword);
}

TEST(Settings, DefaultsAndAddresses) {
  const Settings s = read("mqtt = 192.168.1.5\nweb = [::1]:8081");
  ASSERT_TRUE(s.mqtt && s.web);
  EXPECT_EQ(s.mqtt->port, 1883);
  EXPECT_EQ(s.mqtt->prefix, "dorvan/sera-pc-2");
  EXPECT_EQ(s.mqtt->discovery, "homeassistant");
  EXPECT_EQ(s.web->address, "::1");
  EXPECT_EQ(s.web->port, 8081);
  EXPECT_FALSE(s.holdsPassword);
  EXPECT_FALSE(read("").mqtt);
}

TEST(Settings, TlsTakesItsOwnPortUnlessOneIsGiven) {
  const Settings s = read("mqtt = h\nmqtt_tls = evet\nmqtt_ca = ../ortak/ca.pem\nmqtt_tls_dogrulama = HAYIR\n");
  ASSERT_TRUE(s.mqtt);
  EXPECT_TRUE(s.problems.empty());
  EXPECT_TRUE(s.mqtt->tls);
  EXPECT_EQ(s.mqtt->port, 8883);
  EXPECT_EQ(s.mqtt->caFile, "../ortak/ca.pem");
  EXPECT_EQ(s.mqtt->caLine, 3);
  EXPECT_FALSE(s.mqtt->verifyCertificate);
  const Settings given = read("mqtt_tls = Evet\nmqtt = h:1884\n");
  ASSERT_TRUE(given.mqtt);
  EXPECT_EQ(given.mqtt->port, 1884);
  EXPECT_TRUE(given.mqtt->verifyCertificate);
  EXPECT_EQ(given.mqtt->caFile, "");
  const Settings plain = read("mqtt = h\nmqtt_tls = hayır\n");
  ASSERT_TRUE(plain.mqtt);
  EXPECT_FALSE(plain.mqtt->tls);
  EXPECT_EQ(plain.mqtt->port, 1883);
}

TEST(Settings, HttpsTakesItsCertificateAndKeyWithTheirLines) {
  const Settings s =
      read("web = 8443\nweb_parola = p\nweb_https = evet\nweb_anahtar = a.key\nweb_sertifika = ../c/s.pem\n");
  ASSERT_TRUE(s.web);
  EXPECT_TRUE(s.problems.empty());
  EXPECT_TRUE(s.web->https);
  EXPECT_EQ(s.web->certificateFile, "../c/s.pem");
  EXPECT_EQ(s.web->certificateLine, 5);
  EXPECT_EQ(s.web->keyFile, "a.key");
  EXPECT_EQ(s.web->keyLine, 4);
  const Settings own = read("web = 127.0.0.1:8443\nweb_https = EVET\n");
  ASSERT_TRUE(own.web);
  EXPECT_TRUE(own.web->https);
  EXPECT_EQ(own.web->certificateFile, "");
  const Settings plain = read("web = 127.0.0.1:8080\n");
  ASSERT_TRUE(plain.web);
  EXPECT_FALSE(plain.web->https);
}

struct BadLine {
  std::string_view text;
  std::string_view said;  // a part of the message
  bool mqttOn;
  bool webOn;
};

TEST(Settings, EachBadLineIsSaidWithItsLineAndKeepsItsFeatureOff) {
  constexpr std::string_view kGood = "mqtt = h\nweb = 127.0.0.1:8080\n";
  const BadLine cases[] = {
      {"mqtt_kulanici = x", "ag.txt, satır 3: \"mqtt_kulanici\" diye bir ayar yok. MQTT kapalı kalacak.", false, true},
      {"renk = mavi", "satır 3: \"renk\" diye bir ayar yok.", true, true},
      {"web_parola gizli", "satır 3: \"=\" yok", true, false},
      {"mqtt = h:0", "port 1 ile 65535", false, true},
      {"mqtt = h:65536", "(\"65536\")", false, true},
      {"web = 127.0.0.1:80x", "port 1 ile 65535", true, false},
      {"mqtt_konu = dorvan/+", "konu öneki \"dorvan/+\"", false, true},
      {"mqtt_konu = dorvan//sera", "boş bir düzey", false, true},
      {"mqtt_kesif = ha/#", "keşif öneki", false, true},
      {"web = 8081", "satır 3: parola (web_parola) olmadan", true, false},
      {"mqtt = :1883", "boş", false, true},
      {"konum = 41,0082, 28,9784", "satır 3: konum \"41,0082, 28,9784\" anlaşılamadı", true, true},
      {"konum = 41,0082", "ondalık ayırıcı nokta", true, true},
      {"konum = 41.0082", "iki sayı", true, true},
      {"konum = 91, 28", "enlem -90 ile 90", true, true},
      {"konum = 41, -180.5", "boylam -180 ile 180", true, true},
      {"konum = 41.0082, 28.9784 m", "anlaşılamadı", true, true},
      {"konum = nan, inf", "anlaşılamadı", true, true},
      {"konum = 4.1e1, 28", "anlaşılamadı", true, true},
      {"mqtt_tls = belki", "mqtt_tls \"evet\" ya da \"hayır\" olmalı (\"belki\")", false, true},
      {"mqtt_tls_dogrulama = 0", "mqtt_tls_dogrulama \"evet\" ya da", false, true},
      {"mqtt_ca =", "dosya adı", false, true},
      // Meant for an encrypted link: never the password in clear text instead.
      {"mqtt_ca = ca.pem", "satır 3: bu ayar yalnızca şifreli bağlantıda geçerli", false, true},
      {"mqtt_tls_dogrulama = hayir", "satır 3: bu ayar yalnızca şifreli", false, true},
      {"web_https = belki", "web_https \"evet\" ya da \"hayır\" olmalı (\"belki\"). Web sayfası kapalı", true, false},
      {"web_sertifika =", "web_sertifika için bir dosya adı", true, false},
      {"web_anahtar =", "web_anahtar için bir dosya adı", true, false},
      // A certificate means an encrypted page, and comes with its key: never plain HTTP instead.
      {"web_sertifika = s.pem\nweb_anahtar = s.key", "satır 3: bu ayar yalnızca şifreli sayfada", true, false},
      {"web_https = evet\nweb_sertifika = s.pem", "satır 4: sertifikanın anahtarı yok", true, false},
      {"web_anahtar = s.key\nweb_https = evet", "satır 3: anahtarın sertifikası yok", true, false},
  };
  for (const BadLine& c : cases) {
    const Settings s = read(std::string(kGood) + std::string(c.text) + "\n");
    ASSERT_EQ(s.problems.size(), 1u) << c.text;
    EXPECT_NE(s.problems[0].find(c.said), std::string::npos) << s.problems[0];
    EXPECT_EQ(s.mqtt.has_value(), c.mqttOn) << c.text;
    EXPECT_EQ(s.web.has_value(), c.webOn) << c.text;
  }
}

TEST(Settings, ThePlaceAndCommentsAfterAValue) {
  const std::pair<std::string_view, Location> places[] = {
      {"konum = 41.0082, 28.9784", {41.0082, 28.9784}},
      {"konum=41.0082,28.9784   # Istanbul", {41.0082, 28.9784}},
      {"konum = -34.6037 , -58.3816", {-34.6037, -58.3816}},
      {"konum = +64, -21.9\t# Reykjavik", {64, -21.9}},
      {"konum = 90, 180", {90, 180}},
  };
  for (const auto& [line, place] : places) {
    const Settings s = read(line);
    EXPECT_TRUE(s.problems.empty()) << line;
    EXPECT_EQ(s.place, place) << line;
  }
  EXPECT_FALSE(read("konum = 91, 0").place) << "a bad place is no place";
  // The README's own lines: a comment after the value is no part of it.
  const Settings s = read(
      "mqtt = 192.168.1.10   # HOST or HOST:PORT\nweb = 8080   # or ADDRESS:PORT\n"
      "web_parola = a#b # a '#' needs a blank before it to start a comment");
  EXPECT_TRUE(s.problems.empty()) << s.problems.front();
  ASSERT_TRUE(s.mqtt && s.web);
  EXPECT_EQ(s.mqtt->host, "192.168.1.10");
  EXPECT_EQ(s.web->port, 8080);
  EXPECT_EQ(s.web->password, "a#b");
}

TEST(Settings, APasswordIsNeverSaid) {
  const Settings s = read("mqtt_parola = cok-gizli\nweb_parola cok-gizli\nweb = 0.0.0.0:99999\n");
  for (const std::string& p : s.problems) EXPECT_EQ(p.find("cok-gizli"), std::string::npos) << p;
}

TEST(IsoTime, LocalWithOffset) {
  const LocalTime t{2026, 12, 9, 6, 30, 0, 0};
  EXPECT_EQ(isoLocal(t, 180), "2026-12-09T06:30:00+03:00");
  EXPECT_EQ(isoLocal(t, -570), "2026-12-09T06:30:00-09:30");
}

}  // namespace
}  // namespace dorvan::test
