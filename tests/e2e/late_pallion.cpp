// A "Pallion.dll" whose unloading takes a while. The service frees the power
// library after the WLAN library, so with this one in place the process outlives
// Ressin.dll's unloading long enough for a pending re-check thread to wake. A test
// that needs the teardown held longer sets the knob UnloadMs and lets it go with
// the event "LatePallion release".
#include <windows.h>

#include "journal.h"

namespace {
constexpr DWORD kUnloadMs = 400;
}

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // A null reserved pointer means FreeLibrary, not the end of the process.
  if (reason == DLL_PROCESS_DETACH && !reserved) {
    testbed::Journal("LatePallion", "unload begins");
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, L"LatePallion release");
    WaitForSingleObject(release, testbed::KnobDword("LatePallion", "UnloadMs", kUnloadMs));
    if (release) CloseHandle(release);
    testbed::Journal("LatePallion", "unload ends");
  }
  return TRUE;
}

int __cdecl SwitchNextScheme() { return -1; }

}  // extern "C"
