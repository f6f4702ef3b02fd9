// The computer's name, as the system knows it: it makes the default MQTT prefix.
// base/posix/computer_name.cpp, base/win32/computer_name.cpp
#pragma once

#include <string>

namespace dorvan {

// UTF-8; empty when the system will not tell.
std::string computerName();

}  // namespace dorvan
