#include <sys/stat.h>
#include <unistd.h>

#include <array>

#include "net/platform.h"

namespace dorvan {

std::string computerName() {
  std::array<char, 256> name{};
  if (gethostname(name.data(), name.size() - 1) != 0) return {};
  return name.data();
}

bool readableByOthers(std::string_view path) {
  struct stat st {};
  if (::stat(std::string(path).c_str(), &st) != 0) return false;
  return (st.st_mode & (S_IRGRP | S_IROTH)) != 0;
}

}  // namespace dorvan
