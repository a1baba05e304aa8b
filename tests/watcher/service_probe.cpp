// Installed under the service's name, "Torvan.exe", it records how it was
// started (with the working directory the watcher handed down), then idles until
// it is ended.
#include <windows.h>

#include "journal.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  GetStartupInfoA(&startup);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const unsigned show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : 0xFFFFu;
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  testbed::Journal("ServiceProbe", "start(show=%u, path=%s, cwd=%s)", show, path, folder);
  Sleep(INFINITE);
  return 0;
}
