#include "app/box_marks.h"

#include "base/clock.h"
#include "scheduler/repeat.h"

namespace dorvan {
namespace {

struct InstantBoxes {
  ControlId date;
  ControlId time;
};

constexpr std::array<InstantBoxes, 2 * kPortCount> buildInstantBoxes() {
  std::array<InstantBoxes, 2 * kPortCount> out{};
  for (int p = 0; p < kPortCount; ++p) {
    out[2 * p] = {controlId(kPortGrid[p].startDate), controlId(kPortGrid[p].startTime)};
    out[2 * p + 1] = {controlId(kPortGrid[p].endDate), controlId(kPortGrid[p].endTime)};
  }
  return out;
}

constexpr std::array<InstantBoxes, 2 * kPortCount> kInstantBoxes = buildInstantBoxes();

constexpr std::string_view kDateForm =
    "Tarih GG.AA.YYYY biçiminde ya da HER GÜN, HAFTA İÇİ, HAFTA SONU, PAZARTESİ … PAZAR olarak yazılmalı.";
constexpr std::string_view kTimeForm = "Saat SS:DD:ss biçiminde yazılmalı, örneğin 07:30:00.";

}  // namespace

InstantFaults faultsOf(std::string_view date, std::string_view time) {
  if (date.empty() && time.empty()) return {BoxFault::None, BoxFault::None};
  BoxFault dateFault = BoxFault::None;
  if (date.empty())
    dateFault = BoxFault::DateMissing;
  else if (!dayOf(date) && !repeatWord(date))
    dateFault = BoxFault::NotADate;
  BoxFault timeFault = BoxFault::None;
  if (time.empty())
    timeFault = BoxFault::TimeMissing;
  else if (!secondOfDay(time))
    timeFault = BoxFault::NotATime;
  return {dateFault, timeFault};
}

std::string_view faultText(BoxFault fault) {
  switch (fault) {
    case BoxFault::None: return {};
    case BoxFault::NotADate: return kDateForm;
    case BoxFault::NotATime: return kTimeForm;
    case BoxFault::DateMissing:
      return "Saat yazılı ama tarih boş: bu an hiç gelmez. Tarih GG.AA.YYYY biçiminde ya da HER GÜN, HAFTA İÇİ, "
             "HAFTA SONU, PAZARTESİ … PAZAR olarak yazılmalı.";
    case BoxFault::TimeMissing:
      return "Tarih yazılı ama saat boş: bu an hiç gelmez. Saat SS:DD:ss biçiminde yazılmalı, örneğin 07:30:00.";
  }
  return {};
}

// A change to either box of an instant may mark or clear the other one too.
void BoxMarks::textChanged(const FormState& form, ControlId id) {
  for (const InstantBoxes& boxes : kInstantBoxes) {
    if (boxes.date != id && boxes.time != id) continue;
    const InstantFaults faults = faultsOf(form.text(boxes.date), form.text(boxes.time));
    mark(boxes.date, faults.date);
    mark(boxes.time, faults.time);
    return;
  }
}

void BoxMarks::mark(ControlId box, BoxFault fault) {
  if (faults_[box] == fault) return;
  faults_[box] = fault;
  view_.showMark(box, fault != BoxFault::None, faultText(fault));
}

}  // namespace dorvan
