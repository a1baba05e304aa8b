// DLL planting: libraries named like every one the suite loads, planted in the
// folder the service is started from and in a folder on PATH, are never loaded —
// neither when the real one is missing nor beside it — while the real ones are,
// from beside the program and from the system folder.
#include "suite_fixture.h"

namespace {

const wchar_t* const kPlantedNames[] = {
    L"QKBD.dll",   L"Sorrel.dll",   L"TARNACPIDLL32.dll", L"Pelvara.dll", L"Lumex.dll",
    L"Fennic.dll", L"Ressin.dll",   L"Pelvari.dll",       L"Pallion.dll", L"Pictor.dll",
    L"nvapi.dll",  L"atitmmxx.dll", L"netshell.dll"};
const wchar_t kWorkingFolder[] = L"C:\\planted\\cwd";
const wchar_t kPathFolder[] = L"C:\\planted\\path";
const wchar_t kAtherosAdapter[] = L"PCI\\VEN_168C&DEV_002B&SUBSYS_30A117AA&REV_01";

class Planting : public SuiteTest {
 protected:
  void SetUp() override {
    SuiteTest::SetUp();
    CreateDirectoryW(L"C:\\planted", nullptr);
    for (const wchar_t* folder : {kWorkingFolder, kPathFolder}) {
      CreateDirectoryW(folder, nullptr);
      for (const wchar_t* name : kPlantedNames)
        ASSERT_TRUE(CopyFileW((testkit::BinDir() + L"\\testbed\\planted\\Planted.dll").c_str(),
                              (std::wstring(folder) + L"\\" + name).c_str(), FALSE));
    }
    // The graphics vendors the display key asks after Intel are nowhere but planted.
    testkit::SetKnob("igfx", "Present", 0);
    testkit::SetKnob("acpi", "SFUN", 0xFFFFFFFF);
  }

  // The service started as from a shortcut whose working folder holds the planted
  // copies, with the other folder on its PATH.
  void StartPlanted() {
    wchar_t path[4096] = {};
    GetEnvironmentVariableW(L"PATH", path, 4096);
    SetEnvironmentVariableW(L"PATH", (std::wstring(kPathFolder) + L";" + path).c_str());
    service_ = testkit::StartProgram(testkit::AppPath(L"Torvan.exe"), L"", kWorkingFolder);
    SetEnvironmentVariableW(L"PATH", path);
    ASSERT_TRUE(service_.Started());
    hwnd_ = testkit::WaitForWindow(L"Torvan", L"Torvan", 10000);
    ASSERT_NE(nullptr, hwnd_);
    DWORD_PTR ignored = 0;
    ASSERT_NE(0, SendMessageTimeoutW(hwnd_, WM_NULL, 0, 0, SMTO_BLOCK, 15000, &ignored));
    osd_ = FindWindowW(L"FakeWndPM", nullptr);
    journalBefore_ = 0;
  }

  static std::vector<std::string> Planted() { return testkit::JournalCalls("Planted"); }
};

TEST_F(Planting, NothingPlantedStandsInForAMissingLibrary) {
  // Only the program and, where the notebook may keep it, its ACPI access library.
  testkit::InstallApp({L"Torvan.exe"});
  ASSERT_TRUE(testkit::PlaceInSystemFolder(L"testbed\\TARNACPIDLL32.dll"));
  testkit::SetNetAdapters({kAtherosAdapter});  // Windows XP looks for Pelvara.dll
  StartPlanted();
  Press(99);  // the display key, with no display library
  WaitRead();
  EXPECT_TRUE(testkit::WaitForJournal("acpi One_Method_Raw(INIT, 0)", 5000))
      << "the access library from the system folder";
  EXPECT_EQ(std::vector<std::string>{}, Planted());
}

TEST_F(Planting, BesideTheRealLibrariesNothingPlantedIsLoaded) {
  testkit::SetNetAdapters({kIntelAdapter});  // Windows XP loads Pelvari.dll
  testkit::Process mobilityCenter = testkit::StartProgram(testkit::System32(L"mblctr.exe"));
  ASSERT_TRUE(testkit::WaitForJournal("mblctr start", 15000));
  StartPlanted();
  EXPECT_TRUE(PressShowsOsd(99)) << "the display library asks the graphics vendors";
  EXPECT_TRUE(testkit::WaitForJournal("QKBD InitHook()", 5000));
  EXPECT_GE(testkit::JournalIndex(testkit::JournalCalls(), "Sorrel DllMain(PROCESS_ATTACH)"), 0);
  if (LOBYTE(LOWORD(GetVersion())) >= 6) {
    // A finished scan has Ressin ask the connections manager, from the system folder.
    testkit::Process scan =
        testkit::StartProgram(testkit::System32(L"wlan-notify.exe"), L"8 7 3000");
    ASSERT_TRUE(scan.WaitForExit(8000));
    EXPECT_EQ(1u, scan.ExitCode()) << "Ressin's notification callback";
    EXPECT_FALSE(testkit::JournalCalls("netshell").empty());
  }
  EXPECT_EQ(std::vector<std::string>{}, Planted());
  mobilityCenter.Kill();
}

}  // namespace
