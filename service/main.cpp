#include <windows.h>

#include "vexilapp.h"

CVexilApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything is loaded: the working directory is never searched for a
  // library, ours or one that a library we load pulls in.
  SetDllDirectoryW(L"");
  return framework::RunApplication(instance);
}
