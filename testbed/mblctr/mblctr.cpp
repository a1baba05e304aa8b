// The Mobility Center stand-in: it only has to be running. It journals its
// start and runs until the event "TestbedMblctrExit" is signalled or it is
// ended.
#include <windows.h>

#include "journal.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  testbed::Journal("mblctr", "start");
  HANDLE quit = CreateEventW(nullptr, TRUE, FALSE, L"TestbedMblctrExit");
  if (!quit) return 1;
  WaitForSingleObject(quit, INFINITE);
  CloseHandle(quit);
  testbed::Journal("mblctr", "exit");
  return 0;
}
