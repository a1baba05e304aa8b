// ATI's display library "atitmmxx.dll": seven entries of three 32-bit arguments.
// Its variants export all but one (built from generated .def files).
//
// Knobs (component "atitmmxx"), each entry's name giving its status (default 0):
//   Connected  display bits EnumDisplays reports (default 3: CRT 1 | LCD 2)
//   Active     the configuration word: displays in use (default 2, the panel);
//              written by a successful SetConfiguration
#include <windows.h>

#include "journal.h"

namespace {

const char kComponent[] = "atitmmxx";
constexpr DWORD kDisplayBits = 1 | 2;
constexpr int kBadArgument = 3;

int Status(const char* entry) { return int(testbed::KnobDword(kComponent, entry, 0)); }

std::string Word(const DWORD* word) {
  return word ? testbed::HexBytes(word, sizeof *word) : "null";
}

}  // namespace

extern "C" {

int __cdecl EnumDisplays(int adapter, int kind, DWORD* displays) {
  int status = displays ? Status("EnumDisplays") : kBadArgument;
  if (status == 0) *displays = testbed::KnobDword(kComponent, "Connected", kDisplayBits);
  testbed::Journal(kComponent, "EnumDisplays(%d, %d, [%s]) = %d", adapter, kind,
                   Word(displays).c_str(), status);
  return status;
}

int __cdecl GetConnectedDisplays(int a, int b, int c) {
  testbed::Journal(kComponent, "GetConnectedDisplays(%d, %d, %d) = 0", a, b, c);
  return 0;
}

int __cdecl ATIDL_GetAdapterID(int a, int b, int c) {
  testbed::Journal(kComponent, "ATIDL_GetAdapterID(%d, %d, %d) = 0", a, b, c);
  return 0;
}

int __cdecl ATIDL_DisplayGetDeviceConfig(int a, int b, int c) {
  testbed::Journal(kComponent, "ATIDL_DisplayGetDeviceConfig(%d, %d, %d) = 0", a, b, c);
  return 0;
}

int __cdecl GetConfiguration(int adapter, int kind, DWORD* configuration) {
  int status = configuration ? Status("GetConfiguration") : kBadArgument;
  if (status == 0) *configuration = testbed::KnobDword(kComponent, "Active", 2);
  testbed::Journal(kComponent, "GetConfiguration(%d, %d, [%s]) = %d", adapter, kind,
                   Word(configuration).c_str(), status);
  return status;
}

// Accepts any non-empty set of the connected displays.
int __cdecl SetConfiguration(int adapter, int kind, DWORD* configuration) {
  int status = kBadArgument;
  if (configuration) {
    const DWORD connected = testbed::KnobDword(kComponent, "Connected", kDisplayBits);
    const DWORD wanted = *configuration;
    status = wanted && !(wanted & ~connected) ? Status("SetConfiguration") : kBadArgument;
    if (status == 0) testbed::SetKnobDword(kComponent, "Active", wanted);
  }
  testbed::Journal(kComponent, "SetConfiguration(%d, %d, [%s]) = %d", adapter, kind,
                   Word(configuration).c_str(), status);
  return status;
}

int __cdecl GetCapabilities(int adapter, DWORD* first, DWORD* second) {
  int status = first && second ? Status("GetCapabilities") : kBadArgument;
  if (status == 0) {
    *first = kDisplayBits;
    *second = 2;
  }
  testbed::Journal(kComponent, "GetCapabilities(%d, [%s], [%s]) = %d", adapter, Word(first).c_str(),
                   Word(second).c_str(), status);
  return status;
}

}  // extern "C"
