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
    tell(messages::settingsUnreadable(kSettingsFile, r));
    return {};
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return readSettings(text, computerName());
}

void Network::start() {
  const Settings settings = readSettingsFile();
  for (const std::string& problem : settings.problems) tell(problem);
  if (settings.holdsPassword && readableByOthers(kSettingsFile))
    tell(messages::settingsReadableByOthers(kSettingsFile));
  if (settings.mqtt && !mqtt_) mqtt_ = std::make_unique<MqttDevice>(form_, ui_, *settings.mqtt, DORVAN_VERSION);
  // web: start the web server when settings.web is set.
}

void Network::stop() {
  if (mqtt_) mqtt_->stop();
  // web: stop serving.
}

}  // namespace dorvan
