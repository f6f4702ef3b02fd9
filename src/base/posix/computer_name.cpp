#include "base/computer_name.h"

#include <unistd.h>

#include <climits>

namespace dorvan {

std::string computerName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace dorvan
