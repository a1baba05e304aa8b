// Keys pressed on the simulated notebook, seen through the stand-ins' journal and
// the OSD window of the real Torvan.exe.
#pragma once

#include "../service/service_fixture.h"
#include "contract.h"
#include "handles.h"

constexpr wchar_t kIntelAdapter[] = L"PCI\\VEN_8086&DEV_4229&SUBSYS_11018086&REV_61";

class DispatchTest : public FullNotebookTest {
 protected:
  // Starts the service with the current installation and knobs.
  void Start() {
    hwnd_ = StartService();
    ASSERT_NE(nullptr, hwnd_);
    osd_ = FindWindowW(L"FakeWndPM", nullptr);
    ASSERT_NE(nullptr, osd_);
    journalBefore_ = testkit::JournalCalls().size();
  }

  void Press(DWORD code) {
    readsBefore_ = DriverStats().readsServed;
    ASSERT_TRUE(testbed::InjectCodes(&code, 1));
  }

  void WaitRead() { ASSERT_TRUE(WaitForReads(readsBefore_ + 1, 5000)); }

  // What must show may take this long: it is reached only when it never does, and a
  // display-mode change under Wine holds the display thread's window calls for
  // seconds, longer on a loaded machine.
  static constexpr DWORD kTimeToShow = 15000;
  // What must not show is given this long to show.
  static constexpr DWORD kTimeGivenToShow = 2500;

  // True when the OSD appears within the time, then waits for it to go.
  bool OsdShown(DWORD withinMs = kTimeToShow) {
    const bool shown = testkit::WaitUntil([&] { return IsWindowVisible(osd_) != FALSE; }, withinMs);
    if (shown) testkit::WaitUntil([&] { return !IsWindowVisible(osd_); }, kTimeToShow);
    return shown;
  }

  // The mail client the mail key looks up, as the mail program's installer names it.
  static void SetDefaultMailClient(const wchar_t* name) {
    ASSERT_TRUE(testkit::SetMachineString(L"SOFTWARE\\Clients\\Mail", name));
  }

  // Press a key and tell whether it was confirmed on screen.
  bool PressShowsOsd(DWORD code, DWORD withinMs = kTimeToShow) {
    Press(code);
    WaitRead();
    return OsdShown(withinMs);
  }

  // Journal lines since Start().
  std::vector<std::string> Calls() {
    auto calls = testkit::JournalCalls();
    calls.erase(calls.begin(), calls.begin() + std::min(journalBefore_, calls.size()));
    return calls;
  }

  bool Called(const std::string& text) { return testkit::Contains(Calls(), text); }

  // Until the lines since Start() hold text n times; false on time-out. For what
  // must not happen, the time-out is how long it is given to show.
  bool WaitForCalls(const std::string& text, int n, DWORD timeoutMs) {
    return testkit::WaitUntil([&] { return testkit::CountCalls(Calls(), text) >= n; }, timeoutMs);
  }

  bool StillRunning() {
    DWORD_PTR ignored = 0;
    return !service_.WaitForExit(0) &&
           SendMessageTimeoutW(hwnd_, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored) != 0;
  }

  HWND hwnd_ = nullptr;
  HWND osd_ = nullptr;
  size_t journalBefore_ = 0;
  unsigned readsBefore_ = 0;
};
