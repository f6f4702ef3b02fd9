#include "unix_process.h"

#include <windows.h>

#include <cwctype>

#include "session.h"
#include "text.h"
#include "ui.h"

namespace wine_test {
namespace {

std::string procFile(int pid, const wchar_t* name) {
  std::string bytes;
  readBytes(L"Z:\\proc\\" + std::to_wstring(pid) + L"\\" + name, bytes);
  return bytes;
}

// The state letter of /proc/PID/stat: the field after the parenthesised name.
char stateOf(int pid) {
  const std::string stat = procFile(pid, L"stat");
  const std::size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() ? stat[close + 2] : '?';
}

bool runUnix(const std::wstring& program, const std::wstring& arguments) {
  std::wstring commandLine = program + L" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(windowsPath(program).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi))
    return false;
  if (pi.hThread) CloseHandle(pi.hThread);
  if (pi.hProcess) CloseHandle(pi.hProcess);
  return true;
}

}  // namespace

std::vector<int> unixPidsWithCommandLine(const std::wstring& text) {
  std::vector<int> pids;
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &fd);
  if (find == INVALID_HANDLE_VALUE) return pids;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !std::iswdigit(fd.cFileName[0])) continue;
    const int pid = _wtoi(fd.cFileName);
    std::string cmdline = procFile(pid, L"cmdline");
    for (char& ch : cmdline)
      if (ch == '\0') ch = ' ';
    if (containsNoCase(widen(cmdline), text)) pids.push_back(pid);
  } while (FindNextFileW(find, &fd));
  FindClose(find);
  return pids;
}

bool stopOrContinue(int pid, bool stop, unsigned timeoutMs) {
  // By number: under a Turkish locale kill(1) does not take the name CONT.
  const wchar_t* signal = stop ? L"19" : L"18";
  if (!runUnix(L"/bin/kill", L"-s " + std::wstring(signal) + L" " + std::to_wstring(pid))) return false;
  return waitUntil([&] { return (stateOf(pid) == 'T') == stop; }, timeoutMs, 10);
}

}  // namespace wine_test
