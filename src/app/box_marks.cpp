#include "app/box_marks.h"

#include "base/clock.h"
#include "scheduler/instant.h"
#include "scheduler/port_table.h"
#include "scheduler/time_words.h"

namespace dorvan {
namespace {

constexpr std::string_view kDateForm =
    "Tarih GG.AA.YYYY biçiminde ya da HER GÜN, HAFTA İÇİ, HAFTA SONU, PAZARTESİ … PAZAR olarak yazılmalı.";

enum class TimeKind : std::uint8_t { Empty, Clock, Sun, Duration, Bad };

TimeKind timeKind(std::string_view time) {
  if (time.empty()) return TimeKind::Empty;
  if (secondOfDay(time)) return TimeKind::Clock;
  if (sunWord(time)) return TimeKind::Sun;
  if (durationWord(time)) return TimeKind::Duration;
  return TimeKind::Bad;
}

struct InstantFaults {
  BoxFault date = BoxFault::None;
  BoxFault time = BoxFault::None;
};

InstantFaults instantFaults(std::string_view date, std::string_view time, bool end, bool placeKnown) {
  if (date.empty() && time.empty()) return {};
  InstantFaults out;
  if (date.empty())
    out.date = BoxFault::DateMissing;
  else if (!dayOf(date) && !repeatWord(date))
    out.date = BoxFault::NotADate;
  switch (timeKind(time)) {
    case TimeKind::Empty: out.time = BoxFault::TimeMissing; break;
    case TimeKind::Clock: break;
    case TimeKind::Sun: out.time = placeKnown ? BoxFault::None : BoxFault::NoPlace; break;
    case TimeKind::Duration: out.time = end ? BoxFault::None : BoxFault::DurationInStart; break;
    case TimeKind::Bad: out.time = end ? BoxFault::NotAnEndTime : BoxFault::NotATime; break;
  }
  return out;
}

}  // namespace

WindowFaults faultsOf(const WindowTexts& t, bool placeKnown) {
  const InstantFaults start = instantFaults(t.startDate, t.startTime, false, placeKnown);
  WindowFaults out{start.date, start.time, BoxFault::None, BoxFault::None};
  if (!durationWord(t.endTime)) {
    const InstantFaults end = instantFaults(t.endDate, t.endTime, true, placeKnown);
    out.endDate = end.date;
    out.endTime = end.time;
  } else if (!t.endDate.empty()) {
    out.endDate = out.endTime = BoxFault::DurationWithDate;
  } else {
    const Instant first = readInstant(t.startDate, t.startTime);
    if (!first.fires() || (!first.byTheClock() && !placeKnown)) out.endTime = BoxFault::DurationWithoutStart;
  }
  return out;
}

std::string_view faultText(BoxFault fault) {
  switch (fault) {
    case BoxFault::None: return {};
    case BoxFault::NotADate: return kDateForm;
    case BoxFault::NotATime:
      return "Saat SS:DD:ss biçiminde (örneğin 07:30:00) ya da DOĞUŞ, BATIŞ, BATIŞ+30, DOĞUŞ-15 olarak yazılmalı.";
    case BoxFault::NotAnEndTime:
      return "Bitiş saati SS:DD:ss biçiminde (örneğin 07:30:00), DOĞUŞ, BATIŞ, BATIŞ+30 gibi ya da bir süre olarak "
             "(+20 DK, +4 SA, +30 SN) yazılmalı.";
    case BoxFault::DateMissing:
      return "Saat yazılı ama tarih boş: bu an hiç gelmez. Tarih GG.AA.YYYY biçiminde ya da HER GÜN, HAFTA İÇİ, "
             "HAFTA SONU, PAZARTESİ … PAZAR olarak yazılmalı.";
    case BoxFault::TimeMissing:
      return "Tarih yazılı ama saat boş: bu an hiç gelmez. Saat SS:DD:ss biçiminde yazılmalı, örneğin 07:30:00.";
    case BoxFault::NoPlace:
      return "DOĞUŞ ve BATIŞ için DORVAN'ın nerede olduğu bilinmeli: ag.txt dosyasına \"konum = enlem, boylam\" "
             "satırı yazılmalı (örneğin konum = 41.0082, 28.9784). O zamana dek bu an hiç gelmez.";
    case BoxFault::DurationInStart:
      return "Süre (+20 DK gibi) yalnızca bitiş saatine yazılabilir; başlangıç saati SS:DD:ss, DOĞUŞ ya da BATIŞ "
             "olmalı.";
    case BoxFault::DurationWithDate:
      return "Bitiş saati bir süre (+20 DK gibi) olduğunda bitiş tarihi boş bırakılmalı: süre her başlangıçtan "
             "sonra sayılır.";
    case BoxFault::DurationWithoutStart:
      return "Süre başlangıçtan sonra sayılır, ama bu satırın başlangıcı hiç gelmiyor: başlangıç tarihi ve saati "
             "doğru yazılmalı.";
  }
  return {};
}

// A change to any box of a window may mark or clear the others too.
void BoxMarks::textChanged(const FormState& form, ControlId id) {
  for (const PortControls& p : kPortTable) {
    if (id != p.startDate && id != p.startTime && id != p.endDate && id != p.endTime) continue;
    markPort(form, p.port);
    return;
  }
}

void BoxMarks::refresh(const FormState& form) {
  for (const PortControls& p : kPortTable) markPort(form, p.port);
}

void BoxMarks::markPort(const FormState& form, int port) {
  const PortControls& p = kPortTable[port - 1];
  const WindowFaults f =
      faultsOf({form.text(p.startDate), form.text(p.startTime), form.text(p.endDate), form.text(p.endTime)},
               almanac_.place().has_value());
  mark(p.startDate, f.startDate);
  mark(p.startTime, f.startTime);
  mark(p.endDate, f.endDate);
  mark(p.endTime, f.endTime);
}

void BoxMarks::mark(ControlId box, BoxFault fault) {
  if (faults_[box] == fault) return;
  faults_[box] = fault;
  view_.showMark(box, fault != BoxFault::None, faultText(fault));
}

}  // namespace dorvan
