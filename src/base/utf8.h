// Small UTF-8 helpers shared by the codec and the boxes' character limits.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dorvan::utf8 {

inline constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one code point at `pos` and advances it; kInvalid (advancing one byte) on a bad sequence.
char32_t next(std::string_view s, std::size_t& pos);
void append(std::string& out, char32_t cp);
// Number of code points.
std::size_t length(std::string_view s);

}  // namespace dorvan::utf8
