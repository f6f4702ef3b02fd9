#include "app/network.h"

#include <string>
#include <vector>

#include "app/web/web_certificate.h"
#include "form/messages.h"
#include "net/platform.h"

namespace dorvan {
namespace {

// ag.txt is a few lines; anything much larger is not it. A CA file holds a few certificates,
// the whole of a system's store some hundreds.
constexpr std::size_t kMaxSettingsFile = 64 * 1024;
constexpr std::size_t kMaxCaFile = 1024 * 1024;

std::string mqttLineProblem(int line, std::string_view text) {
  return std::string(kSettingsFile) + ", satır " + std::to_string(line) + ": " + std::string(text) +
         " MQTT kapalı kalacak.";
}

}  // namespace

Network::Network(MainForm& form, UiThread& ui, FileOps& files) : form_(form), ui_(ui), files_(files) {}

Network::~Network() { stop(); }

Settings Network::readSettingsFile() {
  std::vector<std::uint8_t> bytes;
  const FileResult r = readWholeFile(files_, kSettingsFile, kMaxSettingsFile, bytes);
  if (r.error == FileError::NotFound) return {};
  if (!r.ok()) {
    unreadable_ = messages::settingsUnreadable(kSettingsFile, r);
    return {};
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return readSettings(text, computerName());
}

void Network::load() {
  settings_ = readSettingsFile();
  loaded_ = true;
  form_.setPlace(settings_.place);
}

// What the broker's certificate is checked against; null, with the problem said, when that cannot be had.
std::shared_ptr<TlsClientContext> Network::mqttTls(const MqttSettings& mqtt, std::vector<std::string>& problems) {
  TlsClientSettings tls{mqtt.host, mqtt.verifyCertificate, {}};
  if (mqtt.verifyCertificate && !mqtt.caFile.empty()) {
    std::vector<std::uint8_t> bytes;
    const FileResult r = readWholeFile(files_, mqtt.caFile, kMaxCaFile, bytes);
    if (!r.ok()) {
      problems.push_back(
          mqttLineProblem(mqtt.caLine, "CA dosyası \"" + mqtt.caFile + "\" okunamadı: " + messages::reason(r) + "."));
      return nullptr;
    }
    tls.caPem.assign(bytes.begin(), bytes.end());
  }
  std::string problem;
  std::shared_ptr<TlsClientContext> context = TlsClientContext::make(tls, problem);
  if (!context && !tls.caPem.empty())
    problems.push_back(mqttLineProblem(mqtt.caLine, "CA dosyası \"" + mqtt.caFile + "\" " + problem));
  else if (!context)
    problems.push_back("MQTT: " + problem + " MQTT kapalı kalacak.");
  return context;
}

// Every problem is journaled before the first is shown: a window closed while the message
// is open must find them all in the journal before its end.
void Network::start() {
  if (!loaded_) load();
  const Settings& settings = settings_;
  std::vector<std::string> problems;
  if (unreadable_) problems.push_back(*unreadable_);
  problems.insert(problems.end(), settings.problems.begin(), settings.problems.end());
  if (settings.holdsPassword && readableByOthers(kSettingsFile))
    problems.push_back(messages::settingsReadableByOthers(kSettingsFile));
  if (settings.mqtt && !mqtt_) {
    std::shared_ptr<TlsClientContext> tls;
    if (!settings.mqtt->tls || (tls = mqttTls(*settings.mqtt, problems)))
      mqtt_ = std::make_unique<MqttDevice>(form_, ui_, *settings.mqtt, std::move(tls), DORVAN_VERSION);
  }
  if (settings.web) startWeb(*settings.web, problems);
  form_.reportProblems(problems);
}

// Over HTTPS the certificate must be had first: without it the page stays off, never plain.
void Network::startWeb(const WebSettings& web, std::vector<std::string>& problems) {
  std::shared_ptr<TlsServerContext> tls;
  bool made = false;
  if (web.https) {
    std::string problem;
    tls = web::loadCertificate(files_, web, computerName(), problem, made);
    if (!tls) return problems.push_back(std::move(problem));
  }
  web_ = std::make_unique<WebPage>(form_, ui_, files_);
  if (std::optional<std::string> problem = web_->start(web, {}, tls)) {
    problems.push_back(std::move(*problem));
    web_.reset();
    return;
  }
  if (!tls) return;
  const std::string key = web.keyFile.empty() ? std::string(web::kOwnKey) : web.keyFile;
  if (readableByOthers(key)) problems.push_back(messages::keyReadableByOthers(key));
  // So that a user can compare it with what the browser shows.
  const std::string file = web.certificateFile.empty() ? std::string(web::kOwnCertificate) : web.certificateFile;
  form_.note(
      (made ? "Web sayfası için kendinden imzalı sertifika oluşturuldu: " : "Web sayfası HTTPS ile açık, sertifika ") +
      file + ", " + tls->fingerprint());
}

void Network::stop() {
  // `offline` before the disconnect; the device goes, and says so to MainForm.
  mqtt_.reset();
  if (web_) web_->stop();
  web_.reset();
}

}  // namespace dorvan
