// The real Torvan.exe on the simulated notebook (run inside a test prefix):
//  - start-up: Torvan.exe start -> main window findable, over 20 starts; Tandrel.exe
//    start -> Torvan's window findable, over 10 starts;
//  - key-event overhead: the driver signals the key -> the touchpad library is
//    called (its journal line), minus the 50 ms pause every key takes, over N
//    presses;
//  - idle cost: the service's CPU time over a minute with no key pressed, as
//    Linux counts it for the service's process (a tick is 10 ms);
//  - private bytes, handles and GDI objects of the service, from outside, at start,
//    after one press of every key, and after M more presses.
// usage: key_bench [N] [idle seconds] [M] [soak codes...]  (default: every code that acts)
#include <algorithm>
#include <cstdlib>
#include <string>

#include "acpi_client.h"
#include "bench_util.h"
#include "notebook.h"

namespace {

// Every notify code that acts inside the service. Launches and hibernate are left
// out: they start other programs or would end the session on a real notebook.
const DWORD kSoakCodes[] = {17, 24, 31, 32, 39, 46, 48, 49, 50,  51,  52,
                            87, 88, 93, 94, 95, 97, 98, 99, 107, 125, 126};

// The CPU time (user and kernel) of the service's Linux process, in ms; negative
// when it cannot be told apart. Wine answers GetProcessTimes on another process
// with zeros whatever it did, so the time is read where Linux counts it: Wine
// names each process's Linux process after its .exe, and this prefix's is the
// one whose environment names this prefix. /proc counts in USER_HZ, 100 a second.
double LinuxCpuMs(const char* exeName) {
  char prefix[MAX_PATH] = {};
  const std::string ownPrefix = GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH)
                                    ? "WINEPREFIX=" + std::string(prefix)
                                    : "";
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &entry);
  if (find == INVALID_HANDLE_VALUE) return -1;
  int matches = 0;
  double ms = -1;
  do {
    // /proc's files report no size; ReadShared reads to the end.
    const std::wstring folder = std::wstring(L"Z:\\proc\\") + entry.cFileName + L"\\";
    if (entry.cFileName[0] < L'1' || entry.cFileName[0] > L'9') continue;
    if (testkit::ReadShared(folder + L"comm") != std::string(exeName) + "\n") continue;
    const std::string environment = testkit::ReadShared(folder + L"environ");
    if (!ownPrefix.empty() && environment.find(ownPrefix + '\0') == std::string::npos) continue;
    // Fields after the name in brackets: state is the 3rd field, utime the 14th,
    // stime the 15th.
    const std::string stat = testkit::ReadShared(folder + L"stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    unsigned long long utime = 0, stime = 0;
    if (sscanf(stat.c_str() + close + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu",
               &utime, &stime) != 2)
      continue;
    ++matches;
    ms = double(utime + stime) * 10.0;
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  if (matches != 1) {
    fprintf(stderr, "key_bench: %d Linux processes named %s in this prefix\n", matches, exeName);
    return -1;
  }
  return ms;
}

// The reader proved on this program's own Linux process first: a quarter second
// of its own work must show there, or a service's figure of zero would prove
// nothing.
bool LinuxCpuReadable() {
  const double before = LinuxCpuMs("key_bench.exe");
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 250;) {
  }
  const double after = LinuxCpuMs("key_bench.exe");
  fprintf(stderr, "key_bench: 250 ms of own work read as %.0f ms from /proc\n", after - before);
  return before >= 0 && after - before > 0;
}

TarnAcpiStats DriverStats() {
  TarnAcpiStats stats = {};
  stats.size = sizeof stats;
  testbed::QueryStats(&stats);
  return stats;
}

// Until the service has read every injected code, then the last key's pause and
// picture; false when the service has ended or stopped reading.
bool WaitDrained(const testkit::Process& service) {
  const DWORD start = GetTickCount();
  for (;;) {
    const TarnAcpiStats stats = DriverStats();
    if (stats.codesQueued == 0 && stats.readsServed >= stats.codesInjected) break;
    if (service.WaitForExit(0)) {
      fprintf(stderr, "key_bench: Torvan.exe ended with exit code 0x%08lx after %u reads\n",
              service.ExitCode(), stats.readsServed);
      Result("res.exit_code", service.ExitCode());
      return false;
    }
    if (GetTickCount() - start > 600000) {
      fprintf(stderr, "key_bench: Torvan.exe stopped reading keys after %u reads\n",
              stats.readsServed);
      return false;
    }
    Sleep(50);
  }
  Sleep(1000);
  return true;
}

void ReportResources(const char* when, HANDLE service) {
  const testkit::ProcessResources r = testkit::MeasureResources(service);
  const std::string key = std::string("res.") + when;
  Result((key + ".private_kb").c_str(), double(r.privateBytes) / 1024.0);
  Result((key + ".handles").c_str(), r.handles);
  Result((key + ".gdi").c_str(), r.gdiObjects);
}

HWND StartAndWait(testkit::Process& process, const wchar_t* program) {
  process = testkit::StartProgram(testkit::AppPath(program));
  return testkit::WaitForWindow(L"Torvan", L"Torvan", 10000);
}

bool MeasureStartUp() {
  std::vector<double> service, watcher;
  for (int i = 0; i < 20; ++i) {
    testkit::Process process;
    const double start = NowMs();
    if (!StartAndWait(process, L"Torvan.exe")) return false;
    service.push_back(NowMs() - start);
    process.Kill();
    process.WaitForExit(5000);
  }
  for (int i = 0; i < 10; ++i) {
    testkit::Process process;
    const double start = NowMs();
    if (!StartAndWait(process, L"Tandrel.exe")) return false;
    watcher.push_back(NowMs() - start);
    process.Kill();
    testkit::KillProcesses(L"Torvan.exe");
  }
  Report("start.torvan", "Torvan start -> main window findable", service);
  Report("start.tandrel", "Tandrel start -> Torvan window findable", watcher);
  return true;
}

unsigned long long Micros(unsigned int low, unsigned int high) {
  return ((unsigned long long)high << 32 | low) / 10;
}

// From the driver's signal (its own clock, the same one the journal uses) to the
// touchpad library's journal line; the first part is the service waking and
// reading the code, the rest its dispatch after the pause.
bool MeasureOverhead(int presses) {
  std::vector<double> overhead, pickUp;
  for (int i = 0; i < presses; ++i) {
    testkit::ResetJournal();
    const DWORD code = 107;  // touchpad: Sorrel answers 0, so no picture follows
    testbed::InjectCodes(&code, 1);
    // The journal line carries its own time, so there is no need to watch for it
    // while the key travels: polling would only compete with the service for the
    // two cores and the Wine server, and show up in the figure.
    Sleep(80);
    unsigned long long reached = 0;
    for (int tries = 0; tries < 500 && !reached; ++tries) {
      for (const auto& line : testkit::ReadJournal())
        if (line.component == "Sorrel" && line.call.rfind("TouchPadCtrl", 0) == 0)
          reached = line.micros;
      if (!reached) Sleep(10);
    }
    if (!reached) {
      fprintf(stderr, "key_bench: press %d never reached the touchpad library\n", i);
      return false;
    }
    const TarnAcpiStats stats = DriverStats();
    const unsigned long long signalled = Micros(stats.lastSignalTimeLow, stats.lastSignalTimeHigh);
    const unsigned long long read = Micros(stats.lastReadTimeLow, stats.lastReadTimeHigh);
    if (stats.size != sizeof stats || !signalled || read < signalled || reached < read) {
      fprintf(stderr, "key_bench: the driver keeps no usable times (stale driver?)\n");
      return false;
    }
    overhead.push_back(double(reached - signalled) / 1000.0 - 50.0);
    pickUp.push_back(double(read - signalled) / 1000.0);
  }
  Report("key.overhead", "key event -> action, minus the 50 ms pause", overhead);
  Report("key.pickup", "of which: signal -> code read", pickUp);
  return true;
}

// Returns how many presses the service worked through.
int PressMany(const testkit::Process& service, int presses, const std::vector<DWORD>& choice) {
  std::vector<DWORD> codes;
  DWORD seed = 0x2545F491;
  for (int i = 0; i < presses; ++i) {
    seed = seed * 1664525 + 1013904223;
    codes.push_back(choice[(seed >> 8) % choice.size()]);
  }
  // The table takes Wine's own leak of the panel-only layout call out of the count.
  Result("res.presses_97", double(std::count(codes.begin(), codes.end(), DWORD(97))));
  // In chunks the driver's queue holds.
  constexpr size_t kChunk = 1000;
  for (size_t done = 0; done < codes.size(); done += kChunk) {
    const size_t n = std::min(kChunk, codes.size() - done);
    testbed::InjectCodes(codes.data() + done, n);
    if (!WaitDrained(service)) return int(done);
    fprintf(stderr, "key_bench: %zu presses\n", done + n);
  }
  return presses;
}

}  // namespace

int main(int argc, char** argv) {
  const int presses = argc > 1 ? atoi(argv[1]) : 1000;
  const int idleSeconds = argc > 2 ? atoi(argv[2]) : 60;
  const int soakPresses = argc > 3 ? atoi(argv[3]) : 10000;
  testkit::KillProcesses(L"Torvan.exe");
  testkit::ClearKnobs();
  testkit::ResetJournal();
  testbed::ResetDriver();
  testkit::InstallApp({L"Torvan.exe", L"Tandrel.exe", L"Pictor.dll", L"testbed\\TARNACPIDLL32.dll",
                       L"testbed\\Sorrel.dll", L"testbed\\QKBD.dll", L"testbed\\Pelvara.dll",
                       L"testbed\\probes\\Lumex.dll", L"testbed\\probes\\Fennic.dll",
                       L"testbed\\probes\\Ressin.dll", L"testbed\\probes\\Pelvari.dll",
                       L"testbed\\probes\\Pallion.dll"});
  if (!MeasureStartUp()) {
    fprintf(stderr, "key_bench: no Torvan window\n");
    return 1;
  }

  testbed::ResetDriver();
  testkit::Process service;
  HWND hwnd = StartAndWait(service, L"Torvan.exe");
  DWORD_PTR ignored;
  SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &ignored);
  Sleep(1000);
  ReportResources("start", service.Handle());

  if (!MeasureOverhead(presses)) return 1;

  const bool readable = idleSeconds > 0 && LinuxCpuReadable();
  const double cpuBefore = LinuxCpuMs("Torvan.exe");
  // The service started and handled the presses: its own reading must already be
  // above zero, or an idle figure of zero would prove nothing of the service.
  fprintf(stderr, "key_bench: Torvan.exe's CPU so far read as %.0f ms from /proc\n", cpuBefore);
  Sleep(DWORD(idleSeconds) * 1000);
  const double cpuAfter = LinuxCpuMs("Torvan.exe");
  if (readable && cpuBefore > 0 && cpuAfter >= 0) Result("idle.cpu_ms", cpuAfter - cpuBefore);
  Result("idle.seconds", idleSeconds);

  testkit::ResetJournal();
  testbed::InjectCodes(kSoakCodes, sizeof kSoakCodes / sizeof kSoakCodes[0]);
  if (!WaitDrained(service)) return 1;
  ReportResources("warm", service.Handle());
  // Codes given after the counts narrow the soak down, to see which keys cost what.
  std::vector<DWORD> choice(std::begin(kSoakCodes), std::end(kSoakCodes));
  if (argc > 4) choice.clear();
  for (int i = 4; i < argc; ++i) choice.push_back(DWORD(strtoul(argv[i], nullptr, 0)));
  const int pressed = PressMany(service, soakPresses, choice);
  Result("res.presses", pressed);
  if (pressed < soakPresses) return 1;
  ReportResources("after", service.Handle());
  service.Kill();
  return 0;
}
