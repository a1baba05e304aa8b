// The journal and knobs as plain C exports of "TestbedJournal.dll", for stand-ins
// built with another compiler than the testbed's (a vendor's Microsoft-ABI C++
// library): C calls are the same in both ABIs, C++ classes and runtimes are not.
// Written without <windows.h>, so any compiler can include it.
#pragma once

#ifdef TESTBED_JOURNAL_BUILD
#define TESTBED_JOURNAL_API __declspec(dllexport)
#else
#define TESTBED_JOURNAL_API __declspec(dllimport)
#endif

extern "C" {

// As testbed::Journal: one line "<call>" under the component, printf-formatted.
TESTBED_JOURNAL_API void __cdecl TestbedJournal(const char* component, const char* format, ...);
// As testbed::KnobDword and testbed::SetKnobDword.
TESTBED_JOURNAL_API unsigned long __cdecl TestbedKnobDword(const char* component, const char* name,
                                                           unsigned long fallback);
TESTBED_JOURNAL_API void __cdecl TestbedSetKnobDword(const char* component, const char* name,
                                                     unsigned long value);
}
