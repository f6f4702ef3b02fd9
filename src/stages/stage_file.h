// Reading and writing one stage file: fifty lines of Windows-1254 text, each ended by CR LF.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include <vector>

#include "base/file_ops.h"
#include "form/extra_windows.h"
#include "stages/schedule_table.h"

namespace dorvan {

using StageValues = std::array<std::string, kTableSize>;   // UTF-8, position order
using StageExtras = std::array<ExtraWindows, kPortCount>;  // UTF-8, port order

// A stage file the program writes is at most 750 bytes and 80 lines of extra windows of
// 45; a thousand times that is no stage file.
inline constexpr std::size_t kMaxStageFileBytes = 1 << 20;

struct StageReadResult {
  enum class Status : std::uint8_t { Ok, NotFound, Unreadable, TooShort };
  Status status = Status::Ok;
  FileResult file;                 // why it could not be opened or read
  int lineCount = 0;               // lines found when TooShort
  std::vector<int> overfullPorts;  // ports with more than eight extra windows, whose rest was left out
};

// Reads one value a line, verbatim; CR LF, LF and CR all end a line, and the last
// value may lack one. The first fifty lines count. Each value is cut to its position's
// limit while it is read, so memory stays bounded; a file larger than kMaxStageFileBytes
// is refused (FileError::TooLarge) rather than read for seconds on the window's thread,
// where due instants would pass unseen.
// Every later line of the form `PORT NN;start date;start time;end date;end time` is an
// extra window of port NN, its fields cut to their boxes' limits; any other is ignored,
// as a port's ninth and later windows are.
// `values` and `extras` are written only when the result is Ok.
StageReadResult readStageFile(FileOps& files, std::string_view path, StageValues& values, StageExtras& extras);

struct StageWriteResult {
  FileResult file;
  SaveStep failedStep = SaveStep::Create;
  bool ok() const { return file.ok(); }
};

inline StageReadResult readStageFile(FileOps& files, std::string_view path, StageValues& values) {
  StageExtras ignored;
  return readStageFile(files, path, values, ignored);
}

// The exact bytes of a stage file for these values: the fifty lines, then a line for each
// extra window. With none it is the fifty lines alone, as every stage file was before.
// Returns false if a value holds a character Windows-1254 cannot hold, or a box of an
// extra window the separator.
bool encodeStageFile(const std::array<std::string_view, kTableSize>& values, const StageExtras& extras,
                     std::string& bytes);
inline bool encodeStageFile(const std::array<std::string_view, kTableSize>& values, std::string& bytes) {
  return encodeStageFile(values, StageExtras{}, bytes);
}

// Writes a temporary file beside `path`, flushes it to disk and puts it in the place
// of `path`. On any failure the old file is as it was and the temporary file is gone.
StageWriteResult writeStageFile(FileOps& files, std::string_view path,
                                const std::array<std::string_view, kTableSize>& values, const StageExtras& extras = {});

// The temporary file a save of `path` writes first.
std::string temporaryPathFor(std::string_view path);

}  // namespace dorvan
