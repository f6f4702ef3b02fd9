#include <windows.h>

#include <string>

#include "base/file_ops.h"
#include "base/win32/utf16.h"

namespace dorvan {
namespace {

FileResult lastError() {
  const DWORD e = GetLastError();
  switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return {FileError::NotFound, static_cast<long>(e)};
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return {FileError::AccessDenied, static_cast<long>(e)};
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return {FileError::InUse, static_cast<long>(e)};
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return {FileError::DiskFull, static_cast<long>(e)};
    case ERROR_DIRECTORY: return {FileError::NotAFile, static_cast<long>(e)};
    case ERROR_FILE_TOO_LARGE: return {FileError::TooLarge, static_cast<long>(e)};
    default: return {FileError::Other, static_cast<long>(e)};
  }
}

HANDLE handleOf(FileOps::Handle h) { return reinterpret_cast<HANDLE>(h); }

class WindowsFileOps final : public FileOps {
 public:
  FileResult openRead(std::string_view path, Handle& out) override {
    const HANDLE h = CreateFileW(win32::widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastError();
    if (GetFileType(h) != FILE_TYPE_DISK) {
      CloseHandle(h);
      return {FileError::NotAFile, 0};  // a pipe or a device would be read forever
    }
    out = reinterpret_cast<Handle>(h);
    return {};
  }

  FileResult read(Handle h, std::uint8_t* buffer, std::size_t capacity, std::size_t& got) override {
    DWORD n = 0;
    const DWORD want = capacity > 0x40000000 ? 0x40000000 : static_cast<DWORD>(capacity);
    if (!ReadFile(handleOf(h), buffer, want, &n, nullptr)) return lastError();
    got = n;
    return {};
  }

  void close(Handle h) override { CloseHandle(handleOf(h)); }

  FileResult create(std::string_view path, Handle& out) override {
    const HANDLE h = CreateFileW(win32::widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastError();
    out = reinterpret_cast<Handle>(h);
    return {};
  }

  // Append access alone: every write lands at the end. Readers, writers and a rename
  // by others are all let in, so Notepad can open the file while DORVAN runs.
  FileResult openAppend(std::string_view path, Handle& out, std::uint64_t& size) override {
    const HANDLE h = CreateFileW(win32::widen(path).c_str(), FILE_APPEND_DATA,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lastError();
    LARGE_INTEGER length{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &length)) {
      CloseHandle(h);
      return {FileError::NotAFile, 0};
    }
    size = static_cast<std::uint64_t>(length.QuadPart);
    out = reinterpret_cast<Handle>(h);
    return {};
  }

  FileResult write(Handle h, const std::uint8_t* data, std::size_t size) override {
    while (size > 0) {
      DWORD n = 0;
      const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
      if (!WriteFile(handleOf(h), data, chunk, &n, nullptr)) return lastError();
      data += n;
      size -= n;
    }
    return {};
  }

  FileResult flush(Handle h) override {
    if (!FlushFileBuffers(handleOf(h))) return lastError();
    return {};
  }

  FileResult replace(std::string_view from, std::string_view to) override {
    if (!MoveFileExW(win32::widen(from).c_str(), win32::widen(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return lastError();
    return {};
  }

  FileResult remove(std::string_view path) override {
    if (!DeleteFileW(win32::widen(path).c_str())) return lastError();
    return {};
  }
};

}  // namespace

FileOps& systemFileOps() {
  static WindowsFileOps ops;
  return ops;
}

}  // namespace dorvan
