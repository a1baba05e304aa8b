// Which vendor a request finds: the fixed order, the first answer winning, the
// vendor code that outlives a failing detection, and the machines where nothing
// or only part of a vendor's library is there. Through Lumex.dll's export, with
// its debug-output switch off as shipped.
#include "lumex_fixture.h"

#include <thread>

namespace {

// How the Intel stand-in turns a request down when there is no Intel hardware.
const char kIntelRefusal[] = "CreateInstance({70F8C65F-06AA-443B-9E6B-7C73808F07E5}) = 0x80040111";

TEST_F(IntelNvidia, IntelWinsAndNvApiIsNeverInitialised) {
  testkit::SetKnob("igfx", "Present", 1);
  for (int code : {1, 2, 3}) {
    testkit::ResetJournal();
    EXPECT_EQ(Lines{}, Layout(code)) << code;
    EXPECT_EQ(1, CountCalls("igfx", "ChangeActiveDevices(")) << code;
    EXPECT_EQ(Lines{}, ComponentCalls("nvapi")) << code;
  }
}

TEST_F(IntelNvidia, NvidiaIsTriedOnlyWhenIntelRefuses) {
  const Lines lines = Layout(kLayoutPanelOnly);
  EXPECT_EQ((Lines{kVexilError, kAtiStepError}), lines);
  // One detection per step, each asking Intel first.
  EXPECT_EQ(3, CountCalls("igfx", kIntelRefusal));
  EXPECT_EQ(3, CountCalls("nvapi", "NvAPI_Initialize() = 0"));
  EXPECT_EQ(1, CountCalls("nvapi", "NvAPI_SetView("));
}

TEST_F(IntelNvidia, OtherCodesCallNothingNotEvenDetection) {
  testkit::SetKnob("igfx", "Present", 1);
  for (int code : {0, 4, 5, -1, 0x61, 99}) {
    EXPECT_EQ(Lines{}, Layout(code)) << code;
  }
  EXPECT_EQ(Lines{}, testkit::JournalCalls());
}

TEST_F(IntelNvidia, EarlierVendorStaysWhenEveryVendorFailsAndNothingOfItIsCalled) {
  testkit::SetKnob("igfx", "Present", 1);
  Layout(kLayoutBoth);
  ASSERT_EQ(1, CountCalls("igfx", "ChangeActiveDevices("));

  testkit::ResetJournal();
  testkit::SetKnob("igfx", "Present", 0);
  testkit::SetKnob("nvapi", "NvAPI_Initialize", DWORD(-1));
  for (int code : {3, 1, 2}) {
    // Intel still counts as found: its step is done, no later step runs.
    EXPECT_EQ(Lines{kNoAtiLibrary}, Layout(code)) << code;
  }
  // Intel is asked and refuses each time; nothing of the object is called.
  const Lines igfx = ComponentCalls("igfx");
  EXPECT_EQ(6u, igfx.size()) << testing::PrintToString(igfx);
  EXPECT_EQ(3, CountCalls("igfx", "DllGetClassObject("));
  EXPECT_EQ(3, CountCalls("igfx", kIntelRefusal));
  EXPECT_EQ(0, CountCalls("nvapi", "NvAPI_SetView("));
}

TEST_F(IntelNvidia, LaterDetectionFindingAnotherVendorSwitchesThroughIt) {
  testkit::SetKnob("igfx", "Present", 1);
  Layout(kLayoutBoth);
  testkit::SetKnob("igfx", "Present", 0);
  testkit::ResetJournal();
  EXPECT_EQ((Lines{kVexilError, kAtiStepError}), Layout(kLayoutBoth));
  EXPECT_EQ(1, CountCalls("nvapi", "NvAPI_SetView("));
  EXPECT_EQ(0, CountCalls("igfx", "ChangeActiveDevices("));
}

TEST_F(IntelNvidia, IntelReferencesAreGivenBackAfterEachRequest) {
  testkit::SetKnob("igfx", "Present", 1);
  for (int code : {3, 1, 2}) {
    testkit::ResetJournal();
    Layout(code);
    const Lines igfx = ComponentCalls("igfx");
    ASSERT_FALSE(igfx.empty());
    // The extra reference comes and goes within the detection; the object goes
    // with the request, after its last use.
    EXPECT_EQ(1, CountCalls("igfx", "AddRef() = 2")) << testing::PrintToString(igfx);
    EXPECT_EQ(1, CountCalls("igfx", "Release() = 0")) << testing::PrintToString(igfx);
    EXPECT_EQ(0, CountCalls("igfx", "Release() = -")) << testing::PrintToString(igfx);
    EXPECT_EQ("Release() = 0", igfx.back()) << code;
  }
}

TEST_F(IntelNvidia, IntelEnumerationNamesTheFirstDisplayAndEndsAtTheLastDevice) {
  testkit::SetKnob("igfx", "Present", 1);
  Layout(kLayoutPanelOnly);
  EXPECT_EQ((Lines{"EnumAttachableDevices(\"\\\\.\\Display1\" length 12, 0) = 0x0",
                   "EnumAttachableDevices(\"\\\\.\\Display1\" length 12, 1) = 0x0",
                   "EnumAttachableDevices(\"\\\\.\\Display1\" length 12, 2) = 0x80070057"}),
            [] {
              Lines enums;
              for (const auto& call : ComponentCalls("igfx"))
                if (call.rfind("EnumAttachableDevices(", 0) == 0) enums.push_back(call);
              return enums;
            }());
}

TEST_F(IntelNvidia, IntelEnumerationStopsAfter32Indexes) {
  testkit::SetKnob("igfx", "Present", 1);
  testkit::SetKnob("igfx", "Devices", 100000);
  Layout(kLayoutBoth);
  EXPECT_EQ(32, CountCalls("igfx", "EnumAttachableDevices("));
  EXPECT_EQ(1, CountCalls("igfx", "EnumAttachableDevices(\"\\\\.\\Display1\" length 12, 31)"));
  EXPECT_EQ(1, CountCalls("igfx", "ChangeActiveDevices("));
}

TEST_F(IntelNvidia, ExportIsOrdinalOne) {
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(lumex_, "OnMonitorLayout")),
            reinterpret_cast<void*>(GetProcAddress(lumex_, MAKEINTRESOURCEA(1))));
}

// Cleanly: each on a thread of its own, which is left outside any apartment.
TEST_F(NoVendor, EveryCodeEndsCleanlyWithItsThreeErrorLines) {
  for (int code : {1, 2, 3}) {
    testkit::ResetJournal();
    std::vector<std::string> lines;
    HRESULT apartment = E_FAIL;
    std::thread([&] {
      lines = Layout(code);
      apartment = CoInitialize(nullptr);
      if (SUCCEEDED(apartment)) CoUninitialize();
    }).join();
    EXPECT_EQ(EachStepFails(kNoAtiLibrary), lines) << code;
    EXPECT_EQ(S_OK, apartment) << "the detection's apartment was left open, code " << code;
    // Intel was asked three times and refused; nothing else answered.
    const auto journal = testkit::JournalCalls();
    EXPECT_EQ(6u, journal.size()) << testing::PrintToString(journal);
    EXPECT_EQ(
        3, CountCalls("igfx", "DllGetClassObject({05FE2AF0-2EA5-4B69-81BD-A7AC71A0D2F0}) = 0x0"));
    EXPECT_EQ(3, CountCalls("igfx", kIntelRefusal));
  }
}

TEST_F(NoVendor, IntelProgramIdMissingCountsAsAbsent) {
  const IntelProgramIdRemoved removed(true);
  ASSERT_TRUE(removed.Removed());
  testkit::SetKnob("igfx", "Present", 1);
  EXPECT_EQ(EachStepFails(kNoAtiLibrary), Layout(kLayoutBoth));
  EXPECT_EQ(Lines{}, ComponentCalls("igfx"));
}

TEST_F(AtiNoAdapterId, MissingEntryIsNamedAndOnlyTheUnconditionalLinesAreWritten) {
  const std::string missing = "[Lumex][AtiPdlLoad]GetProcAddress(\"ATIDL_GetAdapterID\") Error ";
  EXPECT_EQ(EachStepFails(missing), Layout(kLayoutPanelOnly));
  // Released after each failed load, and never called.
  EXPECT_EQ(nullptr, GetModuleHandleW(L"atitmmxx.dll"));
  EXPECT_EQ(Lines{}, ComponentCalls("atitmmxx"));
}

}  // namespace
