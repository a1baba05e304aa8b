// Programs the service starts: the browser, the brand's information menu and a
// mail client. Each only records that it was started, and with what, then ends.
#include <windows.h>

#include "journal.h"

#ifndef PROGRAM_NAME
#error "PROGRAM_NAME names the program"
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int show) {
  testbed::Journal(PROGRAM_NAME, "Started(%s, show=%d)", commandLine, show);
  return 0;
}
