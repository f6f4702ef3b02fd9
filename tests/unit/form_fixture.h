// A MainForm over recording fakes, as every window binding builds it over the real window.
#pragma once

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "fakes.h"

namespace dorvan::test {

struct FormFixture : ::testing::Test {
  FakeView view;
  FakeLibrary library;
  FakeSlot slot;
  FakeClock clock;
  FakeFiles files;
  MainForm form{view, library, slot, clock, files};

  FormFixture() { clock.set(at(2026, 12, 6, 7, 30, 0)); }

  std::string_view text(std::string_view control) { return form.form().text(controlId(control)); }
  Color color(std::string_view control) { return form.form().backColor(controlId(control)); }
  void type(std::string_view control, std::string_view text) { form.form().acceptTyped(controlId(control), text); }
  void press(std::string_view button) { form.click(controlId(button)); }
  // A port's four schedule boxes, typed.
  void schedule(int port, std::string_view startDate, std::string_view startTime, std::string_view endDate = "",
                std::string_view endTime = "") {
    const PortRow& row = kPortGrid[port - 1];
    type(row.startDate, startDate);
    type(row.startTime, startTime);
    type(row.endDate, endDate);
    type(row.endTime, endTime);
  }
  void tickAt(LocalTime t) {
    clock.set(t);
    form.Timer1_Timer();
  }
  std::intptr_t notify(std::uintptr_t code, std::intptr_t handle) {
    return form.hidLink().HidWindowProc(view.handle, kDeviceNotification, code, handle);
  }
};

}  // namespace dorvan::test
