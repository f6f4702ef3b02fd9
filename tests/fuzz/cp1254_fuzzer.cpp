// Any bytes, once as a stage file's Windows-1254 bytes and once as UTF-8 typed into
// a box. Every byte must survive a load and a save; whatever a box keeps, cut to its
// width, must save.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/cp1254.h"
#include "base/utf8.h"
#include "check.h"
#include "form/form_state.h"

namespace dorvan::fuzz {
namespace {

bool wellFormedUtf8(std::string_view s) {
  for (std::size_t pos = 0; pos < s.size();)
    if (utf8::next(s, pos) == utf8::kInvalid) return false;
  return true;
}

void checkAsStageBytes(std::string_view bytes) {
  const std::string text = cp1254::decode(bytes);
  FUZZ_CHECK(wellFormedUtf8(text));
  FUZZ_CHECK(utf8::length(text) == bytes.size());
  std::string back;
  FUZZ_CHECK(cp1254::encode(text, back));
  FUZZ_CHECK(back == bytes);
  std::string appended = "x";
  cp1254::decodeAppend(bytes, appended);
  FUZZ_CHECK(appended == "x" + text);
}

void checkAsTypedText(std::string_view typed) {
  const std::string kept = cp1254::keepRepresentable(typed);
  FUZZ_CHECK(kept.size() <= typed.size());
  FUZZ_CHECK(cp1254::keepRepresentable(kept) == kept);
  std::string keptBytes;
  FUZZ_CHECK(cp1254::encode(kept, keptBytes));
  FUZZ_CHECK(cp1254::decode(keptBytes) == kept);
  FUZZ_CHECK(keptBytes.size() == utf8::length(kept));

  // What a box of each width keeps of it is whole characters that still save.
  for (int limit : {8, 10, 29}) {
    const std::string_view cut = cutToCharacters(kept, limit);
    FUZZ_CHECK(kept.compare(0, cut.size(), cut) == 0);
    FUZZ_CHECK(utf8::length(cut) == std::min<std::size_t>(limit, utf8::length(kept)));
    std::string cutBytes;
    FUZZ_CHECK(cp1254::encode(cut, cutBytes));
  }

  std::string bytes;
  const bool encodes = cp1254::encode(typed, bytes);
  FUZZ_CHECK(encodes == (kept == typed));
  if (encodes) FUZZ_CHECK(cp1254::decode(bytes) == typed);
}

}  // namespace
}  // namespace dorvan::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  dorvan::fuzz::checkAsStageBytes(input);
  dorvan::fuzz::checkAsTypedText(input);
  return 0;
}
