// The settings file ag.txt, beside the stage files: UTF-8 (a byte-order mark is
// allowed), one "key = value" a line, blank lines and lines starting with '#' ignored,
// and a '#' after a blank starts a comment. Without the file, or without a feature's
// key, that feature stays off.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scheduler/sun.h"

namespace dorvan {

inline constexpr std::string_view kSettingsFile = "ag.txt";

struct MqttSettings {
  std::string host;
  std::uint16_t port = 1883;
  std::string user;                         // empty: none
  std::string password;                     // empty: none; never written anywhere
  std::string prefix;                       // "dorvan/sera": no '+', '#', empty level, leading or trailing '/'
  std::string discovery = "homeassistant";  // empty for "yok": no discovery
  bool tls = false;                         // mqtt_tls = evet; then the port is 8883 unless given
  bool verifyCertificate = true;            // mqtt_tls_dogrulama = hayir: neither the name nor the CA checked
  std::string caFile;                       // mqtt_ca: relative to ag.txt's folder; empty: the system's CAs
  int caLine = 0;                           // the line of ag.txt that names it, for messages
};

struct WebSettings {
  std::string address;  // empty: every address
  std::uint16_t port = 0;
  std::string password;  // empty: none (then only a loopback address is allowed)
  int line = 0;          // the line of ag.txt that asks for it, for messages
  bool https = false;    // web_https = evet: TLS only, never plain HTTP
  // web_sertifika and web_anahtar (PEM), relative to ag.txt's folder; both empty: the
  // self-signed pair DORVAN makes for itself.
  std::string certificateFile;
  int certificateLine = 0;
  std::string keyFile;
  int keyLine = 0;
};

struct Settings {
  std::optional<MqttSettings> mqtt;
  std::optional<WebSettings> web;
  std::optional<Location> place;  // "konum": where the sun words are reckoned for
  // Each said in Turkish, naming the file and the line: "ag.txt, satır 3: …". The
  // feature a bad line belongs to stays off; everything else runs.
  std::vector<std::string> problems;
  // A password is set: on Linux such a file must not be readable by others.
  bool holdsPassword = false;
};

// `computerName` makes the default prefix: "dorvan/" and the name in lower case.
Settings readSettings(std::string_view fileText, std::string_view computerName);

}  // namespace dorvan
