// Text conversions at the driver's edges: UTF-8 for what it prints and what the
// layout table holds, UTF-16 for the Windows API, Windows-1254 for stage files.
#pragma once

#include <string>
#include <string_view>

namespace wine_test {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);
std::string toCp1254(std::wstring_view text);
// "/abs/unix/path" as Wine sees it (Z:\abs\unix\path); Windows paths are kept.
std::wstring windowsPath(std::wstring_view path);
bool containsNoCase(std::wstring_view haystack, std::wstring_view needle);

}  // namespace wine_test
