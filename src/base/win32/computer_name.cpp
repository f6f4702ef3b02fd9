#include <windows.h>

#include "base/computer_name.h"
#include "base/win32/utf16.h"

namespace dorvan {

std::string computerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(name, &size)) return {};
  return narrow(std::wstring_view(name, size));
}

}  // namespace dorvan
