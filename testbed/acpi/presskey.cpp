// presskey: presses notebook keys by injecting notify codes into the testbed
// ACPI driver, and reads or resets its counters for tests.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "acpi_client.h"
#include "journal.h"

namespace {

constexpr char kComponent[] = "presskey";

int Fail(const char* what) {
  fprintf(stderr, "presskey: %s failed (error %lu); is the TarnAcpi driver loaded?\n", what,
          GetLastError());
  return 1;
}

int Usage(const char* problem) {
  fprintf(stderr,
          "presskey: %s (usage: presskey KEY... | --burst N KEY | --stats | --reset | "
          "--fail-reads N | --list)\n",
          problem);
  return 1;
}

int List() {
  size_t count = 0;
  const testbed::KeyName* keys = testbed::KeyNames(&count);
  for (size_t i = 0; i < count; ++i) printf("%-17s %lu\n", keys[i].name, keys[i].code);
  for (DWORD n = 1; n <= 15; ++n) printf("level-a-%-9lu %lu\n", n, 16 + n);
  for (DWORD n = 0; n <= 14; ++n) printf("level-b-%-9lu %lu\n", n, 32 + n);
  return 0;
}

int Stats() {
  TarnAcpiStats s = {};
  if (!testbed::QueryStats(&s)) return Fail("reading stats");
  printf(
      "size=%u\nhello=%u\nregisters=%u\nevent_registered=%u\nreads_served=%u\n"
      "reads_failed=%u\ncodes_injected=%u\ncodes_dropped=%u\ncodes_queued=%u\n"
      "last_code=%u\nfail_reads_pending=%u\n",
      s.size, s.helloCount, s.registerCount, s.eventRegistered, s.readsServed, s.readsFailed,
      s.codesInjected, s.codesDropped, s.codesQueued, s.lastCode, s.failReadsPending);
  return 0;
}

int Burst(const char* countText, const char* keyText) {
  DWORD count = 0;
  DWORD code = 0;
  if (!testbed::ParseNumber(countText, &count) || count == 0 ||
      count > TARN_ACPI_QUEUE_CAPACITY * 16)
    return Usage("bad burst count");
  if (!testbed::ParseKeyName(keyText, &code)) return Usage("unknown key");
  std::vector<DWORD> codes(count, code);
  const bool ok = testbed::InjectCodes(codes.data(), codes.size());
  testbed::Journal(kComponent, "Inject(%lu x%lu) = %d", code, count, ok ? 1 : 0);
  return ok ? 0 : Fail("injecting");
}

int Press(int argc, char** argv) {
  std::vector<DWORD> codes;
  for (int i = 1; i < argc; ++i) {
    DWORD code = 0;
    if (!testbed::ParseKeyName(argv[i], &code)) return Usage("unknown key");
    codes.push_back(code);
  }
  // One request per key, so each key is a press of its own as on the notebook.
  for (DWORD code : codes) {
    const bool ok = testbed::InjectCodes(&code, 1);
    testbed::Journal(kComponent, "Inject(%lu) = %d", code, ok ? 1 : 0);
    if (!ok) return Fail("injecting");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage("nothing to do");
  const char* command = argv[1];
  if (strcmp(command, "--list") == 0 && argc == 2) return List();
  if (strcmp(command, "--stats") == 0 && argc == 2) return Stats();
  if (strcmp(command, "--reset") == 0 && argc == 2) {
    const bool ok = testbed::ResetDriver();
    testbed::Journal(kComponent, "Reset() = %d", ok ? 1 : 0);
    return ok ? 0 : Fail("resetting");
  }
  if (strcmp(command, "--fail-reads") == 0 && argc == 3) {
    DWORD n = 0;
    if (!testbed::ParseNumber(argv[2], &n)) return Usage("bad count");
    const bool ok = testbed::FailNextReads(n);
    testbed::Journal(kComponent, "FailReads(%lu) = %d", n, ok ? 1 : 0);
    return ok ? 0 : Fail("setting failing reads");
  }
  if (strcmp(command, "--burst") == 0 && argc == 4) return Burst(argv[2], argv[3]);
  if (command[0] == '-') return Usage("bad option");
  return Press(argc, argv);
}
