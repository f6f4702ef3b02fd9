#include <windows.h>

#include "base/clock.h"

namespace dorvan {
namespace {

class WindowsClock final : public Clock {
 public:
  LocalTime now() override {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
  }
};

}  // namespace

Clock& systemClock() {
  static WindowsClock clock;
  return clock;
}

}  // namespace dorvan
