// Dialog initialisation in this process, with the debug-output switch on: every
// diagnostic line, with the error it reports, for missing and present libraries.
// Registered once per Windows prefix (XP and 7).
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "acpi_client.h"
#include "lifecycle.h"
#include "hotkey.h"
#include "log_capture.h"

namespace {

using testkit::HasLine;

const wchar_t kIntelAdapter[] = L"PCI\\VEN_8086&DEV_4229&SUBSYS_11018086&REV_61";

class BindingLog : public ::testing::Test {
 protected:
  void SetUp() override {
    testkit::ClearKnobs();
    testkit::ResetJournal();
    testkit::SetNetAdapters({kIntelAdapter});
    ASSERT_TRUE(testbed::ResetDriver());
    ASSERT_TRUE(log_.Running()) << log_.Error();
    owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  }

  void TearDown() override {
    DestroyWindow(owner_);
    testkit::SetNetAdapters({});
  }

  // Binds, collects this process's lines, releases.
  std::vector<std::string> BindAndRelease() {
    log_.Clear();
    InitialiseService(owner_);
    TearDownService();
    std::vector<std::string> lines;
    for (const auto& text : log_.Texts())
      if (text.rfind("[", 0) == 0) lines.push_back(text);
    return lines;
  }

  // The access library's load line, then at once its lookup line.
  static void ExpectAccessLibraryLookupFailed(const std::vector<std::string>& lines) {
    const auto load =
        std::find(lines.begin(), lines.end(), "[OSDActive][OnInitDialog]TARNACPIDLL32");
    ASSERT_NE(lines.end(), load) << ::testing::PrintToString(lines);
    ASSERT_NE(lines.end(), load + 1);
    EXPECT_EQ("[OSDActive][OnInitDialog]GetProcAddress() Error", *(load + 1));
  }

  testkit::LogCapture log_;
  HWND owner_ = nullptr;
};

using XpLog = BindingLog;
using SevenLog = BindingLog;

TEST_F(XpLog, MissingLibrariesAreLoggedWithTheLoaderError) {
  testkit::InstallApp({L"testbed\\TARNACPIDLL32.dll"});
  const auto lines = BindAndRelease();
  for (const char* expected : {
           "[Vexil][OnInitDlg]LoadLibrary(QKBD) Error : 126",
           "[Vexil][OnInitDlg]GetProcAddress(InitHook / UnHook) Error : 126",
           "[Vexil][OnInitDlg]LoadLibrary(Pictor) Error : 126",
           "[Vexil][OnInitDlg]LoadLibrary(Lumex.dll) Error : 126",
           "[Vexil][OnInitDlg]GetProcAddress(OnMonitorLayout) Error : 126",
           "[Vexil][OnInitDlg]LoadLibrary(Sorrel.dll) Error : 126",
           "[Vexil][OnInitDlg]GetProcAddress(TPCtrlS,Sorrel.dll) Error : 126",
           "[Vexil][OnInitDlg]LoadLibrary(Fennic.dll) Error : 126",
           "[Vexil][OnInitDlg]GetProcAddress(TPCtrlF,Fennic.dll) Error : 126",
           "[Vexil][FakeWnd]rc.left : 0;rc.top : 0",
           "[OSDActive][OnInitDialog]TARNACPIDLL32",
           "[Vexil][OnInitDlg]pNoneMethodRaw(SFUN) : 1",
           "[Vexil][OnInitDlg]WLAN HWID : PCI\\VEN_8086&DEV_4229&SUBSYS_11018086&REV_61",
           "[Vexil][OnInitDlg]LoadLibrary(Pelvari.dll) Error : 126",
       })
    EXPECT_TRUE(HasLine(lines, expected)) << expected << "\n" << ::testing::PrintToString(lines);
  EXPECT_FALSE(HasLine(lines, "[OSDActive][OnInitDialog]GetProcAddress() Error"));
}

TEST_F(XpLog, PresentLibrariesAreLoggedWithoutError) {
  testkit::InstallApp({L"testbed\\TARNACPIDLL32.dll", L"testbed\\QKBD.dll", L"testbed\\Sorrel.dll",
                       L"testbed\\probes\\Fennic.dll", L"testbed\\probes\\Lumex.dll",
                       L"testbed\\probes\\Pelvari.dll"});
  testkit::SetKnob("acpi", "SFUN", 0);
  const auto lines = BindAndRelease();
  EXPECT_TRUE(HasLine(lines, "[Vexil][OnInitDlg]LoadLibrary(Sorrel.dll) "));
  EXPECT_TRUE(HasLine(lines, "[Vexil][OnInitDlg]GetProcAddress(TPCtrlS,Sorrel.dll)"));
  EXPECT_TRUE(HasLine(lines, "[Vexil][OnInitDlg]LoadLibrary(Fennic.dll)"));
  EXPECT_TRUE(HasLine(lines, "[Vexil][OnInitDlg]GetProcAddress(TPCtrlF,Fennic.dll) "));
  EXPECT_TRUE(HasLine(lines, "[Vexil][OnInitDlg]pNoneMethodRaw(SFUN) : 0"));
  for (const auto& line : lines) {
    if (line.find("Pictor") != std::string::npos) continue;  // not installed here
    EXPECT_EQ(std::string::npos, line.find("Error")) << line;
  }
  // SFUN bit clear: no WLAN library, however good the adapter.
  EXPECT_EQ(-1, testkit::JournalIndex(testkit::JournalCalls(), "Pelvari DllMain"));
}

// The access library is never unloaded, so this one runs in a process of its own.
using AcpiEntryLog = BindingLog;

TEST_F(AcpiEntryLog, AccessLibraryLackingAnEntryIsLogged) {
  testkit::InstallApp({L"testbed\\variants\\no-multi\\TARNACPIDLL32.dll"});
  const auto lines = BindAndRelease();
  ExpectAccessLibraryLookupFailed(lines);
  // The entries that were found still work.
  EXPECT_GE(testkit::JournalIndex(testkit::JournalCalls(), "acpi None_Method_Raw(SFUN)"), 0);
}

// Nothing loaded here either: the access library, once loaded, stays.
using AcpiMissingLog = BindingLog;

TEST_F(AcpiMissingLog, AMissingAccessLibraryIsLookedUpAndLoggedLikeAnyOther) {
  testkit::InstallApp({});
  // Its message box waits for an OK on this thread; the lookup comes after it.
  std::vector<std::string> linesAtTheBox;
  std::thread dismiss([&] {
    if (HWND box = testkit::WaitForDialog(L"Hotkey", GetCurrentProcessId(), 15000)) {
      linesAtTheBox = log_.Texts();
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
  });
  const auto lines = BindAndRelease();
  dismiss.join();
  ExpectAccessLibraryLookupFailed(lines);
  EXPECT_TRUE(HasLine(linesAtTheBox, "[OSDActive][OnInitDialog]TARNACPIDLL32"))
      << "no message box, or shown before the load";
  EXPECT_FALSE(HasLine(linesAtTheBox, "[OSDActive][OnInitDialog]GetProcAddress() Error"));
}

TEST_F(XpLog, HotkeyThreadLogsEachCodeAndEachFailedRead) {
  testkit::InstallApp({L"testbed\\TARNACPIDLL32.dll"});
  log_.Clear();
  InitialiseService(owner_);
  DWORD code = 0x30;
  ASSERT_TRUE(testbed::InjectCodes(&code, 1));
  EXPECT_TRUE(log_.WaitFor("[Vexil][HotkeyThread]dPreNotifyCode : 0 ;NotifyCode: 48", 5000));
  ASSERT_TRUE(testbed::FailNextReads(1));
  code = 0x31;
  ASSERT_TRUE(testbed::InjectCodes(&code, 1));
  EXPECT_TRUE(log_.WaitFor(
      "[Vexil][HotkeyThread]DeviceIoControl(IOCTL_TARN_ACPI_GET_NOTIFY_CODE) Error : 21", 5000));
  TearDownService();
}

TEST_F(SevenLog, MissingWlanAndPowerLibrariesAreLogged) {
  testkit::InstallApp({L"testbed\\TARNACPIDLL32.dll"});
  const auto lines = BindAndRelease();
  EXPECT_TRUE(HasLine(lines, "[Vexil][OnInitDlg]LoadLibrary(Ressin.dll) Error : 126"));
  EXPECT_TRUE(HasLine(
      lines, "[Vexil][OnInitDlg]GetProcAddress(InieRessin,UnInitRessin,WLANOnOff) Error : 126"));
  EXPECT_TRUE(HasLine(lines, "[Vexil][OnInitDlg]LoadLibrary(Pallion.dll) Error : 126"));
  EXPECT_TRUE(HasLine(lines, "[Vexil][OnInitDlg]GetProcAddress(SwitchNextScheme) Error : 126"));
}

TEST_F(SevenLog, RessinLackingAnEntryIsLoggedWithTheLookupError) {
  testkit::InstallApp({L"testbed\\TARNACPIDLL32.dll", L"testbed\\variants\\no-onoff\\Ressin.dll",
                       L"testbed\\probes\\Pallion.dll"});
  const auto lines = BindAndRelease();
  EXPECT_TRUE(HasLine(
      lines, "[Vexil][OnInitDlg]GetProcAddress(InieRessin,UnInitRessin,WLANOnOff) Error : 127"));
  EXPECT_FALSE(HasLine(lines, "[Vexil][OnInitDlg]GetProcAddress(SwitchNextScheme) Error : 127"));
}

TEST_F(SevenLog, NothingIsWrittenWhileTheSwitchIsOff) {
  testkit::InstallApp({L"testbed\\TARNACPIDLL32.dll"});
  log_.Switch(false);
  const auto lines = BindAndRelease();
  EXPECT_TRUE(lines.empty()) << ::testing::PrintToString(lines);
}

}  // namespace
