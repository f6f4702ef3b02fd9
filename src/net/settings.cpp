#include "net/settings.h"

#include <array>
#include <charconv>

namespace dorvan {
namespace {

enum class Feature : std::uint8_t { None, Mqtt, Web, Place };

constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

// A line whose key is unknown or missing still most likely belongs to one feature: that one stays off.
Feature featureOfWord(std::string_view word) {
  if (word.starts_with("mqtt")) return Feature::Mqtt;
  if (word.starts_with("web")) return Feature::Web;
  if (word.starts_with("konum")) return Feature::Place;
  return Feature::None;
}

std::string_view featureOffText(Feature f) {
  switch (f) {
    case Feature::Mqtt: return " MQTT kapalı kalacak.";
    case Feature::Web: return " Web sayfası kapalı kalacak.";
    case Feature::Place: return " DOĞUŞ ve BATIŞ hiç gelmeyecek.";
    case Feature::None: break;
  }
  return "";
}

// A '#' after a blank starts a comment, so that a value may be followed by one.
std::string_view withoutComment(std::string_view line) {
  for (std::size_t i = 1; i < line.size(); ++i)
    if (line[i] == '#' && (line[i - 1] == ' ' || line[i - 1] == '\t')) return line.substr(0, i);
  return line;
}

// "41.0082", "-15", "+28.5": digits with a point for the decimal mark, and no leading
// zero before another digit, which is what "41,0082" split at its comma leaves.
std::optional<double> degreesIn(std::string_view text) {
  const bool plus = text.starts_with('+');
  if (plus) text.remove_prefix(1);  // from_chars takes a minus only
  const std::string_view digits = !plus && text.starts_with('-') ? text.substr(1) : text;
  const std::size_t point = digits.find('.');
  const std::string_view whole = digits.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? "1" : digits.substr(point + 1);
  const auto allDigits = [](std::string_view d) {
    return !d.empty() && d.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (!allDigits(whole) || !allDigits(fraction) || (whole.size() > 1 && whole.front() == '0')) return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::uint16_t> tcpPort(std::string_view text) {
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

struct Endpoint {
  std::string host;
  std::optional<std::string_view> port;  // the text after the colon, when there is one
};

// "host", "host:1883", "[::1]:1883", "::1" (an IPv6 address without a port needs no brackets).
Endpoint splitEndpoint(std::string_view text) {
  if (text.starts_with('[')) {
    const std::size_t close = text.find(']');
    if (close != std::string_view::npos) {
      Endpoint e{std::string(text.substr(1, close - 1)), std::nullopt};
      if (text.size() > close + 1 && text[close + 1] == ':') e.port = text.substr(close + 2);
      return e;
    }
  }
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos || text.find(':') != colon) return {std::string(text), std::nullopt};
  return {std::string(text.substr(0, colon)), text.substr(colon + 1)};
}

// "evet" or "hayır" (also without the Turkish letter, and in capitals); anything else is no answer.
std::optional<bool> yesNo(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (lower == "evet") return true;
  if (lower == "hayir" || lower == "hayır") return false;
  return std::nullopt;
}

bool isLoopback(std::string_view host) { return host == "localhost" || host == "::1" || host.starts_with("127."); }

// MQTT topics may not hold wildcards, and an empty level would make a topic no one subscribes to.
bool validPrefix(std::string_view prefix) {
  if (prefix.empty() || prefix.front() == '/' || prefix.back() == '/') return false;
  if (prefix.find("//") != std::string_view::npos) return false;
  return prefix.find_first_of("+#") == std::string_view::npos;
}

// A computer name may hold letters a topic should not; anything but a-z, 0-9, '-' and '_' becomes '-'.
std::string defaultPrefix(std::string_view computerName) {
  std::string name;
  for (const char c : computerName) {
    const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    const bool keep = (lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9') || lower == '-' || lower == '_';
    name += keep ? lower : '-';
  }
  return "dorvan/" + (name.empty() ? std::string("dorvan") : name);
}

class Reader {
 public:
  explicit Reader(std::string_view computerName) { mqtt_.prefix = defaultPrefix(computerName); }

  void line(int number, std::string_view text);
  Settings finish();

 private:
  using Setter = void (Reader::*)(std::string_view value);
  struct Key {
    std::string_view name;
    Feature feature;
    Setter set;
    bool password;
  };

  void setMqtt(std::string_view v);
  void setMqttUser(std::string_view v) { mqtt_.user = v; }
  void setMqttPassword(std::string_view v) { mqtt_.password = v; }
  void setMqttPrefix(std::string_view v);
  void setMqttDiscovery(std::string_view v);
  void setMqttTls(std::string_view v);
  void setMqttCa(std::string_view v);
  void setMqttVerify(std::string_view v);
  void setWeb(std::string_view v);
  void setWebPassword(std::string_view v) { web_.password = v; }
  void setWebHttps(std::string_view v);
  void setWebCertificate(std::string_view v);
  void setWebKey(std::string_view v);
  void setPlace(std::string_view v);

  // The reason is said after the file and the line; the feature's consequence follows.
  void problem(Feature feature, std::string_view reason);

  static constexpr std::array<Key, 14> kKeys{{
      {"mqtt", Feature::Mqtt, &Reader::setMqtt, false},
      {"mqtt_kullanici", Feature::Mqtt, &Reader::setMqttUser, false},
      {"mqtt_parola", Feature::Mqtt, &Reader::setMqttPassword, true},
      {"mqtt_konu", Feature::Mqtt, &Reader::setMqttPrefix, false},
      {"mqtt_kesif", Feature::Mqtt, &Reader::setMqttDiscovery, false},
      {"mqtt_tls", Feature::Mqtt, &Reader::setMqttTls, false},
      {"mqtt_ca", Feature::Mqtt, &Reader::setMqttCa, false},
      {"mqtt_tls_dogrulama", Feature::Mqtt, &Reader::setMqttVerify, false},
      {"web", Feature::Web, &Reader::setWeb, false},
      {"web_parola", Feature::Web, &Reader::setWebPassword, true},
      {"web_https", Feature::Web, &Reader::setWebHttps, false},
      {"web_sertifika", Feature::Web, &Reader::setWebCertificate, false},
      {"web_anahtar", Feature::Web, &Reader::setWebKey, false},
      {"konum", Feature::Place, &Reader::setPlace, false},
  }};

  MqttSettings mqtt_;
  WebSettings web_;
  std::optional<Location> place_;
  bool mqttAsked_ = false;
  bool mqttPortGiven_ = false;
  int tlsOnlyLine_ = 0;  // the first line that means TLS (a CA, the check turned off)
  bool webAsked_ = false;
  int webLine_ = 0;
  bool mqttBad_ = false;
  bool webBad_ = false;
  bool holdsPassword_ = false;
  int lineNumber_ = 0;
  std::vector<std::string> problems_;
};

void Reader::problem(Feature feature, std::string_view reason) {
  std::string text(kSettingsFile);
  text += ", satır ";
  text += std::to_string(lineNumber_);
  text += ": ";
  text += reason;
  text += featureOffText(feature);
  problems_.push_back(std::move(text));
  if (feature == Feature::Mqtt) mqttBad_ = true;
  if (feature == Feature::Web) webBad_ = true;
}

void Reader::line(int number, std::string_view text) {
  lineNumber_ = number;
  text = trim(withoutComment(text));
  if (text.empty() || text.front() == '#') return;
  const std::size_t eq = text.find('=');
  if (eq == std::string_view::npos) {
    const std::string_view word = text.substr(0, text.find_first_of(" \t"));
    problem(featureOfWord(word), "\"=\" yok; her satır \"anahtar = değer\" biçiminde olmalı.");
    return;
  }
  const std::string_view key = trim(text.substr(0, eq));
  const std::string_view value = trim(text.substr(eq + 1));
  for (const Key& k : kKeys) {
    if (k.name != key) continue;
    if (k.password && !value.empty()) holdsPassword_ = true;
    (this->*k.set)(value);
    return;
  }
  problem(featureOfWord(key), "\"" + std::string(key) + "\" diye bir ayar yok.");
}

void Reader::setMqtt(std::string_view v) {
  mqttAsked_ = true;
  Endpoint e = splitEndpoint(v);
  if (e.host.empty()) return problem(Feature::Mqtt, "MQTT sunucusunun adı ya da adresi boş.");
  mqtt_.host = std::move(e.host);
  if (!e.port) return;
  if (const std::optional<std::uint16_t> port = tcpPort(*e.port)) {
    mqtt_.port = *port;
    mqttPortGiven_ = true;
  } else
    problem(Feature::Mqtt, "port 1 ile 65535 arasında bir sayı olmalı (\"" + std::string(*e.port) + "\").");
}

void Reader::setMqttPrefix(std::string_view v) {
  if (!validPrefix(v))
    return problem(Feature::Mqtt,
                   "konu öneki \"" + std::string(v) + "\" olamaz: \"+\", \"#\" ya da boş bir düzey içeremez.");
  mqtt_.prefix = v;
}

void Reader::setMqttDiscovery(std::string_view v) {
  if (v == "yok") {
    mqtt_.discovery.clear();
    return;
  }
  if (!validPrefix(v))
    return problem(Feature::Mqtt,
                   "keşif öneki \"" + std::string(v) + "\" olamaz: \"+\", \"#\" ya da boş bir düzey içeremez.");
  mqtt_.discovery = v;
}

void Reader::setMqttTls(std::string_view v) {
  const std::optional<bool> on = yesNo(v);
  if (!on) return problem(Feature::Mqtt, "mqtt_tls \"evet\" ya da \"hayır\" olmalı (\"" + std::string(v) + "\").");
  mqtt_.tls = *on;
}

void Reader::setMqttCa(std::string_view v) {
  if (v.empty()) return problem(Feature::Mqtt, "mqtt_ca için bir dosya adı yazın.");
  mqtt_.caFile = v;
  mqtt_.caLine = lineNumber_;
  if (tlsOnlyLine_ == 0) tlsOnlyLine_ = lineNumber_;
}

void Reader::setMqttVerify(std::string_view v) {
  const std::optional<bool> on = yesNo(v);
  if (!on)
    return problem(Feature::Mqtt, "mqtt_tls_dogrulama \"evet\" ya da \"hayır\" olmalı (\"" + std::string(v) + "\").");
  mqtt_.verifyCertificate = *on;
  if (!*on && tlsOnlyLine_ == 0) tlsOnlyLine_ = lineNumber_;
}

void Reader::setWeb(std::string_view v) {
  webAsked_ = true;
  webLine_ = lineNumber_;
  web_.line = lineNumber_;
  // A bare number is a port on every address.
  Endpoint e = v.find_first_not_of("0123456789") == std::string_view::npos ? Endpoint{"", v} : splitEndpoint(v);
  if (!e.port) return problem(Feature::Web, "web sayfasının portu yok; \"8080\" ya da \"127.0.0.1:8080\" yazın.");
  const std::optional<std::uint16_t> port = tcpPort(*e.port);
  if (!port)
    return problem(Feature::Web, "port 1 ile 65535 arasında bir sayı olmalı (\"" + std::string(*e.port) + "\").");
  web_.address = std::move(e.host);
  web_.port = *port;
}

void Reader::setWebHttps(std::string_view v) {
  const std::optional<bool> on = yesNo(v);
  if (!on) return problem(Feature::Web, "web_https \"evet\" ya da \"hayır\" olmalı (\"" + std::string(v) + "\").");
  web_.https = *on;
}

void Reader::setWebCertificate(std::string_view v) {
  if (v.empty()) return problem(Feature::Web, "web_sertifika için bir dosya adı yazın.");
  web_.certificateFile = v;
  web_.certificateLine = lineNumber_;
}

void Reader::setWebKey(std::string_view v) {
  if (v.empty()) return problem(Feature::Web, "web_anahtar için bir dosya adı yazın.");
  web_.keyFile = v;
  web_.keyLine = lineNumber_;
}

void Reader::setPlace(std::string_view v) {
  place_.reset();
  const std::size_t comma = v.find(',');
  const std::string_view latitudeText = comma == std::string_view::npos ? v : trim(v.substr(0, comma));
  const std::string_view longitudeText = comma == std::string_view::npos ? "" : trim(v.substr(comma + 1));
  const std::optional<double> latitude = degreesIn(latitudeText);
  const std::optional<double> longitude = degreesIn(longitudeText);
  if (!latitude || !longitude)
    return problem(Feature::Place, "konum \"" + std::string(v) +
                                       "\" anlaşılamadı: virgülle ayrılmış iki sayı olmalı, enlem ve boylam, ondalık "
                                       "ayırıcı nokta (örneğin konum = 41.0082, 28.9784).");
  if (*latitude < -90 || *latitude > 90)
    return problem(Feature::Place, "enlem -90 ile 90 arasında olmalı (\"" + std::string(latitudeText) +
                                       "\"); kuzey artı, güney eksidir.");
  if (*longitude < -180 || *longitude > 180)
    return problem(Feature::Place, "boylam -180 ile 180 arasında olmalı (\"" + std::string(longitudeText) +
                                       "\"); doğu artı, batı eksidir.");
  place_ = Location{*latitude, *longitude};
}

Settings Reader::finish() {
  // Whoever names a CA means an encrypted link: never the password in clear text instead.
  if (mqttAsked_ && !mqttBad_ && !mqtt_.tls && tlsOnlyLine_ != 0) {
    lineNumber_ = tlsOnlyLine_;
    problem(Feature::Mqtt, "bu ayar yalnızca şifreli bağlantıda geçerli; \"mqtt_tls = evet\" satırını ekleyin.");
  }
  if (!mqttPortGiven_ && mqtt_.tls) mqtt_.port = 8883;
  // A certificate given means an encrypted page: never plain HTTP instead. It comes with its key.
  const int certificateLine = web_.certificateLine != 0 ? web_.certificateLine : web_.keyLine;
  if (webAsked_ && !webBad_ && certificateLine != 0 && !web_.https) {
    lineNumber_ = certificateLine;
    problem(Feature::Web, "bu ayar yalnızca şifreli sayfada geçerli; \"web_https = evet\" satırını ekleyin.");
  } else if (webAsked_ && !webBad_ && (web_.certificateLine == 0) != (web_.keyLine == 0)) {
    lineNumber_ = certificateLine;
    problem(Feature::Web, web_.keyLine == 0 ? "sertifikanın anahtarı yok; \"web_anahtar = DOSYA\" satırını ekleyin."
                                            : "anahtarın sertifikası yok; \"web_sertifika = DOSYA\" satırını ekleyin.");
  }
  // Only now is it known whether a password came, on whatever line.
  if (webAsked_ && !webBad_ && web_.password.empty() && !isLoopback(web_.address)) {
    lineNumber_ = webLine_;
    problem(Feature::Web, "parola (web_parola) olmadan web sayfası yalnızca bu bilgisayardan açılabilir; \"127.0.0.1:" +
                              std::to_string(web_.port) + "\" yazın ya da bir parola verin.");
  }
  Settings s;
  if (mqttAsked_ && !mqttBad_) s.mqtt = std::move(mqtt_);
  if (webAsked_ && !webBad_) s.web = std::move(web_);
  s.place = place_;
  s.problems = std::move(problems_);
  s.holdsPassword = holdsPassword_;
  return s;
}

}  // namespace

Settings readSettings(std::string_view fileText, std::string_view computerName) {
  if (fileText.starts_with(kBom)) fileText.remove_prefix(kBom.size());
  Reader reader(computerName);
  int number = 0;
  while (!fileText.empty() || number == 0) {
    const std::size_t end = fileText.find('\n');
    reader.line(++number, fileText.substr(0, end));
    if (end == std::string_view::npos) break;
    fileText.remove_prefix(end + 1);
  }
  return reader.finish();
}

}  // namespace dorvan
