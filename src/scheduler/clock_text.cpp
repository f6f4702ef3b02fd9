#include "scheduler/clock.h"

namespace dorvan {
namespace {

void twoDigits(char* out, int v) {
  out[0] = static_cast<char>('0' + v / 10 % 10);
  out[1] = static_cast<char>('0' + v % 10);
}

}  // namespace

TimeText formatTime(const LocalTime& t) {
  TimeText out{};
  twoDigits(&out[0], t.hour);
  out[2] = ':';
  twoDigits(&out[3], t.minute);
  out[5] = ':';
  twoDigits(&out[6], t.second);
  return out;
}

DateText formatDate(const LocalTime& t) {
  DateText out{};
  twoDigits(&out[0], t.day);
  out[2] = '.';
  twoDigits(&out[3], t.month);
  out[5] = '.';
  twoDigits(&out[6], t.year / 100);
  twoDigits(&out[8], t.year % 100);
  return out;
}

}  // namespace dorvan
