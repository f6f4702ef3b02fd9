#include "standin_log.h"

#include <windows.h>

#include "session.h"

namespace wine_test {

std::string LibraryCall::arg(const std::string& key) const {
  const std::string needle = key + "=";
  std::size_t at = 0;
  while ((at = args.find(needle, at)) != std::string::npos) {
    if (at == 0 || args[at - 1] == ' ') {
      const std::size_t start = at + needle.size();
      // data= runs to the end of the line; every other value to the next blank.
      if (key == "data") return args.substr(start);
      const std::size_t end = args.find(' ', start);
      return args.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    at += needle.size();
  }
  return {};
}

std::vector<LibraryCall> readCalls(const std::wstring& logPath) {
  std::vector<LibraryCall> out;
  std::string bytes;
  if (!readBytes(logPath, bytes)) return out;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) break;  // a line still being written
    std::string line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t sp1 = line.find(' ');
    if (sp1 == std::string::npos) continue;
    const std::size_t sp2 = line.find(' ', sp1 + 1);
    LibraryCall c;
    c.time = line.substr(0, sp1);
    c.call = line.substr(sp1 + 1, sp2 == std::string::npos ? std::string::npos : sp2 - sp1 - 1);
    if (sp2 != std::string::npos) c.args = line.substr(sp2 + 1);
    out.push_back(c);
  }
  return out;
}

std::vector<LibraryCall> callsNamed(const std::vector<LibraryCall>& all, const std::string& name) {
  std::vector<LibraryCall> out;
  for (const LibraryCall& c : all)
    if (c.call == name) out.push_back(c);
  return out;
}

std::string summarize(const std::vector<LibraryCall>& calls, std::size_t from) {
  std::string s;
  for (std::size_t i = from; i < calls.size(); ++i) {
    if (!s.empty()) s += "; ";
    s += calls[i].call + " " + calls[i].args;
    if (s.size() > 400) return s + "; ...";
  }
  return s.empty() ? "(none)" : s;
}

std::string handleText(unsigned handle) {
  char buf[16];
  wsprintfA(buf, "0x%08X", handle);
  return buf;
}

}  // namespace wine_test
