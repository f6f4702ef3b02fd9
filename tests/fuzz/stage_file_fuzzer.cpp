// Any bytes as a stage file. Beyond not crashing: the reader agrees with a plain model
// of the line rules whatever chunks the bytes arrive in, every value fits its box, and
// a table read from any file is written and read back unchanged.
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "base/cp1254.h"
#include "base/utf8.h"
#include "check.h"
#include "memory_file.h"
#include "stages/schedule_table.h"
#include "stages/stage_file.h"

namespace dorvan::fuzz {
namespace {

// The reading rules written out the slow, obvious way.
struct ModelRead {
  int lines = 0;
  std::array<std::string, kTableSize> raw;
};

ModelRead readLikeTheRules(std::string_view bytes) {
  ModelRead m;
  std::string current;
  bool partial = false;
  const auto endLine = [&] {
    m.raw[m.lines++] = current;
    current.clear();
    partial = false;
  };
  for (std::size_t i = 0; i < bytes.size() && m.lines < kTableSize; ++i) {
    const char b = bytes[i];
    if (b == '\r' || b == '\n') {
      if (b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      endLine();
      continue;
    }
    partial = true;
    if (static_cast<int>(current.size()) < kPositionLimits[m.lines]) current.push_back(b);
  }
  if (partial && m.lines < kTableSize) endLine();
  return m;
}

constexpr std::string_view kUntouched = "\x01untouched";

struct Outcome {
  StageReadResult result;
  StageValues values;
  StageExtras extras;
};

Outcome readInChunks(std::string_view bytes, std::size_t chunk) {
  MemoryFile file(bytes, chunk);
  Outcome out;
  out.values.fill(std::string(kUntouched));
  out.result = readStageFile(file, "kademe1.txt", out.values, out.extras);
  FUZZ_CHECK(file.opened == 1 && file.closed == 1);
  return out;
}

void checkAgainstModel(const Outcome& got, const ModelRead& model) {
  const bool complete = model.lines == kTableSize;
  FUZZ_CHECK((got.result.status == StageReadResult::Status::Ok) == complete);
  if (!complete) {
    FUZZ_CHECK(got.result.status == StageReadResult::Status::TooShort);
    FUZZ_CHECK(got.result.lineCount == model.lines);
    for (const std::string& v : got.values) FUZZ_CHECK(v == kUntouched);
    return;
  }
  for (int i = 0; i < kTableSize; ++i) {
    FUZZ_CHECK(got.values[i] == cp1254::decode(model.raw[i]));
    FUZZ_CHECK(utf8::length(got.values[i]) <= static_cast<std::size_t>(kPositionLimits[i]));
  }
  for (const ExtraWindows& port : got.extras) {
    FUZZ_CHECK(port.size() <= kMaxExtraWindows);
    for (const ExtraWindow& w : port)
      for (int b = 0; b < kWindowBoxes; ++b) {
        FUZZ_CHECK(utf8::length(w.boxes[b]) <= static_cast<std::size_t>(kWindowBoxLimits[b]));
        FUZZ_CHECK(w.boxes[b].find_first_of(";\r\n") == std::string::npos);
      }
  }
}

// What KAYDET would write from this table, read again, is this table.
void checkRoundTrip(const StageValues& values, const StageExtras& extras, const ModelRead& model) {
  std::array<std::string_view, kTableSize> views;
  std::string expected;
  for (int i = 0; i < kTableSize; ++i) {
    views[i] = values[i];
    expected += model.raw[i] + "\r\n";
  }
  std::string bytes;
  FUZZ_CHECK(encodeStageFile(views, extras, bytes));
  FUZZ_CHECK(bytes.starts_with(expected));
  const Outcome again = readInChunks(bytes, std::numeric_limits<std::size_t>::max());
  FUZZ_CHECK(again.result.status == StageReadResult::Status::Ok);
  FUZZ_CHECK(again.values == values);
  FUZZ_CHECK(again.extras == extras);
  FUZZ_CHECK(again.result.overfullPorts.empty());
}

}  // namespace
}  // namespace dorvan::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dorvan::fuzz;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const ModelRead model = readLikeTheRules(bytes);
  const Outcome whole = readInChunks(bytes, std::numeric_limits<std::size_t>::max());
  checkAgainstModel(whole, model);
  // CR at the end of one chunk and LF at the start of the next is still one line end.
  for (std::size_t chunk : {std::size_t{1}, std::size_t{2} + size % 7}) {
    const Outcome pieces = readInChunks(bytes, chunk);
    FUZZ_CHECK(pieces.result.status == whole.result.status);
    FUZZ_CHECK(pieces.result.lineCount == whole.result.lineCount);
    FUZZ_CHECK(pieces.values == whole.values);
    FUZZ_CHECK(pieces.extras == whole.extras);
    FUZZ_CHECK(pieces.result.overfullPorts == whole.result.overfullPorts);
  }
  if (whole.result.status == dorvan::StageReadResult::Status::Ok) checkRoundTrip(whole.values, whole.extras, model);
  return 0;
}
