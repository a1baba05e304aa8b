// Installed under the service's name, "Torvan.exe", it records how it was
// started, then idles until it is ended.
#include <windows.h>

#include "journal.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const unsigned show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : 0xFFFFu;
  testbed::Journal("ServiceProbe", "start(show=%u, path=%s)", show, path);
  Sleep(INFINITE);
  return 0;
}
