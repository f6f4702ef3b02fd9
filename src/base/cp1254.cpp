#include "base/cp1254.h"

#include <array>

#include "base/utf8.h"

namespace dorvan::cp1254 {
namespace {

// 0x80-0x9F; the unassigned bytes map to the C1 control of the same value, as Windows does.
constexpr std::array<char16_t, 32> kHigh80{0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x008E, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178};

// Where the Turkish page differs from Latin-1 in 0xA0-0xFF.
struct Turkish {
  std::uint8_t byte;
  char16_t cp;
};
constexpr std::array<Turkish, 6> kTurkish{
    {{0xD0, 0x011E}, {0xDD, 0x0130}, {0xDE, 0x015E}, {0xF0, 0x011F}, {0xFD, 0x0131}, {0xFE, 0x015F}}};

}  // namespace

char32_t toUnicode(std::uint8_t byte) {
  if (byte < 0x80) return byte;
  if (byte < 0xA0) return kHigh80[byte - 0x80];
  for (const Turkish& t : kTurkish)
    if (t.byte == byte) return t.cp;
  return byte;
}

int fromUnicode(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp >= 0xA0 && cp <= 0xFF) {
    for (const Turkish& t : kTurkish)
      if (t.byte == cp) return -1;  // this Latin-1 letter gave way to a Turkish one
    return static_cast<int>(cp);
  }
  for (const Turkish& t : kTurkish)
    if (t.cp == cp) return t.byte;
  for (int i = 0; i < static_cast<int>(kHigh80.size()); ++i)
    if (kHigh80[i] == cp) return 0x80 + i;
  return -1;
}

void decodeAppend(std::string_view bytes, std::string& utf8) {
  for (char c : bytes) utf8::append(utf8, toUnicode(static_cast<std::uint8_t>(c)));
}

std::string decode(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  decodeAppend(bytes, out);
  return out;
}

bool encode(std::string_view text, std::string& bytes) {
  for (std::size_t pos = 0; pos < text.size();) {
    const char32_t cp = utf8::next(text, pos);
    const int b = cp == utf8::kInvalid ? -1 : fromUnicode(cp);
    if (b < 0) return false;
    bytes.push_back(static_cast<char>(b));
  }
  return true;
}

std::string keepRepresentable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    const char32_t cp = utf8::next(text, pos);
    if (cp != utf8::kInvalid && representable(cp)) out.append(text.substr(start, pos - start));
  }
  return out;
}

}  // namespace dorvan::cp1254
