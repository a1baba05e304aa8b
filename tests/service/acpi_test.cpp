// The ACPI driver connection: message boxes when a piece is missing, and one
// read per key press once it is all there.
#include "service_fixture.h"

namespace {

class Acpi : public FullNotebookTest {
 protected:
  // Starts the service, finds the message box it reports a missing piece with,
  // checks its text and dismisses it; the window the service then runs on.
  HWND StartReporting(const wchar_t* caption, const wchar_t* text) {
    service_ = testkit::StartProgram(testkit::AppPath(L"Torvan.exe"));
    EXPECT_TRUE(service_.Started());
    HWND box = testkit::WaitForDialog(caption, service_.Id(), 10000);
    EXPECT_NE(nullptr, box) << "no message box captioned as expected";
    bool found = false;
    for (const auto& t : testkit::ChildTexts(box)) found |= t == text;
    EXPECT_TRUE(found) << "message text not shown";
    if (box) PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(testkit::WaitUntil([&] { return !IsWindow(box); }, 10000));
    return testkit::WaitForWindow(L"Torvan", L"Torvan", 5000);
  }

  void ExpectNoHotkeyLoop() {
    const unsigned wasServed = DriverStats().readsServed;
    const DWORD code = 48;
    ASSERT_TRUE(testbed::InjectCodes(&code, 1));
    EXPECT_FALSE(WaitForReads(wasServed + 1, 1000)) << "a key was read without the event";
    EXPECT_EQ(0u, DriverStats().registerCount);
  }

  // Nothing is left in the driver's queue.
  void ExpectAllRead(unsigned served, unsigned failed) {
    const TarnAcpiStats stats = DriverStats();
    EXPECT_EQ(served, stats.readsServed);
    EXPECT_EQ(failed, stats.readsFailed);
    EXPECT_EQ(0u, stats.codesQueued);
  }
};

TEST_F(Acpi, MissingAccessLibraryIsReportedAndTheServiceRunsOn) {
  testkit::InstallApp({L"Torvan.exe", L"testbed\\QKBD.dll", L"testbed\\probes\\Lumex.dll"});
  HWND hwnd = StartReporting(L"Hotkey", L"Load ACPIDriverDLL Error");
  ASSERT_NE(nullptr, hwnd);
  EXPECT_FALSE(service_.WaitForExit(200));
  EXPECT_EQ(0u, DriverStats().helloCount);
  ExpectNoHotkeyLoop();
  CloseService(hwnd);
}

TEST_F(Acpi, DriverThatWillNotOpenIsReported) {
  testkit::SetKnob("acpi", "LoadDriver", 0);
  HWND hwnd = StartReporting(L"Hotkey", L"Load ACPIDriver Error");
  ASSERT_NE(nullptr, hwnd);
  EXPECT_EQ(0u, DriverStats().helloCount);
  ExpectNoHotkeyLoop();
  CloseService(hwnd);
}

TEST_F(Acpi, NotifyEventThatCannotBeCreatedIsReported) {
  // Another kind of object already holds the name.
  HANDLE squatter = CreateMutexW(nullptr, FALSE, L"MERA EVENT");
  ASSERT_NE(nullptr, squatter);
  HWND hwnd = StartReporting(L"Torvan", L"[Hotkey]Can't create Event object for ACPI driver");
  ASSERT_NE(nullptr, hwnd);
  EXPECT_EQ(1u, DriverStats().helloCount) << "the driver was opened and greeted";
  ExpectNoHotkeyLoop();
  CloseService(hwnd);
  CloseHandle(squatter);
}

TEST_F(Acpi, DriverIsGreetedOnceAndGetsTheEvent) {
  HWND hwnd = StartService();
  ASSERT_NE(nullptr, hwnd);
  const TarnAcpiStats stats = DriverStats();
  EXPECT_EQ(1u, stats.helloCount);
  EXPECT_EQ(1u, stats.registerCount);
  EXPECT_EQ(1u, stats.eventRegistered);
  HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, L"MERA EVENT");
  EXPECT_NE(nullptr, event) << "the notify event carries its name";
  if (event) CloseHandle(event);
}

TEST_F(Acpi, EachPressIsReadExactlyOnce) {
  ASSERT_NE(nullptr, StartService());
  for (DWORD code : {48u, 49u, 50u}) {
    ASSERT_TRUE(testbed::InjectCodes(&code, 1));
    Sleep(80);  // a signal of its own for each
  }
  ASSERT_TRUE(WaitForReads(3, 5000));
  EXPECT_EQ(50u, DriverStats().lastCode);
  PressAndWaitHandled({});
  ExpectAllRead(4, 0);
}

// Forty hibernate keys at once: each is read on its own and each asks for
// hibernation (suspend and force false) only after enabling the shutdown privilege.
TEST_F(Acpi, ABurstOfHibernateKeysIsReadAndHandledOneByOne) {
  testkit::InstallApp(
      {L"Torvan.exe", L"testbed\\TARNACPIDLL32.dll", L"testbed\\variants\\watch\\QKBD.dll"});
  ASSERT_NE(nullptr, StartService());
  std::vector<DWORD> codes(40, 110);
  ASSERT_TRUE(testbed::InjectCodes(codes.data(), codes.size()));
  // Each key takes its 50 ms pause before the next read.
  const char kHibernate[] = "Platform SetSystemPowerState(0, 0) = 1, SeShutdownPrivilege enabled";
  ASSERT_TRUE(testkit::WaitForJournal("Platform SetSystemPowerState(", 30000, 40));
  const auto calls = testkit::JournalCalls("Platform");
  const int first = testkit::JournalIndex(calls, "Platform AdjustTokenPrivileges(");
  ASSERT_TRUE(first >= 0 && calls.size() - first == 80u) << ::testing::PrintToString(calls);
  for (auto call = calls.begin() + first; call != calls.end(); call += 2) {
    EXPECT_EQ(
        "Platform AdjustTokenPrivileges(0, [SeShutdownPrivilege 0x2], 0, null, null) = 1 error 0",
        call[0]);
    EXPECT_EQ(kHibernate, call[1]);
  }
  ExpectAllRead(40, 0);
}

TEST_F(Acpi, AFailedReadIsSkippedAndTheNextKeyStillArrives) {
  ASSERT_NE(nullptr, StartService());
  ASSERT_TRUE(testbed::FailNextReads(1));
  DWORD code = 48;
  ASSERT_TRUE(testbed::InjectCodes(&code, 1));
  ASSERT_TRUE(WaitForReads(1, 5000, &TarnAcpiStats::readsFailed));
  code = 49;
  ASSERT_TRUE(testbed::InjectCodes(&code, 1));
  // The failed read consumed nothing: both codes are served, in order.
  ASSERT_TRUE(WaitForReads(2, 5000));
  EXPECT_EQ(49u, DriverStats().lastCode);
  PressAndWaitHandled({});
  ExpectAllRead(3, 1);
}

}  // namespace
