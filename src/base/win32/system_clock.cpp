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

int utcOffsetMinutes(const LocalTime& t) {
  SYSTEMTIME local{};
  local.wYear = static_cast<WORD>(t.year);
  local.wMonth = static_cast<WORD>(t.month);
  local.wDay = static_cast<WORD>(t.day);
  local.wHour = static_cast<WORD>(t.hour);
  local.wMinute = static_cast<WORD>(t.minute);
  local.wSecond = static_cast<WORD>(t.second);
  SYSTEMTIME utc{};
  FILETIME localFile{};
  FILETIME utcFile{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&local, &localFile) ||
      !SystemTimeToFileTime(&utc, &utcFile))
    return 0;
  const auto ticks = [](const FILETIME& f) {
    return static_cast<long long>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
  };
  constexpr long long kTicksPerMinute = 600000000;  // of 100 ns
  return static_cast<int>((ticks(localFile) - ticks(utcFile)) / kTicksPerMinute);
}

Clock& systemClock() {
  static WindowsClock clock;
  return clock;
}

}  // namespace dorvan
