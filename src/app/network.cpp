#include "app/network.h"

#include <string>
#include <vector>

#include "form/messages.h"
#include "net/platform.h"

namespace dorvan {
namespace {

// ag.txt is a few lines; anything much larger is not it.
constexpr std::size_t kMaxSettingsFile = 64 * 1024;

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

void Network::start() {
  if (!loaded_) load();
  const Settings& settings = settings_;
  if (unreadable_) tell(*unreadable_);
  for (const std::string& problem : settings.problems) tell(problem);
  if (settings.holdsPassword && readableByOthers(kSettingsFile))
    tell(messages::settingsReadableByOthers(kSettingsFile));
  if (settings.mqtt && !mqtt_) mqtt_ = std::make_unique<MqttDevice>(form_, ui_, *settings.mqtt, DORVAN_VERSION);
  if (settings.web) {
    web_ = std::make_unique<WebPage>(form_, ui_, files_);
    if (const std::optional<std::string> problem = web_->start(*settings.web)) {
      tell(*problem);
      web_.reset();
    }
  }
}

void Network::stop() {
  // `offline` before the disconnect; the device goes, and says so to MainForm.
  mqtt_.reset();
  if (web_) web_->stop();
  web_.reset();
}

}  // namespace dorvan
