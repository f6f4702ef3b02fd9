#include "net/http_guard.h"

#include <algorithm>
#include <cstdint>

namespace dorvan {

bool sameSecret(std::string_view given, std::string_view expected) {
  // Every byte of `given` is compared with something, so that the time tells nothing
  // of how far the two agree nor of the expected length.
  unsigned difference = given.size() == expected.size() ? 0U : 1U;
  for (std::size_t i = 0; i < given.size(); ++i) {
    const unsigned char e = expected.empty() ? 0 : static_cast<unsigned char>(expected[i % expected.size()]);
    difference |= static_cast<unsigned char>(given[i]) ^ e;
  }
  return difference == 0;
}

namespace {

int base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::optional<std::string> decodeBase64(std::string_view text) {
  while (!text.empty() && text.back() == '=') text.remove_suffix(1);
  std::string out;
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const int v = base64Value(c);
    if (v < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<std::uint32_t>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out.push_back(static_cast<char>((bits >> count) & 0xFF));
    }
  }
  return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
  });
}

}  // namespace

std::optional<std::string> basicPassword(std::string_view authorization) {
  const std::size_t space = authorization.find(' ');
  if (space == std::string_view::npos || !equalsNoCase(authorization.substr(0, space), "Basic")) return std::nullopt;
  std::string_view encoded = authorization.substr(space + 1);
  while (!encoded.empty() && encoded.front() == ' ') encoded.remove_prefix(1);
  std::optional<std::string> decoded = decodeBase64(encoded);
  if (!decoded) return std::nullopt;
  const std::size_t colon = decoded->find(':');
  if (colon == std::string::npos) return std::nullopt;
  return decoded->substr(colon + 1);
}

Admission PasswordGuard::admit(std::string_view address, std::string_view authorization, Clock::time_point now) {
  if (password_.empty()) return Admission::Allowed;
  const std::lock_guard lock(mutex_);
  forgetOld(now);
  auto known = failures_.find(address);
  if (known != failures_.end() && known->second.blockedUntil) return Admission::TooMany;
  if (authorization.empty()) return Admission::Unauthorized;
  const std::optional<std::string> given = basicPassword(authorization);
  if (given && sameSecret(*given, password_)) return Admission::Allowed;

  if (known == failures_.end()) {
    if (failures_.size() >= kMaxAddresses) {
      auto oldest = std::min_element(failures_.begin(), failures_.end(),
                                     [](const auto& a, const auto& b) { return a.second.last < b.second.last; });
      failures_.erase(oldest);
    }
    known = failures_.emplace(std::string(address), Failures{}).first;
  }
  Failures& f = known->second;
  f.times.push_back(now);
  f.last = now;
  if (static_cast<int>(f.times.size()) >= kMaxFailures) f.blockedUntil = now + kBlock;
  return Admission::Unauthorized;
}

void PasswordGuard::forgetOld(Clock::time_point now) {
  for (auto it = failures_.begin(); it != failures_.end();) {
    Failures& f = it->second;
    if (f.blockedUntil && now >= *f.blockedUntil) {
      f.blockedUntil.reset();
      f.times.clear();
    }
    while (!f.times.empty() && now - f.times.front() >= kWindow) f.times.pop_front();
    if (f.times.empty() && !f.blockedUntil)
      it = failures_.erase(it);
    else
      ++it;
  }
}

}  // namespace dorvan
