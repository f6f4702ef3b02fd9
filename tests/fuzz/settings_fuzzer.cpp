// Any bytes as ag.txt: whatever is read, a feature that is on is usable, every problem
// names the file and its line, and no password is ever said.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check.h"
#include "net/settings.h"

namespace dorvan::fuzz {
namespace {

bool validTopicPrefix(std::string_view p) {
  return !p.empty() && p.front() != '/' && p.back() != '/' && p.find("//") == std::string_view::npos &&
         p.find_first_of("+#") == std::string_view::npos;
}

bool loopback(std::string_view host) { return host == "localhost" || host == "::1" || host.starts_with("127."); }

void check(std::string_view text) {
  // A password that no other word of the file holds, so that seeing it in a message can only be a leak.
  const std::string secret = "Zq7xPw9!";
  const std::string withSecret = std::string(text) + "\nmqtt_parola = " + secret + "\nweb_parola " + secret + "\n";
  const Settings s = readSettings(withSecret, "fuzz");
  if (s.mqtt) {
    FUZZ_CHECK(!s.mqtt->host.empty());
    FUZZ_CHECK(s.mqtt->port != 0);
    FUZZ_CHECK(validTopicPrefix(s.mqtt->prefix));
    FUZZ_CHECK(s.mqtt->discovery.empty() || validTopicPrefix(s.mqtt->discovery));
    // Whatever asks for an encrypted link gets one, or no MQTT at all.
    FUZZ_CHECK(s.mqtt->tls || (s.mqtt->caFile.empty() && s.mqtt->verifyCertificate));
  }
  if (s.web) FUZZ_CHECK(s.web->port != 0 && (!s.web->password.empty() || loopback(s.web->address)));
  for (const std::string& p : s.problems) {
    FUZZ_CHECK(p.starts_with("ag.txt, satır "));
    if (text.find(secret) == std::string_view::npos) FUZZ_CHECK(p.find(secret) == std::string::npos);
  }
}

}  // namespace
}  // namespace dorvan::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dorvan::fuzz::check(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
