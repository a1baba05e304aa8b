#include "journal_exports.h"

#include <cstdarg>
#include <cstdio>

#include "journal.h"

void __cdecl TestbedJournal(const char* component, const char* format, ...) {
  char call[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(call, sizeof call, format, args);
  va_end(args);
  testbed::Journal(component, "%s", call);
}

unsigned long __cdecl TestbedKnobDword(const char* component, const char* name,
                                       unsigned long fallback) {
  return testbed::KnobDword(component, name, fallback);
}

void __cdecl TestbedSetKnobDword(const char* component, const char* name, unsigned long value) {
  testbed::SetKnobDword(component, name, value);
}
