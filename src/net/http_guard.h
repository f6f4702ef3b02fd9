// Who may ask the page anything: with a password set, every request carries it as
// HTTP Basic authentication (any user name). An address that gives five wrong
// passwords within a minute is refused for a minute, the right password included;
// other addresses are not affected. The password is never written anywhere.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace dorvan {

enum class Admission : unsigned char { Allowed, Unauthorized, TooMany };

// Equal texts, in a time that depends on the length of `given` alone.
bool sameSecret(std::string_view given, std::string_view expected);

// The password of a "Basic …" Authorization value; none when it is not one.
std::optional<std::string> basicPassword(std::string_view authorization);

class PasswordGuard {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr int kMaxFailures = 5;
  static constexpr std::chrono::seconds kWindow{60};
  static constexpr std::chrono::seconds kBlock{60};
  // Addresses remembered at once; beyond, the one whose last failure is oldest is forgotten.
  static constexpr std::size_t kMaxAddresses = 4096;

  // An empty password lets everybody in.
  explicit PasswordGuard(std::string password) : password_(std::move(password)) {}

  // From any thread. `authorization` is the header's value, empty when the request has
  // none: a browser's first request, which is answered 401 but not counted.
  Admission admit(std::string_view address, std::string_view authorization, Clock::time_point now);

 private:
  struct Failures {
    std::deque<Clock::time_point> times;  // within the last window
    std::optional<Clock::time_point> blockedUntil;
    Clock::time_point last;
  };
  void forgetOld(Clock::time_point now);

  const std::string password_;
  std::mutex mutex_;
  std::map<std::string, Failures, std::less<>> failures_;
};

}  // namespace dorvan
