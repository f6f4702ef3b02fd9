#include "fakes.h"

#include <algorithm>
#include <cstdio>

namespace dorvan::test {
namespace {

std::string hex(const std::uint8_t* bytes, int n) {
  std::string out;
  char buf[4];
  for (int i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
    out += buf;
  }
  return out;
}

}  // namespace

void FakeView::showText(ControlId id, std::string_view utf8) {
  texts[id] = std::string(utf8);
  log.push_back("text " + std::string(controlSpec(id).name) + " " + std::string(utf8));
}

void FakeView::showBackColor(ControlId id, Color color) {
  colors[id] = color;
  log.push_back("color " + std::string(controlSpec(id).name) + " " + std::to_string(color));
}

void FakeView::showMark(ControlId id, bool marked, std::string_view toolTip) {
  const std::string name(controlSpec(id).name);
  if (marked)
    marks[name] = std::string(toolTip);
  else
    marks.erase(name);
}

void FakeView::showPicture(ControlId id, const Image& image) {
  picture = image;
  log.push_back("picture " + std::string(controlSpec(id).name));
}

void FakeView::showMessage(std::string_view title, std::string_view text, MessageKind kind) {
  messages.push_back({std::string(title), std::string(text), kind});
  log.push_back("message " + std::string(text));
  if (duringMessage) duringMessage();
}

std::string FakeLibrary::load() { return loadProblem; }

#define RECORD(text)                                   \
  do {                                                 \
    calls.push_back(text);                             \
    if (sharedLog) sharedLog->push_back(calls.back()); \
  } while (0)

bool FakeLibrary::Connect(std::uintptr_t hostWindow) {
  RECORD("Connect " + std::to_string(hostWindow));
  return true;
}
bool FakeLibrary::Disconnect() {
  RECORD("Disconnect");
  return true;
}
std::uint32_t FakeLibrary::GetVendorID(DeviceHandle handle) {
  RECORD("GetVendorID " + std::to_string(handle));
  return handle >> 16;
}
std::uint32_t FakeLibrary::GetProductID(DeviceHandle handle) {
  RECORD("GetProductID " + std::to_string(handle));
  return handle & 0xFFFF;
}
DeviceHandle FakeLibrary::GetHandle(std::uint32_t vendorId, std::uint32_t productId) {
  RECORD("GetHandle " + std::to_string(vendorId) + " " + std::to_string(productId));
  return attached;
}
void FakeLibrary::SetReadNotify(DeviceHandle handle, bool enable) {
  RECORD("SetReadNotify " + std::to_string(handle) + " " + (enable ? "true" : "false"));
}
bool FakeLibrary::Read(DeviceHandle handle, std::uint8_t* report) {
  RECORD("Read " + std::to_string(handle));
  for (int i = 0; i < kReportSize; ++i) report[i] = static_cast<std::uint8_t>(0xA0 + i);
  return true;
}
void FakeLibrary::WriteEx(std::uint32_t vendorId, std::uint32_t productId, std::uint8_t* report) {
  RECORD("WriteEx " + std::to_string(vendorId) + " " + std::to_string(productId) + " " + hex(report, kReportSize));
  written.emplace_back(report, report + kReportSize);
}

std::vector<std::pair<int, int>> FakeLibrary::portsAndStates() const {
  std::vector<std::pair<int, int>> out;
  for (const auto& r : written) out.emplace_back(r[1], r[2]);
  return out;
}

void FakeSlot::install(std::uintptr_t window) {
  installed = true;
  RECORD("install " + std::to_string(window));
}
void FakeSlot::restore(std::uintptr_t window) {
  installed = false;
  RECORD("restore " + std::to_string(window));
}
std::intptr_t FakeSlot::callPrevious(std::uintptr_t, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) {
  RECORD("previous " + std::to_string(message) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
  return previousResult;
}

#undef RECORD

LocalTime FakeClock::now() {
  ++reads;
  const LocalTime t = readings.at(std::min(next, readings.size() - 1));
  if (next < readings.size()) ++next;
  return t;
}

LocalTime at(int year, int month, int day, int hour, int minute, int second, int ms) {
  return {year, month, day, hour, minute, second, ms};
}

FileResult FakeFiles::openRead(std::string_view path, Handle& out) {
  const std::string p(path);
  if (auto f = failOpen.find(p); f != failOpen.end()) return f->second;
  if (!files.count(p)) return {FileError::NotFound, 2};
  out = nextHandle_++;
  open_[out] = {p, 0, false};
  ++openHandles;
  return {};
}

FileResult FakeFiles::read(Handle h, std::uint8_t* buffer, std::size_t capacity, std::size_t& got) {
  if (failRead) return *failRead;
  Open& o = open_.at(h);
  const std::string& data = files.at(o.path);
  got = std::min(capacity, data.size() - o.pos);
  std::copy_n(data.data() + o.pos, got, buffer);
  o.pos += got;
  return {};
}

void FakeFiles::close(Handle h) {
  open_.erase(h);
  --openHandles;
}

FileResult FakeFiles::create(std::string_view path, Handle& out) {
  if (failCreate) return *failCreate;
  const std::string p(path);
  files[p].clear();
  out = nextHandle_++;
  open_[out] = {p, 0, true};
  ++openHandles;
  return {};
}

FileResult FakeFiles::openAppend(std::string_view path, Handle& out, std::uint64_t& size) {
  if (failAppend) return *failAppend;
  const std::string p(path);
  size = files[p].size();
  out = nextHandle_++;
  open_[out] = {p, size, true};
  ++openHandles;
  return {};
}

FileResult FakeFiles::write(Handle h, const std::uint8_t* data, std::size_t size) {
  Open& o = open_.at(h);
  if (failWrite) {
    // half of it made it out before the disk filled up
    files[o.path].append(reinterpret_cast<const char*>(data), size / 2);
    return *failWrite;
  }
  files[o.path].append(reinterpret_cast<const char*>(data), size);
  return {};
}

FileResult FakeFiles::flush(Handle) { return failFlush ? *failFlush : FileResult{}; }

FileResult FakeFiles::replace(std::string_view from, std::string_view to) {
  if (failReplace) return *failReplace;
  auto node = files.extract(std::string(from));
  if (node.empty()) return {FileError::NotFound, 2};
  files[std::string(to)] = std::move(node.mapped());
  return {};
}

FileResult FakeFiles::remove(std::string_view path) {
  return files.erase(std::string(path)) ? FileResult{} : FileResult{FileError::NotFound, 2};
}

}  // namespace dorvan::test
