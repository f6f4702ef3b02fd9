// The stand-in board library's record of calls, one "HH:MM:SS.mmm Call args" a line.
#pragma once

#include <string>
#include <vector>

namespace wine_test {

struct LibraryCall {
  std::string time;  // HH:MM:SS.mmm
  std::string call;  // Connect, WriteEx, ..., and the stand-in's own records attach and WM_DESTROY
  std::string args;  // the rest of the line
  std::string second() const { return time.substr(0, 8); }
  // The value of "key=" in args ("" when absent).
  std::string arg(const std::string& key) const;
};

std::vector<LibraryCall> readCalls(const std::wstring& logPath);
std::vector<LibraryCall> callsNamed(const std::vector<LibraryCall>& all, const std::string& name);
// The calls logged after the first `skip` lines, as a short text for failure notes.
std::string summarize(const std::vector<LibraryCall>& calls, std::size_t from = 0);

// The device handle the stand-in decodes to those IDs.
constexpr unsigned deviceHandle(unsigned vendorId, unsigned productId) { return (vendorId << 16) | productId; }
std::string handleText(unsigned handle);

}  // namespace wine_test
