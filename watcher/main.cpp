#include <windows.h>

#include "loadpath.h"
#include "tandrel.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Before anything is loaded or started.
  suite::StartInProgramFolder();
  return tandrel::TandrelMain(instance);
}
