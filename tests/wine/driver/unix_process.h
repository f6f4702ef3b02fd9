// The Unix side of a process under Wine: its PID, found through /proc by a text of
// its command line, and signals sent to it with kill(1). Wine starts a Unix program
// given to CreateProcess as it is, without a Windows handle to wait on.
#pragma once

#include <string>
#include <vector>

namespace wine_test {

// PIDs whose command line holds `text` (case-insensitive).
std::vector<int> unixPidsWithCommandLine(const std::wstring& text);
// SIGSTOP or SIGCONT; true once the process is seen stopped, or running again.
bool stopOrContinue(int pid, bool stop, unsigned timeoutMs);

}  // namespace wine_test
