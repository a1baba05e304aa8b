// The testbed's two channels to the tests: the journal (what a stand-in was asked)
// and knobs (what a test wants a stand-in to do).
//
// Journal: one line per call, "<microseconds> <pid> <component> <call>", appended
// with one WriteFile to the file TESTBED_JOURNAL names, so lines written by several
// processes at once never interleave. Without TESTBED_JOURNAL nothing is written.
//
// Knobs: values under HKCU\Software\Testbed\<component>, read afresh at every call.
#pragma once

#include <windows.h>

#include <string>

namespace testbed {

// printf-style; the call text should read like "InitRessin(2) = 1".
void Journal(const char* component, const char* format, ...) __attribute__((format(printf, 2, 3)));

// A DWORD knob, or fallback when the value is absent or not a DWORD.
DWORD KnobDword(const char* component, const char* name, DWORD fallback);

// A string knob (REG_SZ), or fallback when absent.
std::string KnobString(const char* component, const char* name, const char* fallback);

// Knob present at all (any type).
bool KnobExists(const char* component, const char* name);

// Writes a DWORD knob: device state a stand-in keeps across calls and processes.
void SetKnobDword(const char* component, const char* name, DWORD value);

// Keeps a stand-in DLL loaded for the rest of the process, for doubles that COM
// would otherwise load and unload at every request: each DLL's static runtime
// takes a thread-local slot at every load and never gives it back, so a few
// thousand unloads leave the process without slots and the runtime aborts.
void StayLoaded(HINSTANCE instance);

// "a1 b2 ..." for a record's bytes, as journal lines show them.
std::string HexBytes(const void* data, size_t size);

}  // namespace testbed
