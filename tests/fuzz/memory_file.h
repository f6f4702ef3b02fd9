// A read-only file held in memory, handed out in chunks of a chosen size so that
// line ends can be made to fall across the reader's chunk boundaries.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "base/file_ops.h"

namespace dorvan::fuzz {

class MemoryFile final : public FileOps {
 public:
  MemoryFile(std::string_view bytes, std::size_t chunk) : bytes_(bytes), chunk_(chunk) {}

  FileResult openRead(std::string_view, Handle& out) override {
    pos_ = 0;
    out = 1;
    ++opened;
    return {};
  }
  FileResult read(Handle, std::uint8_t* buffer, std::size_t capacity, std::size_t& got) override {
    got = std::min({capacity, chunk_, bytes_.size() - pos_});
    std::copy_n(bytes_.data() + pos_, got, buffer);
    pos_ += got;
    return {};
  }
  void close(Handle) override { ++closed; }
  FileResult create(std::string_view, Handle&) override { return refused(); }
  FileResult openAppend(std::string_view, Handle&, std::uint64_t&) override { return refused(); }
  FileResult write(Handle, const std::uint8_t*, std::size_t) override { return refused(); }
  FileResult flush(Handle) override { return refused(); }
  FileResult replace(std::string_view, std::string_view) override { return refused(); }
  FileResult remove(std::string_view) override { return refused(); }

  int opened = 0;
  int closed = 0;

 private:
  static FileResult refused() { return {FileError::AccessDenied, 0}; }
  std::string_view bytes_;
  std::size_t chunk_;
  std::size_t pos_ = 0;
};

}  // namespace dorvan::fuzz
