// A board for the unpacked program, put in front of hidapi with LD_PRELOAD: it is
// attached while the file $DORVAN_FAKE_BOARD exists, and every report written to it is
// appended to $DORVAN_FAKE_BOARD.log as one line of hex bytes.
#include <hidapi.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

struct hid_device_ {};

namespace {

constexpr const char* kPath = "/dev/hidraw-dorvan-test";

std::string boardFile() {
  const char* file = std::getenv("DORVAN_FAKE_BOARD");
  return file ? file : "";
}

bool attached() { return access(boardFile().c_str(), F_OK) == 0; }

}  // namespace

extern "C" {

int hid_init(void) { return 0; }
int hid_exit(void) { return 0; }
const wchar_t* hid_error(hid_device*) { return L"fake board"; }

hid_device_info* hid_enumerate(unsigned short, unsigned short) {
  if (!attached()) return nullptr;
  auto* board = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
  board->path = strdup(kPath);
  board->vendor_id = 0x1784;
  board->product_id = 0x07D8;
  return board;
}

void hid_free_enumeration(hid_device_info* devices) {
  for (hid_device_info* next = nullptr; devices; devices = next) {
    next = devices->next;
    std::free(devices->path);
    std::free(devices);
  }
}

hid_device* hid_open_path(const char* path) {
  return attached() && !std::strcmp(path, kPath) ? new hid_device : nullptr;
}
void hid_close(hid_device* device) { delete device; }

int hid_read_timeout(hid_device*, unsigned char*, size_t, int milliseconds) {
  usleep(static_cast<useconds_t>(milliseconds) * 1000);
  return attached() ? 0 : -1;
}

int hid_write(hid_device*, const unsigned char* data, size_t length) {
  FILE* log = attached() ? std::fopen((boardFile() + ".log").c_str(), "a") : nullptr;
  if (!log) return -1;
  for (size_t i = 0; i < length; ++i) std::fprintf(log, i ? " %02X" : "%02X", data[i]);
  std::fputc('\n', log);
  std::fclose(log);
  return static_cast<int>(length);
}

}  // extern "C"
