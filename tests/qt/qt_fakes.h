// Stand-ins for the board library and the clock, for driving the real window.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/clock.h"
#include "hid/hid_library.h"
#include "hid/port_command.h"

namespace dorvan::testing {

class RecordingHidLibrary final : public HidLibrary {
 public:
  std::string loadProblem;
  std::map<DeviceHandle, std::pair<std::uint32_t, std::uint32_t>> ids;  // handle -> vendor, product
  std::vector<std::uintptr_t> connects;
  int disconnects = 0;
  std::vector<DeviceHandle> vendorQueries;
  std::vector<Report> writes;

  std::string load() override { return loadProblem; }
  bool Connect(std::uintptr_t hostWindow) override {
    connects.push_back(hostWindow);
    return true;
  }
  bool Disconnect() override {
    ++disconnects;
    return true;
  }
  std::uint32_t GetVendorID(DeviceHandle h) override {
    vendorQueries.push_back(h);
    return ids.count(h) ? ids[h].first : 0;
  }
  std::uint32_t GetProductID(DeviceHandle h) override { return ids.count(h) ? ids[h].second : 0; }
  DeviceHandle GetHandle(std::uint32_t, std::uint32_t) override { return 0; }
  void SetReadNotify(DeviceHandle, bool) override {}
  bool Read(DeviceHandle, std::uint8_t*) override { return false; }
  void WriteEx(std::uint32_t, std::uint32_t, std::uint8_t* report) override {
    Report r{};
    std::copy(report, report + kReportSize, r.begin());
    writes.push_back(r);
  }
};

class FixedClock final : public Clock {
 public:
  LocalTime time{2026, 12, 6, 7, 30, 0, 0};
  LocalTime now() override { return time; }
};

}  // namespace dorvan::testing
