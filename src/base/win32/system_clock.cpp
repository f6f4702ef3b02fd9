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

// FILETIME counts 100 ns from 01.01.1601 UTC.
constexpr long long kTicksPerSecond = 10000000;
constexpr long long kUnixEpochTicks = 116444736000000000LL;

long long ticksOf(const FILETIME& f) {
  return static_cast<long long>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
}

FILETIME fileTimeOf(long long ticks) {
  const auto u = static_cast<unsigned long long>(ticks);
  return {static_cast<DWORD>(u & 0xFFFFFFFFu), static_cast<DWORD>(u >> 32)};
}

SYSTEMTIME systemTimeOf(const LocalTime& t) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  return st;
}

}  // namespace

WallSecond Clock::wallOf(UtcSecond s) const {
  const FILETIME utcFile = fileTimeOf(s * kTicksPerSecond + kUnixEpochTicks);
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  if (!FileTimeToSystemTime(&utcFile, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return s;
  return wallSecond({local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond, 0});
}

UtcSecond Clock::utcOf(WallSecond s) const {
  const SYSTEMTIME local = systemTimeOf(localTimeOf(s));
  SYSTEMTIME utc{};
  FILETIME utcFile{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &utcFile)) return s;
  return (ticksOf(utcFile) - kUnixEpochTicks) / kTicksPerSecond;
}

int utcOffsetMinutes(const LocalTime& t) {
  const SYSTEMTIME local = systemTimeOf(t);
  SYSTEMTIME utc{};
  FILETIME localFile{};
  FILETIME utcFile{};
  if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&local, &localFile) ||
      !SystemTimeToFileTime(&utc, &utcFile))
    return 0;
  return static_cast<int>((ticksOf(localFile) - ticksOf(utcFile)) / (60 * kTicksPerSecond));
}

Clock& systemClock() {
  static WindowsClock clock;
  return clock;
}

}  // namespace dorvan
