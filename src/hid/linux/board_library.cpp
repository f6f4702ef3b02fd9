#include "hid/board_library.h"

#include <mutex>
#include <utility>

#include "hid/linux/hidapi_library.h"

namespace dorvan {

namespace {

std::mutex& hooksMutex() {
  static std::mutex m;
  return m;
}

HidapiHooks& boardHooks() {
  static HidapiHooks hooks;
  return hooks;
}

}  // namespace

void setBoardLibraryHooks(HidapiHooks hooks) {
  std::lock_guard lock(hooksMutex());
  boardHooks() = std::move(hooks);
}

std::unique_ptr<HidLibrary> makeBoardLibrary() {
  HidapiHooks hooks;
  {
    std::lock_guard lock(hooksMutex());
    hooks = boardHooks();
  }
  return makeHidapiLibrary(std::move(hooks), makeSystemHidBackend());
}

}  // namespace dorvan
