#include "base/file_ops.h"

namespace dorvan {

FileResult readChunks(FileOps& files, std::string_view path,
                      const std::function<bool(const std::uint8_t* data, std::size_t size)>& take) {
  FileOps::Handle h{};
  FileResult result = files.openRead(path, h);
  if (!result.ok()) return result;
  std::uint8_t chunk[64 * 1024];
  for (;;) {
    std::size_t got = 0;
    result = files.read(h, chunk, sizeof chunk, got);
    if (!result.ok() || got == 0 || !take(chunk, got)) break;
  }
  files.close(h);
  return result;
}

FileResult readWholeFile(FileOps& files, std::string_view path, std::size_t maxBytes, std::vector<std::uint8_t>& out) {
  out.clear();
  bool tooLarge = false;
  FileResult result = readChunks(files, path, [&](const std::uint8_t* data, std::size_t size) {
    tooLarge = out.size() + size > maxBytes;
    if (!tooLarge) out.insert(out.end(), data, data + size);
    return !tooLarge;
  });
  if (result.ok() && tooLarge) result = {FileError::Other, 0};
  if (!result.ok()) out.clear();
  return result;
}

}  // namespace dorvan
