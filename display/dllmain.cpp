// Lumex.dll's entry point.
#include <windows.h>

#include "lumex.h"

// At process exit the Intel interface is left as it is, never released: a hotkey
// thread that would not stop may have been inside it, and a DLL's exit-time
// destructors run under the loader lock, where nothing that can wait may be called.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID processExit) {
  if (reason == DLL_PROCESS_DETACH && processExit) m_pCUIExternal3.release();
  return TRUE;
}
