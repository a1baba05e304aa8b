// Programs the service starts: the browser, the brand's information menu and a
// mail client; built once more as "Planted.exe", copied by the planting test
// under the names a program could be found by in a folder it must never search.
// Each only records that it was started, with what and in which working
// directory (inherited from whoever started it), then ends.
#include <windows.h>

#include "journal.h"

#ifndef PROGRAM_NAME
#error "PROGRAM_NAME names the program"
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int show) {
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  testbed::Journal(PROGRAM_NAME, "Started(%s, show=%d, cwd=%s)", commandLine, show, folder);
  return 0;
}
