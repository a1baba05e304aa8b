// osdwatch: waits for the service's windows as a person would look for them.
//   osdwatch service MS   until the "Torvan" window exists and answers messages
//   osdwatch shown MS     until the "FakeWndPM" window is visible
//   osdwatch hidden MS    until no "FakeWndPM" window is visible
// Exit code 0 when it happened within MS milliseconds, 1 on time-out, 2 on misuse.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool ServiceAnswers() {
  HWND hwnd = FindWindowW(L"Torvan", L"Torvan");
  DWORD_PTR ignored = 0;
  // The dialog answers only once its initialisation (binding, driver) is over.
  return hwnd && SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_BLOCK, 1000, &ignored) != 0;
}

bool OsdVisible() {
  HWND hwnd = FindWindowW(L"FakeWndPM", nullptr);
  return hwnd && IsWindowVisible(hwnd);
}

bool OsdHidden() { return !OsdVisible(); }

// Polls often: the OSD is up for only about half a second.
bool WaitFor(bool (*condition)(), DWORD timeoutMs, DWORD* elapsedMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    *elapsedMs = GetTickCount() - start;
    if (condition()) return true;
    if (*elapsedMs >= timeoutMs) return false;
    Sleep(2);
  }
}

int Usage() {
  fprintf(stderr, "usage: osdwatch service|shown|hidden TIMEOUT_MS\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Usage();
  char* end = nullptr;
  const unsigned long timeoutMs = strtoul(argv[2], &end, 10);
  if (end == argv[2] || *end != '\0' || timeoutMs > 600000) return Usage();
  bool (*condition)() = nullptr;
  if (strcmp(argv[1], "service") == 0)
    condition = ServiceAnswers;
  else if (strcmp(argv[1], "shown") == 0)
    condition = OsdVisible;
  else if (strcmp(argv[1], "hidden") == 0)
    condition = OsdHidden;
  else
    return Usage();
  DWORD elapsed = 0;
  const bool happened = WaitFor(condition, timeoutMs, &elapsed);
  printf("%s %s after %lu ms\n", argv[1], happened ? "reached" : "not reached", elapsed);
  return happened ? 0 : 1;
}
