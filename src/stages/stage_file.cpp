#include "stages/stage_file.h"

#include "base/cp1254.h"

namespace dorvan {
namespace {

// Splits bytes into lines as they arrive, keeping of each of the first fifty lines
// no more bytes than its box can show (one byte is one character in this code page).
class LineCollector {
 public:
  // False once fifty lines are complete and the rest need not be read.
  bool feed(const std::uint8_t* data, std::size_t size) {
    if (lines_ == kTableSize) return false;
    for (std::size_t i = 0; i < size; ++i) {
      const std::uint8_t b = data[i];
      if (afterCr_) {
        afterCr_ = false;
        if (b == '\n') continue;  // the LF of a CR LF
      }
      if (b == '\r' || b == '\n') {
        endLine();
        afterCr_ = b == '\r';
        if (lines_ == kTableSize) return false;
        continue;
      }
      hasPartial_ = true;
      std::string& value = raw_[lines_];
      if (static_cast<int>(value.size()) < kPositionLimits[lines_]) value.push_back(static_cast<char>(b));
    }
    return true;
  }

  // A last line without a line end still counts.
  int finish() {
    if (hasPartial_ && lines_ < kTableSize) endLine();
    return lines_;
  }

  void decodeInto(StageValues& values) const {
    for (int i = 0; i < kTableSize; ++i) values[i] = cp1254::decode(raw_[i]);
  }

 private:
  void endLine() {
    ++lines_;
    hasPartial_ = false;
  }

  std::array<std::string, kTableSize> raw_;
  int lines_ = 0;
  bool afterCr_ = false;
  bool hasPartial_ = false;
};

}  // namespace

StageReadResult readStageFile(FileOps& files, std::string_view path, StageValues& values) {
  StageReadResult result;
  LineCollector lines;
  std::size_t consumed = 0;
  bool tooLarge = false;
  result.file = readChunks(files, path, [&](const std::uint8_t* data, std::size_t size) {
    if (!lines.feed(data, size)) return false;
    consumed += size;
    tooLarge = consumed >= kMaxStageFileBytes;
    return !tooLarge;
  });
  if (result.file.ok() && tooLarge) result.file = {FileError::TooLarge, 0};
  if (!result.file.ok()) {
    // Only opening can find the file missing; any other failure is one of reading it.
    result.status = result.file.error == FileError::NotFound ? StageReadResult::Status::NotFound
                                                             : StageReadResult::Status::Unreadable;
    return result;
  }
  result.lineCount = lines.finish();
  if (result.lineCount < kTableSize) {
    result.status = StageReadResult::Status::TooShort;
    return result;
  }
  lines.decodeInto(values);
  return result;
}

bool encodeStageFile(const std::array<std::string_view, kTableSize>& values, std::string& bytes) {
  bytes.clear();
  for (std::string_view v : values) {
    if (!cp1254::encode(v, bytes)) return false;
    bytes += "\r\n";
  }
  return true;
}

std::string temporaryPathFor(std::string_view path) { return std::string(path) + ".tmp"; }

StageWriteResult writeStageFile(FileOps& files, std::string_view path,
                                const std::array<std::string_view, kTableSize>& values) {
  std::string bytes;
  if (!encodeStageFile(values, bytes)) return {{FileError::Other, 0}, SaveStep::Encode};

  const std::string temp = temporaryPathFor(path);
  FileOps::Handle h{};
  if (FileResult r = files.create(temp, h); !r.ok()) return {r, SaveStep::Create};

  const auto abandon = [&](FileResult r, SaveStep step) {
    files.close(h);
    files.remove(temp);
    return StageWriteResult{r, step};
  };
  if (FileResult r = files.write(h, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()); !r.ok())
    return abandon(r, SaveStep::Write);
  if (FileResult r = files.flush(h); !r.ok()) return abandon(r, SaveStep::Flush);
  files.close(h);
  if (FileResult r = files.replace(temp, path); !r.ok()) {
    files.remove(temp);
    return {r, SaveStep::Replace};
  }
  return {};
}

}  // namespace dorvan
