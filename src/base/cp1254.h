// Windows-1254 (Turkish), the byte form of stage files. Inside the program text is UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dorvan::cp1254 {

// The code point of a byte. All 256 decode; the unassigned 0x81, 0x8D-0x90, 0x9D
// and 0x9E decode to the C1 control of the same value, so that every byte survives
// a load and a save.
char32_t toUnicode(std::uint8_t byte);

// The byte of a code point, or -1 when the code page has none.
int fromUnicode(char32_t cp);

inline bool representable(char32_t cp) { return fromUnicode(cp) >= 0; }

// Appends the UTF-8 form of the bytes.
void decodeAppend(std::string_view bytes, std::string& utf8);
std::string decode(std::string_view bytes);

// The bytes of a UTF-8 text. Returns false (and leaves `bytes` partly written) when
// the text holds a character the code page has no byte for, or is not valid UTF-8.
bool encode(std::string_view utf8, std::string& bytes);

// The text with every character the code page cannot hold left out (invalid UTF-8 too).
std::string keepRepresentable(std::string_view utf8);

}  // namespace dorvan::cp1254
