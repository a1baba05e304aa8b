// Notify codes that need no audio: notices, launches, WLAN, display, touchpad,
// hibernate, and what a missing piece does to them.
#include "dispatch_fixture.h"

namespace {

using Notices = DispatchTest;

TEST_F(Notices, LevelNoticesAndFixedNoticesAreConfirmed) {
  Start();
  for (DWORD code : {17u, 31u, 32u, 46u, 51u, 52u, 87u, 88u, 125u, 126u})
    EXPECT_TRUE(PressShowsOsd(code)) << code;
}

TEST_F(Notices, CodesOutsideTheTableAreIgnored) {
  Start();
  for (DWORD code : {0u, 16u, 47u, 53u, 96u, 100u, 108u, 127u, 0xFFFFFFFFu})
    EXPECT_FALSE(PressShowsOsd(code, kTimeGivenToShow)) << code;
  EXPECT_TRUE(Calls().empty()) << ::testing::PrintToString(Calls());
  EXPECT_TRUE(StillRunning());
}

TEST_F(Notices, HibernateIsConfirmedWithAnEmptyPicture) {
  Start();
  EXPECT_TRUE(PressShowsOsd(110));
  EXPECT_TRUE(StillRunning());
}

// The watching hook library sees the apartment the hotkey thread launches in.
class Launch : public DispatchTest {
 protected:
  void SetUp() override {
    DispatchTest::SetUp();
    ASSERT_TRUE(PlaceBeside(L"testbed\\variants\\watch\\QKBD.dll"));
  }
  // The launch of a file whose path ends in file, inside an apartment of its own,
  // opened before and closed after.
  void ExpectLaunchedInAnApartment(const std::string& file) {
    ASSERT_TRUE(WaitForCalls("Platform CoUninitialize()", 1, 5000));
    const auto calls = Calls();
    const int opened = testkit::JournalIndex(calls, "Platform CoInitializeEx(0x6) = 0x0");
    const int launched = testkit::JournalIndex(calls, "Platform ShellExecuteW(open, ");
    const int closed = testkit::JournalIndex(calls, "Platform CoUninitialize()");
    EXPECT_TRUE(opened >= 0 && opened < launched && launched < closed)
        << ::testing::PrintToString(calls);
    if (launched >= 0) {
      EXPECT_NE(std::string::npos, calls[launched].find(file + ")")) << calls[launched];
    }
    EXPECT_EQ(1, testkit::CountCalls(calls, "Platform CoInitializeEx("));
  }
};

TEST_F(Launch, MailKeyStartsTheDefaultMailClient) {
  SetDefaultMailClient(L"Quillmail");
  Start();
  EXPECT_TRUE(PressShowsOsd(80));
  EXPECT_TRUE(testkit::WaitForJournal("Quillmail Started(", 5000));
  ExpectLaunchedInAnApartment("\\Quillmail.exe");
}

TEST_F(Launch, NoMailClientStillConfirmsAndStartsNothing) {
  SetDefaultMailClient(L"No Such Client");
  Start();
  EXPECT_TRUE(PressShowsOsd(80));
  EXPECT_FALSE(WaitForCalls("Started(", 1, 2000));
  EXPECT_TRUE(StillRunning());
}

TEST_F(Launch, BrowserKeyStartsTheBrowserWhenTheMethodSaysZero) {
  testkit::SetKnob("acpi", "ORMX", 0);
  Start();
  EXPECT_TRUE(PressShowsOsd(81));
  EXPECT_TRUE(testkit::WaitForJournal("iexplore Started(", 5000));
  EXPECT_TRUE(Called("acpi None_Method_Raw(ORMX) = 1"));
  ExpectLaunchedInAnApartment("iexplore.exe");
}

TEST_F(Launch, BrowserKeyStartsTheInformationMenuWhenTheMethodSaysOne) {
  testkit::SetKnob("acpi", "ORMX", 1);
  Start();
  EXPECT_TRUE(PressShowsOsd(81));
  EXPECT_TRUE(testkit::WaitForJournal("Yarrow Started(", 5000));
  EXPECT_FALSE(Called("iexplore"));
}

TEST_F(Launch, AFailingMethodLaunchesTheBrowser) {
  testkit::SetKnob("acpi", "ORMXFail", 1);
  Start();
  EXPECT_TRUE(PressShowsOsd(81));
  EXPECT_TRUE(testkit::WaitForJournal("iexplore Started(", 5000));
}

// A method that writes no result leaves the preset, all bits set: not 0 or 1 either.
TEST_F(Launch, OtherMethodResultsLaunchNothingButStillConfirm) {
  Start();
  EXPECT_TRUE(PressShowsOsd(81));
  EXPECT_TRUE(Called("acpi None_Method_Raw(ORMX) = 1 result=unchanged"));
  testkit::SetKnob("acpi", "ORMX", 2);
  EXPECT_TRUE(PressShowsOsd(81));
  EXPECT_FALSE(WaitForCalls("Started(", 1, 2000));
}

class Wlan : public DispatchTest {
 protected:
  void SetUp() override {
    DispatchTest::SetUp();
    testkit::SetNetAdapters({kIntelAdapter});
  }
};

// With no result written the preset, all bits set, reads as on.
TEST_F(Wlan, ToggleReadsTheStateAndSwitchesTheOtherWay) {
  Start();
  EXPECT_TRUE(PressShowsOsd(93));
  EXPECT_TRUE(WaitForCalls("Ressin WLANOnOff(0)", 1, 5000));
  EXPECT_TRUE(Called("acpi None_Method_Raw(RSTS) = 1 result=unchanged"));
  testkit::SetKnob("acpi", "RSTS", 0xFFFFFFFE);
  EXPECT_TRUE(PressShowsOsd(93));
  EXPECT_TRUE(WaitForCalls("Ressin WLANOnOff(1)", 1, 5000));
  testkit::SetKnob("acpi", "RSTS", 1);
  EXPECT_TRUE(PressShowsOsd(93));
  EXPECT_TRUE(WaitForCalls("Ressin WLANOnOff(0)", 2, 5000));
}

TEST_F(Wlan, AFailedStateReadSwitchesNothing) {
  testkit::SetKnob("acpi", "RSTSFail", 1);
  Start();
  EXPECT_FALSE(PressShowsOsd(93, kTimeGivenToShow));
  EXPECT_TRUE(Called("acpi None_Method_Raw(RSTS) = 0"));
  EXPECT_FALSE(Called("WLANOnOff"));
}

TEST_F(Wlan, OnAndOffKeysSwitchTheRadio) {
  Start();
  EXPECT_TRUE(PressShowsOsd(94));
  EXPECT_TRUE(Called("Ressin WLANOnOff(1)"));
  EXPECT_TRUE(PressShowsOsd(95));
  EXPECT_TRUE(Called("Ressin WLANOnOff(0)"));
}

TEST_F(Wlan, WithoutAWlanAdapterTheKeysDoNothing) {
  testkit::SetNetAdapters({});
  Start();
  for (DWORD code : {93u, 94u, 95u}) EXPECT_FALSE(PressShowsOsd(code, kTimeGivenToShow)) << code;
  EXPECT_FALSE(Called("WLANOnOff"));
  EXPECT_FALSE(Called("RSTS"));
}

TEST_F(Wlan, WithoutAWlanLibraryOnlyTheOnAndOffPicturesShow) {
  testkit::SetKnob("acpi", "SFUN", 0);  // no WLAN library is loaded
  Start();
  EXPECT_FALSE(PressShowsOsd(93, kTimeGivenToShow));
  EXPECT_TRUE(PressShowsOsd(94));
  EXPECT_TRUE(PressShowsOsd(95));
  EXPECT_FALSE(Called("Ressin"));
}

using Display = DispatchTest;

TEST_F(Display, EachDisplayKeyAsksForItsLayout) {
  Start();
  EXPECT_TRUE(PressShowsOsd(97));
  EXPECT_TRUE(PressShowsOsd(98));
  EXPECT_TRUE(PressShowsOsd(99));
  const auto calls = Calls();
  const int panel = testkit::JournalIndex(calls, "Lumex OnMonitorLayout(2)");
  const int external = testkit::JournalIndex(calls, "Lumex OnMonitorLayout(1)");
  const int both = testkit::JournalIndex(calls, "Lumex OnMonitorLayout(3)");
  EXPECT_GE(panel, 0);
  EXPECT_GT(external, panel);
  EXPECT_GT(both, external);
}

TEST_F(Display, WithoutTheDisplayLibraryThePicturesStillShow) {
  testkit::InstallApp({L"Torvan.exe", L"testbed\\TARNACPIDLL32.dll"});
  Start();
  for (DWORD code : {97u, 98u, 99u}) EXPECT_TRUE(PressShowsOsd(code)) << code;
  EXPECT_TRUE(StillRunning());
}

using Touchpad = DispatchTest;

TEST_F(Touchpad, SorrelAnswersFirst) {
  testkit::SetKnob("Sorrel", "TouchPadCtrl", 777);
  Start();
  EXPECT_TRUE(PressShowsOsd(107));
  EXPECT_TRUE(Called("Sorrel TouchPadCtrl(1) = 777"));
  EXPECT_FALSE(Called("Fennic TouchPadCtrl"));
}

TEST_F(Touchpad, FennicIsAskedWhenSorrelDidNothing) {
  testkit::SetKnob("Fennic", "TouchPadCtrl", kTouchPadTurnedOn);
  Start();
  EXPECT_TRUE(PressShowsOsd(107));
  const auto calls = Calls();
  EXPECT_LT(testkit::JournalIndex(calls, "Sorrel TouchPadCtrl(1) = 0"),
            testkit::JournalIndex(calls, "Fennic TouchPadCtrl(1) = 541"));
}

TEST_F(Touchpad, OnlyFennicPresentUsesItsResult) {
  testkit::InstallApp(
      {L"Torvan.exe", L"testbed\\TARNACPIDLL32.dll", L"testbed\\probes\\Fennic.dll"});
  testkit::SetKnob("Fennic", "TouchPadCtrl", kTouchPadTurnedOff);
  Start();
  EXPECT_TRUE(PressShowsOsd(107));
  EXPECT_TRUE(Called("Fennic TouchPadCtrl(1) = 542"));
}

TEST_F(Touchpad, NothingDoneMeansNoPicture) {
  Start();
  EXPECT_FALSE(PressShowsOsd(107, kTimeGivenToShow));  // both answer 0
  EXPECT_TRUE(Called("Fennic TouchPadCtrl(1) = 0"));
}

TEST_F(Touchpad, NeitherLibraryMeansNothingHappens) {
  testkit::InstallApp({L"Torvan.exe", L"testbed\\TARNACPIDLL32.dll"});
  Start();
  EXPECT_FALSE(PressShowsOsd(107, kTimeGivenToShow));
  EXPECT_TRUE(StillRunning());
}

using Robustness = DispatchTest;

// Each key costs the service its 50 ms pause, so the burst is one the driver's
// queue holds whole: every code is read, none is lost, the last one last.
TEST_F(Robustness, ABurstOfRandomCodesIsReadToTheLastAndLeavesTheServiceResponsive) {
  Start();
  std::vector<DWORD> codes(300);
  static_assert(300 <= TARN_ACPI_QUEUE_CAPACITY, "the burst fits the driver's queue");
  DWORD seed = 0x12345678;
  for (auto& code : codes) {
    seed = seed * 1664525 + 1013904223;  // full 32-bit range
    code = seed;
  }
  ASSERT_TRUE(testbed::InjectCodes(codes.data(), codes.size()));
  EXPECT_TRUE(WaitForReads(codes.size(), 60000));
  const TarnAcpiStats stats = DriverStats();
  EXPECT_EQ(codes.size(), stats.codesInjected);
  EXPECT_EQ(0u, stats.codesDropped);
  EXPECT_EQ(codes.back(), stats.lastCode);
  EXPECT_TRUE(StillRunning());
  CloseService(hwnd_);
}

}  // namespace
