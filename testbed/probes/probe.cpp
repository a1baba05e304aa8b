// Journal-only libraries: the notebook's own outside libraries ("QKBD.dll",
// "Sorrel.dll", "Pelvara.dll") and stand-ins named like the suite's libraries for
// tests of how the service binds and calls them. Each build exports a subset of
// these entries through its .def file and journals every call under its own name.
//
// Knobs (component = the library's name): "<Entry>" gives an entry's result,
// "<Entry>DelayMs" makes it take that long.
#include <windows.h>

#include "journal.h"

#ifndef PROBE_NAME
#error "PROBE_NAME names the library"
#endif

namespace {

int Result(const char* entry, int fallback) {
  char delay[64];
  wsprintfA(delay, "%sDelayMs", entry);
  const DWORD ms = testbed::KnobDword(PROBE_NAME, delay, 0);
  if (ms) {
    testbed::Journal(PROBE_NAME, "%s taking %lu ms", entry, ms);
    Sleep(ms);
  }
  return int(testbed::KnobDword(PROBE_NAME, entry, DWORD(fallback)));
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH)
    testbed::Journal(PROBE_NAME, "DllMain(PROCESS_ATTACH)");
  else if (reason == DLL_PROCESS_DETACH)
    // A null reserved pointer means FreeLibrary; otherwise the process is ending.
    testbed::Journal(PROBE_NAME, "DllMain(PROCESS_DETACH, %s)", reserved ? "exit" : "FreeLibrary");
  return TRUE;
}

void __cdecl InitHook() {
  Result("InitHook", 0);
  testbed::Journal(PROBE_NAME, "InitHook()");
}

void __cdecl UnHook() {
  Result("UnHook", 0);
  testbed::Journal(PROBE_NAME, "UnHook()");
}

int __cdecl TouchPadCtrl(int command) {
  const int r = Result("TouchPadCtrl", 0);
  testbed::Journal(PROBE_NAME, "TouchPadCtrl(%d) = %d", command, r);
  return r;
}

int __cdecl OnMonitorLayout(int layout) {
  const int r = Result("OnMonitorLayout", 1);
  testbed::Journal(PROBE_NAME, "OnMonitorLayout(%d) = %d", layout, r);
  return r;
}

int __cdecl PelvarInit(int generation) {
  const int r = Result("PelvarInit", 1);
  testbed::Journal(PROBE_NAME, "PelvarInit(%d) = %d", generation, r);
  return r;
}

int __cdecl PelvarRadio(int on) {
  const int r = Result("PelvarRadio", 1);
  testbed::Journal(PROBE_NAME, "PelvarRadio(%d) = %d", on, r);
  return r;
}

int __cdecl InitRessin(int generation) {
  const int r = Result("InitRessin", 1);
  testbed::Journal(PROBE_NAME, "InitRessin(%d) = %d", generation, r);
  return r;
}

int __cdecl UnInitRessin() {
  const int r = Result("UnInitRessin", 1);
  testbed::Journal(PROBE_NAME, "UnInitRessin() = %d", r);
  return r;
}

int __cdecl WLANOnOff(int on) {
  const int r = Result("WLANOnOff", 1);
  testbed::Journal(PROBE_NAME, "WLANOnOff(%d) = %d", on, r);
  return r;
}

int __cdecl SwitchNextScheme() {
  const int r = Result("SwitchNextScheme", 0);
  testbed::Journal(PROBE_NAME, "SwitchNextScheme() = %d", r);
  return r;
}

}  // extern "C"
