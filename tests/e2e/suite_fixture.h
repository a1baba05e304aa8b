// The whole suite on the simulated notebook: the real Torvan.exe with the real
// libraries and pictures beside it, the notebook's own outside libraries as
// journal-only stand-ins, and the vendors' stand-ins where a test puts them.
#pragma once

#include <string>
#include <vector>

#include "../dispatch/dispatch_fixture.h"
#include "journal.h"
#include "notebook_fixture.h"

using testkit::SetStringKnob;

class SuiteTest : public DispatchTest {
 protected:
  void SetUp() override {
    DispatchTest::SetUp();
    InstallSuite();
  }

  static void InstallSuite() {
    testkit::InstallApp({L"Torvan.exe", L"testbed\\TARNACPIDLL32.dll", L"testbed\\QKBD.dll",
                         L"testbed\\Sorrel.dll", L"testbed\\Pelvara.dll", L"Lumex.dll",
                         L"Fennic.dll", L"Ressin.dll", L"Pelvari.dll", L"Pallion.dll",
                         L"Pictor.dll"});
  }

  // Removes one installed file, for the "missing piece" cases.
  static bool RemoveInstalled(const wchar_t* name) {
    return DeleteFileW(testkit::AppPath(name).c_str()) != FALSE;
  }

  static DWORD Knob(const char* component, const std::string& name, DWORD fallback = 0xDEADBEEF) {
    return testbed::KnobDword(component, name.c_str(), fallback);
  }

  // Journal lines since Start() that contain text.
  int CountCalls(const std::string& text) { return testkit::CountCalls(Calls(), text); }

  // Until n lines since Start() contain text (the second dispatch runs after the
  // OSD was requested, so an action may still be under way when the OSD shows).
  bool WaitForCalls(const std::string& text, int n, DWORD timeoutMs = 5000) {
    const int before = testkit::CountCalls(testkit::JournalCalls(), text) - CountCalls(text);
    return testkit::WaitForJournal(text, timeoutMs, before + n);
  }

  // After a key, true when the OSD shows up again within the time: one request
  // is one display cycle.
  bool OsdShowsAgainWithin(DWORD ms) {
    return testkit::WaitUntil([&] { return IsWindowVisible(osd_) != FALSE; }, ms);
  }
};
