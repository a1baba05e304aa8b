#include "acpi_client.h"

#include <cstring>

namespace testbed {
namespace {

const KeyName kKeys[] = {
    {"volume-up", 48},     {"volume-down", 49},      {"mute", 50},
    {"notice-51", 51},     {"notice-52", 52},        {"mail", 80},
    {"browser", 81},       {"notice-87", 87},        {"notice-88", 88},
    {"wlan-toggle", 93},   {"wlan-on", 94},          {"wlan-off", 95},
    {"display-panel", 97}, {"display-external", 98}, {"display-both", 99},
    {"touchpad", 107},     {"hibernate", 110},       {"notice-125", 125},
    {"notice-126", 126},
};

class Device {
 public:
  Device()
      : handle_(CreateFileW(TARN_ACPI_USER_PATH, GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                            nullptr)) {}
  ~Device() {
    if (ok()) CloseHandle(handle_);
  }
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }

  bool Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize) {
    DWORD returned = 0;
    return ok() && DeviceIoControl(handle_, code, const_cast<void*>(in), inSize, out, outSize,
                                   &returned, nullptr);
  }

 private:
  HANDLE handle_;
};

// Whole-string unsigned number in base 10 or 16 that fits 32 bits.
bool ParseDigits(const char* text, unsigned base, DWORD* value) {
  if (*text == '\0') return false;
  unsigned long long v = 0;
  for (; *text != '\0'; ++text) {
    unsigned digit;
    if (*text >= '0' && *text <= '9')
      digit = unsigned(*text - '0');
    else if (base == 16 && *text >= 'a' && *text <= 'f')
      digit = unsigned(*text - 'a' + 10);
    else if (base == 16 && *text >= 'A' && *text <= 'F')
      digit = unsigned(*text - 'A' + 10);
    else
      return false;
    v = v * base + digit;
    if (v > 0xFFFFFFFFull) return false;
  }
  *value = DWORD(v);
  return true;
}

bool ParseLevel(const char* text, const char* prefix, DWORD low, DWORD high, DWORD offset,
                DWORD* code) {
  size_t len = strlen(prefix);
  if (strncmp(text, prefix, len) != 0) return false;
  DWORD n = 0;
  if (!ParseDigits(text + len, 10, &n) || n < low || n > high) return false;
  *code = offset + n;
  return true;
}

}  // namespace

bool InjectCodes(const DWORD* codes, size_t n) {
  if (n == 0 || n > TARN_ACPI_QUEUE_CAPACITY * 16) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  Device device;
  return device.Control(IOCTL_TARN_ACPI_INJECT, codes, DWORD(n * sizeof(DWORD)), nullptr, 0);
}

bool QueryStats(TarnAcpiStats* stats) {
  Device device;
  return device.Control(IOCTL_TARN_ACPI_STATS, nullptr, 0, stats, sizeof *stats);
}

bool ResetDriver() {
  Device device;
  return device.Control(IOCTL_TARN_ACPI_RESET, nullptr, 0, nullptr, 0);
}

bool FailNextReads(DWORD n) {
  Device device;
  return device.Control(IOCTL_TARN_ACPI_FAIL_READS, &n, sizeof n, nullptr, 0);
}

bool ParseNumber(const char* text, DWORD* value) {
  if (text == nullptr) return false;
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return ParseDigits(text + 2, 16, value);
  return ParseDigits(text, 10, value);
}

bool ParseKeyName(const char* text, DWORD* code) {
  if (text == nullptr || *text == '\0') return false;
  for (const KeyName& key : kKeys) {
    if (strcmp(text, key.name) == 0) {
      *code = key.code;
      return true;
    }
  }
  if (ParseLevel(text, "level-a-", 1, 15, 16, code)) return true;
  if (ParseLevel(text, "level-b-", 0, 14, 32, code)) return true;
  return ParseNumber(text, code);
}

const KeyName* KeyNames(size_t* count) {
  *count = sizeof kKeys / sizeof kKeys[0];
  return kKeys;
}

}  // namespace testbed
