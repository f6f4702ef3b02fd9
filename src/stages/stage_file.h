// Reading and writing one stage file: fifty lines of Windows-1254 text, each ended by CR LF.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "base/file_ops.h"
#include "stages/schedule_table.h"

namespace dorvan {

using StageValues = std::array<std::string, kTableSize>;  // UTF-8, position order

// A stage file the program writes is at most 750 bytes; a thousand times that is no stage file.
inline constexpr std::size_t kMaxStageFileBytes = 1 << 20;

struct StageReadResult {
  enum class Status : std::uint8_t { Ok, NotFound, Unreadable, TooShort };
  Status status = Status::Ok;
  FileResult file;    // why it could not be opened or read
  int lineCount = 0;  // lines found when TooShort
};

// Reads one value a line, verbatim; CR LF, LF and CR all end a line, and the last
// value may lack one. The first fifty lines count. Each value is cut to its position's
// limit while it is read, so memory stays bounded; a file whose fifty lines do not
// end within kMaxStageFileBytes is refused (FileError::TooLarge) rather than read for
// seconds on the window's thread, where due instants would pass unseen.
// `values` is written only when the result is Ok.
StageReadResult readStageFile(FileOps& files, std::string_view path, StageValues& values);

struct StageWriteResult {
  FileResult file;
  SaveStep failedStep = SaveStep::Create;
  bool ok() const { return file.ok(); }
};

// The exact bytes of a stage file for these values.
// Returns false if a value holds a character Windows-1254 cannot hold.
bool encodeStageFile(const std::array<std::string_view, kTableSize>& values, std::string& bytes);

// Writes a temporary file beside `path`, flushes it to disk and puts it in the place
// of `path`. On any failure the old file is as it was and the temporary file is gone.
StageWriteResult writeStageFile(FileOps& files, std::string_view path,
                                const std::array<std::string_view, kTableSize>& values);

// The temporary file a save of `path` writes first.
std::string temporaryPathFor(std::string_view path);

}  // namespace dorvan
