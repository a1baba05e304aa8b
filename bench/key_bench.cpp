// The real Torvan.exe on the simulated notebook (run inside a test prefix):
//  - start-up: program start -> main window findable, over 20 starts;
//  - key-event overhead: injection -> the touchpad library is called (its journal
//    line), minus the 50 ms pause every key takes, over N presses;
//  - idle cost: the service's CPU time over 60 s with no key pressed.
// usage: key_bench [N] [idle seconds]
#include <cstdlib>
#include <string>

#include "acpi_client.h"
#include "bench_util.h"
#include "notebook.h"

namespace {

unsigned long long SystemMicros() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return ((unsigned long long)now.dwHighDateTime << 32 | now.dwLowDateTime) / 10;
}

double CpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(process, &created, &exited, &kernel, &user);
  auto ms = [](FILETIME t) { return double((ULONGLONG)t.dwHighDateTime << 32 | t.dwLowDateTime) / 1e4; };
  return ms(kernel) + ms(user);
}

}  // namespace

int main(int argc, char** argv) {
  const int presses = argc > 1 ? atoi(argv[1]) : 1000;
  const int idleSeconds = argc > 2 ? atoi(argv[2]) : 60;
  testkit::KillProcesses(L"Torvan.exe");
  testkit::ClearKnobs();
  testkit::ResetJournal();
  testbed::ResetDriver();
  testkit::InstallApp({L"Torvan.exe", L"Pictor.dll", L"testbed\\TARNACPIDLL32.dll",
                       L"testbed\\Sorrel.dll"});

  std::vector<double> startup;
  for (int i = 0; i < 20; ++i) {
    const double start = NowMs();
    testkit::Process service = testkit::StartProgram(testkit::AppPath(L"Torvan.exe"));
    if (!testkit::WaitForWindow(L"Torvan", L"Torvan", 10000)) {
      fprintf(stderr, "key_bench: no window\n");
      return 1;
    }
    startup.push_back(NowMs() - start);
    service.Kill();
  }
  Report("start -> main window findable", startup);

  testbed::ResetDriver();
  testkit::Process service = testkit::StartProgram(testkit::AppPath(L"Torvan.exe"));
  HWND hwnd = testkit::WaitForWindow(L"Torvan", L"Torvan", 10000);
  DWORD_PTR ignored;
  SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &ignored);

  std::vector<double> overhead;
  for (int i = 0; i < presses; ++i) {
    testkit::ResetJournal();
    const DWORD code = 107;  // touchpad: Sorrel answers 0, so no picture follows
    const unsigned long long injected = SystemMicros();
    testbed::InjectCodes(&code, 1);
    unsigned long long reached = 0;
    for (int tries = 0; tries < 5000 && !reached; ++tries) {
      for (const auto& line : testkit::ReadJournal())
        if (line.component == "Sorrel" && line.call.rfind("TouchPadCtrl", 0) == 0) reached = line.micros;
      if (!reached) Sleep(1);
    }
    if (!reached) {
      fprintf(stderr, "key_bench: press %d never reached the touchpad library\n", i);
      return 1;
    }
    overhead.push_back(double(reached - injected) / 1000.0 - 50.0);
  }
  Report("key event -> action, minus the 50 ms pause", overhead);

  const double cpuBefore = CpuMs(service.Handle());
  Sleep(DWORD(idleSeconds) * 1000);
  const double cpuAfter = CpuMs(service.Handle());
  printf("%-48s %.1f ms CPU over %d s\n", "idle service", cpuAfter - cpuBefore, idleSeconds);
  service.Kill();
  return 0;
}
