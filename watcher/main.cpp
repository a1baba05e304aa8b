#include <windows.h>

#include "tandrel.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Before anything is loaded: the working directory is never searched for a
  // library, ours or one that a system library pulls in later.
  SetDllDirectoryW(L"");
  return tandrel::TandrelMain(instance);
}
