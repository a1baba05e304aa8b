// Driving the testbed ACPI driver from presskey and the tests.
#pragma once

#include <windows.h>

#include <cstddef>

#include "tarnacpi_ioctl.h"

namespace testbed {

// Each call opens the device, sends one request and closes it again; false
// leaves GetLastError() from the failing step.
bool InjectCodes(const DWORD* codes, size_t n);
bool QueryStats(TarnAcpiStats* stats);
bool ResetDriver();
bool FailNextReads(DWORD n);

// "volume-up", "level-a-3", "48", "0x30" -> notify code; false for anything else.
bool ParseKeyName(const char* text, DWORD* code);
// "12" or "0xC" -> 12; false for anything else.
bool ParseNumber(const char* text, DWORD* value);

struct KeyName {
  const char* name;
  DWORD code;
};
// The fixed names; level-a-N and level-b-N are patterns and not listed here.
const KeyName* KeyNames(size_t* count);

}  // namespace testbed
