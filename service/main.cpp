#include <windows.h>

#include "loadpath.h"
#include "vexilapp.h"

CVexilApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // Before anything is loaded or started.
  suite::StartInProgramFolder();
  return framework::RunApplication(instance);
}
