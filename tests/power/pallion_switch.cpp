// A second process for persistence tests: loads the Pallion.dll named on the
// command line, calls SwitchNextScheme once and exits with its result
// (100 when the library or its entry is missing).
#include <windows.h>

#include "entry.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 100;
  HMODULE pallion = LoadLibraryW(argv[1]);
  auto switchNext = suite::GetEntry<int(__cdecl*)()>(pallion, "SwitchNextScheme");
  if (!switchNext) return 100;
  return switchNext();
}
