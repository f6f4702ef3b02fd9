// What the network needs of the computer, one file per platform.
#pragma once

#include <string>
#include <string_view>

namespace dorvan {

// The computer's name as the network knows it; empty when it cannot be had.
std::string computerName();
// Whether users other than the owner may read the file: a password in it would be theirs too.
bool readableByOthers(std::string_view path);

}  // namespace dorvan
