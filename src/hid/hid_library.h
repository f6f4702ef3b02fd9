// The board library: the eight operations the program uses. On Windows it is the
// vendor's DLL; on Linux it is built on hidapi; tests use recording fakes.
#pragma once

#include <cstdint>
#include <string>

namespace dorvan {

using DeviceHandle = std::uint32_t;
inline constexpr std::uint32_t kBoardVendorId = 6020;        // 0x1784
inline constexpr std::uint32_t kBoardProductId = 2008;       // 0x07D8
inline constexpr std::uint32_t kDeviceNotification = 32968;  // WM_APP + 200

enum class Notification : std::uint32_t { Plugged = 1, Unplugged = 2, Changed = 3, Read = 4 };

inline constexpr int kReportSize = 9;  // report ID + 8 data bytes

class HidLibrary {
 public:
  virtual ~HidLibrary() = default;

  // Makes the library usable. An empty result means ready; otherwise the text says
  // (in Turkish, for the user) why it cannot be used. Called before the first operation.
  virtual std::string load() = 0;

  virtual bool Connect(std::uintptr_t hostWindow) = 0;
  virtual bool Disconnect() = 0;
  virtual std::uint32_t GetVendorID(DeviceHandle handle) = 0;
  virtual std::uint32_t GetProductID(DeviceHandle handle) = 0;
  virtual DeviceHandle GetHandle(std::uint32_t vendorId, std::uint32_t productId) = 0;
  virtual void SetReadNotify(DeviceHandle handle, bool enable) = 0;
  virtual bool Read(DeviceHandle handle, std::uint8_t* report) = 0;  // kReportSize bytes
  virtual void WriteEx(std::uint32_t vendorId, std::uint32_t productId, std::uint8_t* report) = 0;
};

}  // namespace dorvan
