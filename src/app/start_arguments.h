// What the program is asked on its command line: nothing, or the stage to start
// with, unattended ("DORVAN.exe 3").
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dorvan {

struct StartRequest {
  int stage = 0;  // 1-7: load this stage and resume it, with no prompt; 0: none
  // The arguments as given, when they are not one stage number.
  std::optional<std::string> refused;
};

// The arguments after the program's own name, UTF-8.
StartRequest parseStartArguments(const std::vector<std::string>& args);

}  // namespace dorvan
