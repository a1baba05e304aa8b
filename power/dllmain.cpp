#include <windows.h>

#include "framework.h"
#include "pallionapp.h"

CPallionApp theApp;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    return framework::AttachLibrary(instance);
  }
  if (reason == DLL_PROCESS_DETACH) framework::DetachLibrary();
  return TRUE;
}
