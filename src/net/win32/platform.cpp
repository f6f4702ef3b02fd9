#include <windows.h>

#include "base/win32/utf16.h"
#include "net/platform.h"

namespace dorvan {

std::string computerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1]{};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) return {};
  return win32::narrow(std::wstring_view(name, size));
}

// A user's own folder is closed to others on Windows; its access lists are not second-guessed here.
bool readableByOthers(std::string_view) { return false; }

}  // namespace dorvan
