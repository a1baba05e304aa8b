// The end of the service: everything it bound is released in its fixed order,
// whatever was missing and whatever the hotkey thread was doing.
#include "service_fixture.h"

namespace {

class Teardown : public FullNotebookTest {
 protected:
  // The journal lines written after the close was asked for.
  std::vector<std::string> CallsSince(size_t first) {
    auto calls = testkit::JournalCalls();
    calls.erase(calls.begin(), calls.begin() + std::min(first, calls.size()));
    return calls;
  }
};

TEST_F(Teardown, ReleasesInItsFixedOrder) {
  HWND hwnd = StartService();
  ASSERT_NE(nullptr, hwnd);
  const size_t before = testkit::JournalCalls().size();
  CloseService(hwnd);
  const std::vector<std::string> expected = {
      "QKBD UnHook()",
      "QKBD DllMain(PROCESS_DETACH, FreeLibrary)",
      "Sorrel DllMain(PROCESS_DETACH, FreeLibrary)",
      "Fennic DllMain(PROCESS_DETACH, FreeLibrary)",
      "Ressin UnInitRessin() = 1",
      "Ressin DllMain(PROCESS_DETACH, FreeLibrary)",
      "Pallion DllMain(PROCESS_DETACH, FreeLibrary)",
      // Never freed by the service: they go with the process.
      "Lumex DllMain(PROCESS_DETACH, exit)",
  };
  const auto calls = CallsSince(before);
  ASSERT_EQ(expected.size(), calls.size()) << ::testing::PrintToString(calls);
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(expected[i], calls[i]);
}

TEST_F(Teardown, EndsCleanlyWithNoneOfTheOptionalLibraries) {
  testkit::InstallApp({L"Torvan.exe", L"testbed\\TARNACPIDLL32.dll"});
  HWND hwnd = StartService();
  ASSERT_NE(nullptr, hwnd);
  CloseService(hwnd);
  EXPECT_EQ(nullptr, FindWindowW(L"Torvan", L"Torvan"));
  EXPECT_EQ(nullptr, FindWindowW(L"FakeWndPM", nullptr));
}

TEST_F(Teardown, HookLibraryWithoutUnHookStaysLoaded) {
  testkit::InstallApp({L"Torvan.exe", L"testbed\\TARNACPIDLL32.dll",
                       L"testbed\\variants\\no-unhook\\QKBD.dll", L"testbed\\Sorrel.dll"});
  HWND hwnd = StartService();
  ASSERT_NE(nullptr, hwnd);
  EXPECT_GE(testkit::JournalIndex(testkit::JournalCalls(), "QKBD InitHook()"), 0);
  const size_t before = testkit::JournalCalls().size();
  CloseService(hwnd);
  const auto calls = CallsSince(before);
  const int sorrelFreed =
      testkit::JournalIndex(calls, "Sorrel DllMain(PROCESS_DETACH, FreeLibrary)");
  const int hookAtExit = testkit::JournalIndex(calls, "QKBD DllMain(PROCESS_DETACH, exit)");
  EXPECT_GE(sorrelFreed, 0);
  EXPECT_GT(hookAtExit, sorrelFreed) << "the hook's code must outlive the teardown";
  EXPECT_EQ(-1, testkit::JournalIndex(calls, "QKBD DllMain(PROCESS_DETACH, FreeLibrary)"));
}

TEST_F(Teardown, EndsCleanlyWhileKeysAreBeingHandled) {
  HWND hwnd = StartService();
  ASSERT_NE(nullptr, hwnd);
  std::vector<DWORD> codes(100, 48);
  ASSERT_TRUE(testbed::InjectCodes(codes.data(), codes.size()));
  ASSERT_TRUE(WaitForReads(2, 5000));
  CloseService(hwnd);
  // The hotkey thread stopped with the service: the rest stays queued.
  const TarnAcpiStats stats = DriverStats();
  EXPECT_LT(stats.readsServed, 100u);
  EXPECT_EQ(0u, stats.readsFailed);
  EXPECT_GE(testkit::JournalIndex(testkit::JournalCalls(),
                                  "Pallion DllMain(PROCESS_DETACH, FreeLibrary)"),
            0);
}

// A hotkey thread that does not stop in time may still come back into what it was
// using: Ressin is neither uninitialised nor freed under it, nor are the
// touchpad libraries; they go with the process. Held here inside Intel's
// interface, through the real Lumex: neither is that interface released at exit,
// under the loader lock, while the thread may have been inside it.
TEST_F(Teardown, AStuckHotkeyThreadKeepsWhatItMayStillUse) {
  ASSERT_TRUE(PlaceBeside(L"Lumex.dll"));
  testkit::SetKnob("igfx", "Present", 1);
  testkit::SetKnob("igfx", "ChangeDelayMs", 60000);
  HWND hwnd = StartService();
  ASSERT_NE(nullptr, hwnd);
  DWORD code = 99;
  ASSERT_TRUE(testbed::InjectCodes(&code, 1));
  ASSERT_TRUE(testkit::WaitForJournal("igfx ChangeActiveDevices taking 60000 ms", 10000));
  const size_t before = testkit::JournalCalls().size();
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(service_.WaitForExit(30000)) << "the teardown waits for the thread, not forever";
  // Nothing it kept was released under it on the way out.
  EXPECT_EQ(0u, service_.ExitCode());
  const auto calls = CallsSince(before);
  EXPECT_EQ(-1, testkit::JournalIndex(calls, "Ressin UnInitRessin()"));
  for (const char* kept : {"Ressin", "Sorrel", "Fennic"}) {
    EXPECT_GE(testkit::JournalIndex(calls, std::string(kept) + " DllMain(PROCESS_DETACH, exit)"), 0)
        << kept << "\n"
        << ::testing::PrintToString(calls);
  }
  EXPECT_GE(testkit::JournalIndex(calls, "Pallion DllMain(PROCESS_DETACH, FreeLibrary)"), 0)
      << "what the thread never uses still goes";
  EXPECT_FALSE(testkit::Contains(calls, "igfx Release(")) << ::testing::PrintToString(calls);
}

TEST_F(Teardown, OsdWindowAndItsClassAreGone) {
  HWND hwnd = StartService();
  ASSERT_NE(nullptr, hwnd);
  ASSERT_NE(nullptr, FindWindowW(L"FakeWndPM", nullptr));
  CloseService(hwnd);
  EXPECT_EQ(nullptr, FindWindowW(L"FakeWndPM", nullptr));
}

}  // namespace
