#include "stages/stage_file.h"

#include <algorithm>

#include "base/cp1254.h"

namespace dorvan {
namespace {

// One line after the fiftieth, read as it arrives: `PORT NN;start date;start time;end
// date;end time`. Each field keeps no more bytes than its box can show, so a line of any
// length costs no more memory than a good one.
class ExtraLine {
 public:
  void push(std::uint8_t b) {
    if (b == kExtraSeparator) {
      if (++field_ > kWindowBoxes) broken_ = true;
      return;
    }
    if (broken_) return;
    if (field_ == 0) {
      if (port_.size() < kPortField.size() + 2)
        port_.push_back(static_cast<char>(b));
      else
        broken_ = true;
      return;
    }
    std::string& value = window_.boxes[field_ - 1];
    if (static_cast<int>(value.size()) < kWindowBoxLimits[field_ - 1]) value.push_back(static_cast<char>(b));
  }

  // The port it names (1-10) when the line is of the form, else 0.
  int port() const {
    if (broken_ || field_ != kWindowBoxes || port_.size() != kPortField.size() + 2 || !port_.starts_with(kPortField))
      return 0;
    const char tens = port_[kPortField.size()], ones = port_[kPortField.size() + 1];
    if (tens < '0' || tens > '1' || ones < '0' || ones > '9') return 0;
    const int n = (tens - '0') * 10 + (ones - '0');
    return n >= 1 && n <= kPortCount ? n : 0;
  }
  ExtraWindow decoded() const {
    ExtraWindow w;
    for (int b = 0; b < kWindowBoxes; ++b) w.boxes[b] = cp1254::decode(window_.boxes[b]);
    return w;
  }
  void clear() { *this = ExtraLine{}; }

 private:
  static constexpr std::string_view kPortField = "PORT ";
  std::string port_;
  ExtraWindow window_;  // still in Windows-1254
  int field_ = 0;
  bool broken_ = false;
};

// Splits bytes into lines as they arrive, keeping of each of the first fifty lines
// no more bytes than its box can show (one byte is one character in this code page),
// and of every later line what an extra window's boxes can show.
class LineCollector {
 public:
  void feed(const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
      const std::uint8_t b = data[i];
      if (afterCr_) {
        afterCr_ = false;
        if (b == '\n') continue;  // the LF of a CR LF
      }
      if (b == '\r' || b == '\n') {
        endLine();
        afterCr_ = b == '\r';
        continue;
      }
      hasPartial_ = true;
      if (lines_ >= kTableSize) {
        extra_.push(b);
        continue;
      }
      std::string& value = raw_[lines_];
      if (static_cast<int>(value.size()) < kPositionLimits[lines_]) value.push_back(static_cast<char>(b));
    }
  }

  bool tableComplete() const { return lines_ >= kTableSize; }

  // A last line without a line end still counts.
  int finish() {
    if (hasPartial_) endLine();
    return std::min(lines_, kTableSize);
  }

  void decodeInto(StageValues& values, StageExtras& extras) const {
    for (int i = 0; i < kTableSize; ++i) values[i] = cp1254::decode(raw_[i]);
    extras = extras_;
  }
  const std::vector<int>& overfull() const { return overfull_; }

 private:
  void endLine() {
    if (lines_ >= kTableSize) keepExtra();
    ++lines_;
    hasPartial_ = false;
  }
  void keepExtra() {
    if (const int port = extra_.port()) {
      ExtraWindows& windows = extras_[port - 1];
      if (windows.size() < kMaxExtraWindows)
        windows.push_back(extra_.decoded());
      else if (std::find(overfull_.begin(), overfull_.end(), port) == overfull_.end())
        overfull_.push_back(port);
    }
    extra_.clear();
  }

  std::array<std::string, kTableSize> raw_;
  StageExtras extras_;
  std::vector<int> overfull_;
  ExtraLine extra_;
  int lines_ = 0;
  bool afterCr_ = false;
  bool hasPartial_ = false;
};

}  // namespace

StageReadResult readStageFile(FileOps& files, std::string_view path, StageValues& values, StageExtras& extras) {
  StageReadResult result;
  LineCollector lines;
  std::size_t consumed = 0;
  bool tooLarge = false;
  result.file = readChunks(files, path, [&](const std::uint8_t* data, std::size_t size) {
    lines.feed(data, size);
    consumed += size;
    // Past the bound a file is no stage file; but one whose fifty lines are complete by
    // then loads them, as it did before there were extra windows after them.
    if (consumed < kMaxStageFileBytes) return true;
    tooLarge = !lines.tableComplete();
    return false;
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
  lines.decodeInto(values, extras);
  result.overfullPorts = lines.overfull();
  std::sort(result.overfullPorts.begin(), result.overfullPorts.end());
  return result;
}

bool encodeStageFile(const std::array<std::string_view, kTableSize>& values, const StageExtras& extras,
                     std::string& bytes) {
  bytes.clear();
  for (std::string_view v : values) {
    if (!cp1254::encode(v, bytes)) return false;
    bytes += "\r\n";
  }
  for (int port = 1; port <= kPortCount; ++port)
    for (const ExtraWindow& w : extras[port - 1]) {
      bytes += "PORT ";
      bytes += static_cast<char>('0' + port / 10);
      bytes += static_cast<char>('0' + port % 10);
      for (const std::string& box : w.boxes) {
        // A separator in a box would move every field after it.
        if (box.find(kExtraSeparator) != std::string::npos) return false;
        bytes += kExtraSeparator;
        if (!cp1254::encode(box, bytes)) return false;
      }
      bytes += "\r\n";
    }
  return true;
}

std::string temporaryPathFor(std::string_view path) { return std::string(path) + ".tmp"; }

StageWriteResult writeStageFile(FileOps& files, std::string_view path,
                                const std::array<std::string_view, kTableSize>& values, const StageExtras& extras) {
  std::string bytes;
  if (!encodeStageFile(values, extras, bytes)) return {{FileError::Other, 0}, SaveStep::Encode};

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
