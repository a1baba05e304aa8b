// Planting: libraries named like every one the suite loads, planted in the folder
// the service is started from and in a folder on PATH, are never loaded —
// neither when the real one is missing nor beside it — while the real ones are,
// from beside the program and from the system folder. Programs planted there
// under the names a launch key could find them by never run, and a notify event
// another process of the session made first cannot make the service spin.
#include "suite_fixture.h"

namespace {

const wchar_t* const kPlantedNames[] = {
    L"QKBD.dll",   L"Sorrel.dll",   L"TARNACPIDLL32.dll", L"Pelvara.dll", L"Lumex.dll",
    L"Fennic.dll", L"Ressin.dll",   L"Pelvari.dll",       L"Pallion.dll", L"Pictor.dll",
    L"nvapi.dll",  L"atitmmxx.dll", L"netshell.dll"};
const wchar_t kWorkingFolder[] = L"C:\\planted\\cwd";
const wchar_t kPathFolder[] = L"C:\\planted\\path";
const wchar_t kAtherosAdapter[] = L"PCI\\VEN_168C&DEV_002B&SUBSYS_30A117AA&REV_01";
const wchar_t kBrowserKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";
const wchar_t kMailIconKey[] =
    L"SOFTWARE\\Clients\\Mail\\Quillmail\\Protocols\\mailto\\DefaultIcon";

class Planting : public SuiteTest {
 protected:
  void SetUp() override {
    SuiteTest::SetUp();
    for (const wchar_t* folder : {kWorkingFolder, kPathFolder})
      for (const wchar_t* name : kPlantedNames)
        Plant(L"Planted.dll", std::wstring(folder) + L"\\" + name);
    // The graphics vendors the display key asks after Intel are nowhere but planted.
    testkit::SetKnob("igfx", "Present", 0);
    testkit::SetKnob("acpi", "SFUN", 0xFFFFFFFF);
  }

  // The service started as from a shortcut whose working folder holds the planted
  // copies, with the other folder on its PATH.
  void StartPlanted() {
    {
      const testkit::ScopedVariable onPath(
          L"PATH",
          (std::wstring(kPathFolder) + L";" + testkit::EnvironmentVariable(L"PATH")).c_str());
      service_ = testkit::StartProgram(testkit::AppPath(L"Torvan.exe"), L"", kWorkingFolder);
    }
    ASSERT_TRUE(service_.Started());
    hwnd_ = testkit::WaitForWindow(L"Torvan", L"Torvan", 10000);
    ASSERT_NE(nullptr, hwnd_);
    DWORD_PTR ignored = 0;
    ASSERT_NE(0, SendMessageTimeoutW(hwnd_, WM_NULL, 0, 0, SMTO_BLOCK, 15000, &ignored));
    osd_ = FindWindowW(L"FakeWndPM", nullptr);
    journalBefore_ = 0;
  }

  // A copy of a planted stand-in at path, its folders made as needed.
  static void Plant(const wchar_t* standIn, const std::wstring& path) {
    testkit::CreateFolders(path.substr(0, path.rfind(L'\\')));
    ASSERT_TRUE(CopyFileW((testkit::BinDir() + L"\\testbed\\planted\\" + standIn).c_str(),
                          path.c_str(), FALSE))
        << testkit::Narrow(path);
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

// Planted under the names by which the launch keys once found programs in the
// working folder: the relative paths that icon locations read as plain text gave,
// and the browser's bare name.
TEST_F(Planting, TheLaunchKeysStartNothingPlanted) {
  for (const wchar_t* name :
       {L"ProgramFiles\\Quillmail\\Quillmail.exe", L"QUILLMAIL_HOME\\Quillmail.exe",
        L"Quillmail\\Quillmail.exe", L"iexplore.exe"})
    Plant(L"Planted.exe", std::wstring(kWorkingFolder) + L"\\" + name);
  SetDefaultMailClient(L"Quillmail");
  ASSERT_TRUE(testkit::SetMachineString(kBrowserKey,
                                        L"C:\\Program Files\\Internet Explorer\\iexplore.exe"));
  testkit::SetKnob("acpi", "ORMX", 0);
  {
    // In the environment the service inherits, as a client's installer may set it.
    const testkit::ScopedVariable home(L"QUILLMAIL_HOME", L"C:\\Program Files\\Quillmail");
    StartPlanted();
  }

  // A client registered by a full path, quoted or through a reference, starts.
  int started = 0;
  for (const wchar_t* icon :
       {L"\"%ProgramFiles%\\Quillmail\\Quillmail.exe\",0", L"%QUILLMAIL_HOME%\\Quillmail.exe,0"}) {
    ASSERT_TRUE(testkit::SetMachineString(kMailIconKey, icon, REG_EXPAND_SZ));
    Press(80);
    EXPECT_TRUE(testkit::WaitForJournal("Quillmail Started(", kTimeToShow, ++started))
        << testkit::Narrow(icon);
  }
  // One relative wherever it is read starts nothing.
  ASSERT_TRUE(testkit::SetMachineString(kMailIconKey, L"Quillmail\\Quillmail.exe,0"));
  Press(80);
  // The browser by the path registered for it, then with none registered.
  Press(81);
  EXPECT_TRUE(testkit::WaitForJournal("iexplore Started(", kTimeToShow));
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_LOCAL_MACHINE, kBrowserKey));
  Press(81);
  // Keys are handled in turn: once the menu has started, so have the keys before it.
  testkit::SetKnob("acpi", "ORMX", 1);
  Press(81);
  ASSERT_TRUE(testkit::WaitForJournal("Yarrow Started(", kTimeToShow));

  EXPECT_FALSE(testkit::WaitForJournal("Planted", kTimeGivenToShow));
  EXPECT_EQ(std::vector<std::string>{}, Planted());
  EXPECT_EQ(1, testkit::CountCalls(testkit::JournalCalls("iexplore"), "Started("));
  EXPECT_EQ(2, testkit::CountCalls(testkit::JournalCalls("Quillmail"), "Started("));
  // What the service starts begins in the service's own folder, not the user's.
  for (const auto& call : testkit::JournalCalls()) {
    if (call.find(" Started(") == std::string::npos) continue;
    EXPECT_NE(std::string::npos, call.find(", cwd=" + testkit::Narrow(testkit::AppDir()) + ")"))
        << call;
  }
}

// Another process of the session made "MERA EVENT" first, manual-reset and left
// signalled, on a notebook whose driver holds no event yet (it keeps the name of
// the one it holds alive). The service uses that event, so its wait never blocks
// and every read finds the queue empty: paced like keys, not a core's worth.
TEST_F(Planting, ASquattedNotifyEventCostsLittleAndKeysStillWork) {
  ASSERT_EQ(0u, DriverStats().registerCount) << "this case needs a notebook no service ran on";
  SetLastError(0xdeadbeef);
  suite::UniqueHandle squatted(CreateEventW(nullptr, TRUE, TRUE, L"MERA EVENT"));
  ASSERT_TRUE(squatted);
  ASSERT_NE(DWORD(ERROR_ALREADY_EXISTS), GetLastError()) << "the event was there already";
  Start();
  ASSERT_TRUE(testkit::WaitUntil([&] { return DriverStats().eventRegistered != 0; }, 10000));

  const unsigned before = DriverStats().readsFailed;
  constexpr DWORD kWindowMs = 2000;
  Sleep(kWindowMs);
  const unsigned failed = DriverStats().readsFailed - before;
  EXPECT_GT(failed, 0u) << "the squatted event never woke the hotkey thread";
  // A read every 50 ms at most, with room for a late clock.
  EXPECT_LE(failed, 2 * kWindowMs / 50);
  EXPECT_TRUE(PressShowsOsd(51));
  EXPECT_TRUE(StillRunning());
}

}  // namespace
