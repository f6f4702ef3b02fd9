#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "base/file_ops.h"

namespace dorvan {
namespace {

FileResult fromErrno(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR: return {FileError::NotFound, e};
    case EACCES:
    case EPERM:
    case EROFS: return {FileError::AccessDenied, e};
    case ENOSPC:
    case EDQUOT: return {FileError::DiskFull, e};
    case EISDIR:
    case ENXIO: return {FileError::NotAFile, e};
    case EFBIG: return {FileError::TooLarge, e};
    default: return {FileError::Other, e};
  }
}

FileResult lastError() { return fromErrno(errno); }

std::string directoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

class PosixFileOps final : public FileOps {
 public:
  FileResult openRead(std::string_view path, Handle& out) override {
    // Not blocking: a named pipe in place of a stage file would otherwise wait for a writer forever.
    const int fd = ::open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return lastError();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return {FileError::NotAFile, 0};  // a pipe or a device would be read forever
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    out = fd;
    return {};
  }

  FileResult read(Handle h, std::uint8_t* buffer, std::size_t capacity, std::size_t& got) override {
    for (;;) {
      const ssize_t n = ::read(static_cast<int>(h), buffer, capacity);
      if (n >= 0) {
        got = static_cast<std::size_t>(n);
        return {};
      }
      if (errno != EINTR) return lastError();
    }
  }

  void close(Handle h) override { ::close(static_cast<int>(h)); }

  static FileResult createWithMode(std::string_view path, Handle& out, mode_t mode) {
    const int fd = ::open(std::string(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return lastError();
    out = fd;
    return {};
  }

  FileResult create(std::string_view path, Handle& out) override { return createWithMode(path, out, 0666); }

  FileResult createPrivate(std::string_view path, Handle& out) override {
    // An old file keeps its mode through O_TRUNC: it is made again.
    if (::unlink(std::string(path).c_str()) != 0 && errno != ENOENT) return lastError();
    return createWithMode(path, out, 0600);
  }

  FileResult openAppend(std::string_view path, Handle& out, std::uint64_t& size) override {
    // Not blocking: a named pipe nobody reads would hold the open, and with it a tick.
    const int fd = ::open(std::string(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return lastError();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return {FileError::NotAFile, 0};
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size = static_cast<std::uint64_t>(st.st_size);
    out = fd;
    return {};
  }

  FileResult write(Handle h, const std::uint8_t* data, std::size_t size) override {
    while (size > 0) {
      const ssize_t n = ::write(static_cast<int>(h), data, size);
      if (n < 0) {
        if (errno == EINTR) continue;
        return lastError();
      }
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return {};
  }

  FileResult flush(Handle h) override {
    if (::fsync(static_cast<int>(h)) != 0) return lastError();
    return {};
  }

  FileResult replace(std::string_view from, std::string_view to) override {
    const std::string target(to);
    if (::rename(std::string(from).c_str(), target.c_str()) != 0) return lastError();
    // The rename itself reaches the disk only with its folder.
    const int dir = ::open(directoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    return {};
  }

  FileResult remove(std::string_view path) override {
    if (::unlink(std::string(path).c_str()) != 0) return lastError();
    return {};
  }
};

}  // namespace

FileOps& systemFileOps() {
  static PosixFileOps ops;
  return ops;
}

}  // namespace dorvan
