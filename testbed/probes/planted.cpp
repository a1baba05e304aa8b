// A library planted where the service must never look for one: in the folder it
// was started from, or in a folder on PATH. Copied under the name of every library
// the suite loads; loaded at all, it journals where from.
#include <windows.h>

#include "journal.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(instance, path, MAX_PATH);
    testbed::Journal("Planted", "DllMain(%s)", path);
  }
  return TRUE;
}
