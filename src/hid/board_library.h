// The platform's board library behind the HidLibrary interface.
// Windows: hid/win32/board_library.cpp; Linux: hid/linux/board_library.cpp.
#pragma once

#include <memory>

#include "hid/hid_library.h"

namespace dorvan {

std::unique_ptr<HidLibrary> makeBoardLibrary();

}  // namespace dorvan
