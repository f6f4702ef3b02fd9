// Text crosses into and out of Windows as UTF-16; inside the program it is UTF-8.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace dorvan::win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);
// The whole text of a window or control.
std::wstring windowText(HWND window);

}  // namespace dorvan::win32
