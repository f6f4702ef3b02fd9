#include "stages/file_ops.h"

namespace dorvan {

FileResult readWholeFile(FileOps& files, std::string_view path, std::size_t maxBytes,
                         std::vector<std::uint8_t>& out) {
  out.clear();
  FileOps::Handle h{};
  if (FileResult r = files.openRead(path, h); !r.ok()) return r;
  FileResult result;
  std::uint8_t chunk[64 * 1024];
  for (;;) {
    std::size_t got = 0;
    result = files.read(h, chunk, sizeof chunk, got);
    if (!result.ok() || got == 0) break;
    if (out.size() + got > maxBytes) {
      result = {FileError::Other, 0};
      break;
    }
    out.insert(out.end(), chunk, chunk + got);
  }
  files.close(h);
  if (!result.ok()) out.clear();
  return result;
}

}  // namespace dorvan
