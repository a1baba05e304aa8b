// Which libraries the service binds, in which order, for each Windows version,
// adapter and SFUN answer. Registered once per Windows prefix; each suite runs
// only in its own.
#include "service_fixture.h"

namespace {

using testkit::Contains;

const wchar_t kIntelAdapter[] = L"PCI\\VEN_8086&DEV_4229&SUBSYS_11018086&REV_61";
const wchar_t kAtherosAdapter[] = L"PCI\\VEN_168C&DEV_002B&SUBSYS_30A117AA&REV_01";
const wchar_t kRealtekAdapter[] = L"PCI\\VEN_10EC&DEV_8136&SUBSYS_30A117AA&REV_02";
constexpr DWORD kSfunWlanBit = 1u << 11;

class Binding : public FullNotebookTest {
 protected:
  // Starts the service and returns the journal once initialisation is over.
  std::vector<std::string> BindingJournal() {
    hwnd_ = StartService();
    return testkit::JournalCalls();
  }

  // Each text appears, and after the one before it.
  static void ExpectInOrder(const std::vector<std::string>& calls,
                            const std::vector<std::string>& texts) {
    size_t at = 0;
    for (const auto& text : texts) {
      while (at < calls.size() && calls[at].find(text) == std::string::npos) ++at;
      EXPECT_LT(at++, calls.size()) << "missing, or out of order: " << text;
    }
  }

  HWND hwnd_ = nullptr;
};

using Xp = Binding;
using Vista = Binding;
using Seven = Binding;
using OtherWindows = Binding;

TEST_F(Xp, IntelAdapterWithSfunBitLoadsPelvariWithGenerationZero) {
  testkit::SetNetAdapters({kIntelAdapter});
  testkit::SetKnob("acpi", "SFUN", kSfunWlanBit);
  const auto calls = BindingJournal();
  ExpectInOrder(calls, {"QKBD DllMain(PROCESS_ATTACH)", "QKBD InitHook()",
                        "Lumex DllMain(PROCESS_ATTACH)", "Sorrel DllMain(PROCESS_ATTACH)",
                        "Fennic DllMain(PROCESS_ATTACH)", "acpi ACPI_LoadDriver() = 1",
                        "acpi One_Method_Raw(INIT, 0)", "acpi None_Method_Raw(SFUN)",
                        "Pelvari DllMain(PROCESS_ATTACH)", "Pelvari PelvarInit(0)"});
  EXPECT_FALSE(Contains(calls, "Pallion")) << "no power library on XP";
  EXPECT_FALSE(Contains(calls, "Ressin"));
  EXPECT_FALSE(Contains(calls, "Pelvara "));
}

TEST_F(Xp, AtherosAdapterLoadsPelvara) {
  testkit::SetNetAdapters({kAtherosAdapter});
  const auto calls = BindingJournal();
  ExpectInOrder(calls, {"Pelvara DllMain(PROCESS_ATTACH)", "Pelvara PelvarInit(0)"});
  EXPECT_FALSE(Contains(calls, "Pelvari "));
  EXPECT_FALSE(Contains(calls, "Pallion"));
}

TEST_F(Xp, AdapterOfAnotherVendorLoadsNoWlanLibrary) {
  testkit::SetNetAdapters({kRealtekAdapter});
  const auto calls = BindingJournal();
  EXPECT_TRUE(Contains(calls, "acpi None_Method_Raw(SFUN)"));
  EXPECT_FALSE(Contains(calls, "Pelvari "));
  EXPECT_FALSE(Contains(calls, "Pelvara "));
  EXPECT_FALSE(Contains(calls, "Ressin"));
}

TEST_F(Xp, NoAdapterAtAllLoadsNoWlanLibrary) {
  const auto calls = BindingJournal();
  EXPECT_FALSE(Contains(calls, "Pelvar"));
}

TEST_F(Xp, FirstMatchingAdapterWins) {
  // SetupAPI lists VEN_10EC, VEN_168C, VEN_8086 in that order.
  testkit::SetNetAdapters({kIntelAdapter, kRealtekAdapter, kAtherosAdapter});
  const auto calls = BindingJournal();
  EXPECT_TRUE(Contains(calls, "Pelvara PelvarInit(0)"));
  EXPECT_FALSE(Contains(calls, "Pelvari "));
}

TEST_F(Xp, SfunBitClearLoadsNoWlanLibrary) {
  testkit::SetNetAdapters({kIntelAdapter});
  testkit::SetKnob("acpi", "SFUN", ~kSfunWlanBit);
  const auto calls = BindingJournal();
  EXPECT_TRUE(Contains(calls, "acpi None_Method_Raw(SFUN)"));
  EXPECT_FALSE(Contains(calls, "Pelvari "));
}

TEST_F(Xp, SfunThatWritesNothingKeepsThePresetAndAllowsWlan) {
  testkit::SetNetAdapters({kIntelAdapter});
  const auto calls = BindingJournal();
  EXPECT_TRUE(Contains(calls, "acpi None_Method_Raw(SFUN) = 1 result=unchanged"));
  EXPECT_TRUE(Contains(calls, "Pelvari PelvarInit(0)"));
}

TEST_F(Xp, FailedSfunCallKeepsThePresetToo) {
  testkit::SetNetAdapters({kIntelAdapter});
  testkit::SetKnob("acpi", "SFUNFail", 1);
  EXPECT_TRUE(Contains(BindingJournal(), "Pelvari PelvarInit(0)"));
}

// "Pelvari.dll" is looked up beside the program, not found and only logged (the switch is off): no
// other WLAN library stands in for it, and the WLAN keys switch nothing.
TEST_F(Xp, MissingPelvariIsOnlyLogged) {
  testkit::InstallApp({L"Torvan.exe", L"testbed\\TARNACPIDLL32.dll",
                       L"testbed\\variants\\watch\\QKBD.dll", L"testbed\\Pelvara.dll",
                       L"testbed\\probes\\Ressin.dll"});
  testkit::SetNetAdapters({kIntelAdapter});
  // Looked up beside the program, and only there.
  const std::string pelvari = "LoadLibraryW(" + testkit::Narrow(testkit::AppPath(L"Pelvari.dll"));
  const auto bound = BindingJournal();
  EXPECT_TRUE(Contains(bound, "Platform " + pelvari + ") = null, error 126"));
  EXPECT_TRUE(Contains(bound, "Platform GetVersionExW(284) = 1")) << "the extended version record";
  ASSERT_NE(nullptr, hwnd_);
  PressAndWaitHandled({93, 94, 95});
  const auto calls = testkit::JournalCalls();
  EXPECT_EQ(1, testkit::CountCalls(calls, "Pelvari.dll)"));
  EXPECT_FALSE(Contains(calls, "RSTS")) << "no radio entry, no toggle";
  EXPECT_FALSE(Contains(calls, "Pelvara "));
  EXPECT_FALSE(Contains(calls, "Ressin "));
  CloseService(hwnd_);
}

TEST_F(Vista, RessinGetsGenerationOneAndPallionLoads) {
  const auto calls = BindingJournal();
  ExpectInOrder(calls, {"acpi None_Method_Raw(SFUN)", "Ressin DllMain(PROCESS_ATTACH)",
                        "Ressin InitRessin(1)", "Pallion DllMain(PROCESS_ATTACH)"});
  EXPECT_FALSE(Contains(calls, "Pelvar"));
}

TEST_F(Seven, RessinGetsGenerationTwoWhateverTheAdapter) {
  testkit::SetNetAdapters({kRealtekAdapter});
  testkit::SetKnob("acpi", "SFUN", kSfunWlanBit);
  const auto calls = BindingJournal();
  ExpectInOrder(calls, {"QKBD InitHook()", "Lumex DllMain(PROCESS_ATTACH)",
                        "Sorrel DllMain(PROCESS_ATTACH)", "Fennic DllMain(PROCESS_ATTACH)",
                        "acpi ACPI_LoadDriver() = 1", "acpi One_Method_Raw(INIT, 0)",
                        "acpi None_Method_Raw(SFUN)", "Ressin DllMain(PROCESS_ATTACH)",
                        "Ressin InitRessin(2)", "Pallion DllMain(PROCESS_ATTACH)"});
  EXPECT_FALSE(Contains(calls, "Pelvar"));
  EXPECT_FALSE(Contains(calls, "SwitchNextScheme")) << "bound, never called";
}

TEST_F(Seven, SfunBitClearSkipsRessinButStillLoadsPallion) {
  testkit::SetKnob("acpi", "SFUN", 0);
  const auto calls = BindingJournal();
  EXPECT_FALSE(Contains(calls, "Ressin"));
  EXPECT_TRUE(Contains(calls, "Pallion DllMain(PROCESS_ATTACH)"));
}

TEST_F(Seven, RessinLackingAnEntryIsStillInitialised) {
  testkit::InstallApp({L"Torvan.exe", L"testbed\\TARNACPIDLL32.dll",
                       L"testbed\\variants\\no-onoff\\Ressin.dll",
                       L"testbed\\probes\\Pallion.dll"});
  const auto calls = BindingJournal();
  EXPECT_TRUE(Contains(calls, "Ressin InitRessin(2)"));
  EXPECT_TRUE(Contains(calls, "Pallion DllMain(PROCESS_ATTACH)"));
}

TEST_F(OtherWindows, NeitherWlanNorPowerLibrary) {
  testkit::SetNetAdapters({kIntelAdapter});
  testkit::SetKnob("acpi", "SFUN", kSfunWlanBit);
  const auto calls = BindingJournal();
  EXPECT_TRUE(Contains(calls, "acpi None_Method_Raw(SFUN)"));
  EXPECT_FALSE(Contains(calls, "Pelvar"));
  EXPECT_FALSE(Contains(calls, "Ressin"));
  EXPECT_FALSE(Contains(calls, "Pallion"));
}

}  // namespace
