#include "app/start_arguments.h"

namespace dorvan {

StartRequest parseStartArguments(const std::vector<std::string>& args) {
  StartRequest r;
  if (args.empty()) return r;
  if (args.size() == 1 && args[0].size() == 1 && args[0][0] >= '1' && args[0][0] <= '7') {
    r.stage = args[0][0] - '0';
    return r;
  }
  r.refused.emplace();
  for (std::size_t i = 0; i < args.size(); ++i) *r.refused += (i > 0 ? " " : "") + args[i];
  return r;
}

}  // namespace dorvan
