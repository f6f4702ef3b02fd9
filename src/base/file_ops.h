// The few file operations stage files and pictures need, behind a seam so that
// tests can make any of them fail. base/posix/file_ops.cpp and
// base/win32/file_ops.cpp are the real ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dorvan {

enum class FileError : std::uint8_t { None, NotFound, AccessDenied, InUse, DiskFull, NotAFile, TooLarge, Other };

struct FileResult {
  FileError error = FileError::None;
  long nativeCode = 0;  // errno or GetLastError, for the message
  bool ok() const { return error == FileError::None; }
};

// The steps of a save that writes a temporary file and puts it in the old one's place.
enum class SaveStep : std::uint8_t { Encode, Create, Write, Flush, Replace };

class FileOps {
 public:
  using Handle = std::intptr_t;

  virtual ~FileOps() = default;
  virtual FileResult openRead(std::string_view path, Handle& out) = 0;
  // got = 0 at the end of the file.
  virtual FileResult read(Handle h, std::uint8_t* buffer, std::size_t capacity, std::size_t& got) = 0;
  virtual void close(Handle h) = 0;
  // Creates the file, or empties it if it exists.
  virtual FileResult create(std::string_view path, Handle& out) = 0;
  // The same for a secret: where the system knows of owners, a new file only its owner may read.
  virtual FileResult createPrivate(std::string_view path, Handle& out) { return create(path, out); }
  // Opens the file for writing at its end, creating it if it is missing; `size` is
  // its length now. Other programs may read it meanwhile.
  virtual FileResult openAppend(std::string_view path, Handle& out, std::uint64_t& size) = 0;
  virtual FileResult write(Handle h, const std::uint8_t* data, std::size_t size) = 0;
  // Until this returns the written bytes may still be only in memory.
  virtual FileResult flush(Handle h) = 0;
  // Puts `from` in the place of `to` in one step: a reader sees the old or the new file, never a mix.
  virtual FileResult replace(std::string_view from, std::string_view to) = 0;
  virtual FileResult remove(std::string_view path) = 0;
};

FileOps& systemFileOps();

}  // namespace dorvan

#include <functional>
#include <vector>

namespace dorvan {

// Opens the file, hands it to `take` a chunk at a time until the end or until `take`
// returns false, and closes it again. The result is that of the open or of a failed read.
FileResult readChunks(FileOps& files, std::string_view path,
                      const std::function<bool(const std::uint8_t* data, std::size_t size)>& take);

// The whole file, refused (FileError::Other) when it is larger than maxBytes.
FileResult readWholeFile(FileOps& files, std::string_view path, std::size_t maxBytes, std::vector<std::uint8_t>& out);

}  // namespace dorvan
