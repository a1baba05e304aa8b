// What each vendor step sends: the Intel record, the NVIDIA view targets and view
// mode, the ATI configuration word with its pauses; and that a request leaves the
// caller's COM apartment as it found it. Through Lumex.dll's export.
#include <objbase.h>

#include <thread>

#include "journal.h"
#include "lumex_fixture.h"

namespace {

const char kAtiConfigurationFail[] = "[Lumex][InitGraphicsATI]GetConfiguration() Fail";

using Bytes = std::vector<unsigned char>;

std::string OnlyCall(const std::string& component, const std::string& prefix) {
  std::string found;
  int n = 0;
  for (const auto& call : ComponentCalls(component))
    if (call.rfind(prefix, 0) == 0) found = call, ++n;
  EXPECT_EQ(1, n) << prefix << "\n" << testing::PrintToString(ComponentCalls(component));
  return found;
}

TEST_F(IntelNvidia, IntelRecordCarriesTheLayoutOfEachCode) {
  struct Case {
    int code;
    DWORD mode, second, first;
  } cases[] = {{2, 1, 0, 0x1000}, {1, 1, 0, 1}, {3, 3, 0x1000, 1}};
  testkit::SetKnob("igfx", "Present", 1);
  for (const auto& c : cases) {
    testkit::ResetJournal();
    Layout(c.code);
    const std::string call = OnlyCall("igfx", "ChangeActiveDevices(");
    EXPECT_EQ(0u, call.find("ChangeActiveDevices({381ECED3-EFF1-4DF2-B560-6648E352B18E}, 120, ["))
        << call;
    EXPECT_NE(std::string::npos, call.find("]) = 0x0, error 0")) << call;

    Bytes expected(120, 0);
    const auto put = [&](size_t offset, DWORD value) {
      for (int i = 0; i < 4; ++i) expected[offset + i] = (value >> (8 * i)) & 0xff;
    };
    put(0, 120);
    const char name[] = "\\\\.\\Display1";
    std::copy(name, name + sizeof name - 1, expected.begin() + 4);
    put(84, c.mode);
    put(88, c.second);
    put(92, 1);
    put(96, c.first);
    EXPECT_EQ(expected, RecordBytes(call)) << "code " << c.code;
    EXPECT_EQ(c.first, testbed::KnobDword("igfx", "Primary", 0xdead)) << c.code;
    EXPECT_EQ(c.second, testbed::KnobDword("igfx", "Secondary", 0xdead)) << c.code;
  }
}

TEST_F(IntelNvidia, FailedIntelChangeStillEndsTheRequest) {
  testkit::SetKnob("igfx", "Present", 1);
  testkit::SetKnob("igfx", "ChangeActiveDevices", DWORD(E_FAIL));
  testkit::SetKnob("igfx", "ErrorWord", 9);
  EXPECT_EQ(Lines{}, Layout(kLayoutBoth));
  EXPECT_EQ(1, CountCalls("igfx", "ChangeActiveDevices("));
  EXPECT_EQ(Lines{}, ComponentCalls("nvapi"));
}

TEST_F(IntelNvidia, NvidiaViewTargetsAndModeFollowTheCode) {
  struct Case {
    int code;
    DWORD count, mask1, flags1, mask2, parent2, active;
    int viewMode;
  } cases[] = {{2, 1, 0x10000, 1, 1, 1, 0x10000, 0},
               {1, 1, 1, 1, 0, 0, 1, 0},
               {3, 2, 0x10000, 1, 1, 0, 0x10001, 1}};
  for (const auto& c : cases) {
    testkit::ResetJournal();
    EXPECT_EQ((Lines{kVexilError, kAtiStepError}), Layout(c.code)) << c.code;
    const std::string call = OnlyCall("nvapi", "NvAPI_SetView(");
    const Bytes record = RecordBytes(call);
    ASSERT_EQ(32u, record.size()) << call;
    EXPECT_EQ(0x00010020ul, WordAt(record, 0));
    EXPECT_EQ(c.count, WordAt(record, 4)) << c.code;
    EXPECT_EQ(c.mask1, WordAt(record, 8)) << c.code;
    EXPECT_EQ(0ul, WordAt(record, 12)) << c.code;
    EXPECT_EQ(c.flags1, WordAt(record, 16)) << c.code;
    EXPECT_EQ(c.mask2, WordAt(record, 20)) << c.code;
    EXPECT_EQ(c.parent2, WordAt(record, 24)) << c.code;
    EXPECT_EQ(0ul, WordAt(record, 28)) << c.code;
    EXPECT_NE(std::string::npos, call.find("NvAPI_SetView(0x00a10000, [")) << call;
    EXPECT_NE(std::string::npos, call.find("], " + std::to_string(c.viewMode) + ") = 0")) << call;
    EXPECT_EQ(c.active, testbed::KnobDword("nvapi", "Active", 0xdead)) << c.code;
  }
}

TEST_F(IntelNvidia, NvidiaWithoutDisplayHandleStillSetsTheViewOnTheFirstEntry) {
  testkit::SetKnob("nvapi", "Displays", 0);
  EXPECT_EQ((Lines{kVexilError, kAtiStepError}), Layout(kLayoutBoth));
  EXPECT_EQ(1, CountCalls("nvapi", "NvAPI_EnumNvidiaDisplayHandle(0) = -7"));
  const std::string call = OnlyCall("nvapi", "NvAPI_SetView(");
  EXPECT_EQ(0u, call.find("NvAPI_SetView(0x00000000, [")) << call;
}

TEST_F(IntelNvidia, NvidiaHandleListHoldsAtMost128) {
  testkit::SetKnob("nvapi", "Displays", 100000);
  Layout(kLayoutBoth);
  EXPECT_EQ(128, CountCalls("nvapi", "NvAPI_EnumNvidiaDisplayHandle("));
  EXPECT_EQ(1, CountCalls("nvapi", "NvAPI_EnumNvidiaDisplayHandle(127) = 0"));
  EXPECT_EQ(1, CountCalls("nvapi", "NvAPI_SetView(0x00a10000, ["));
}

TEST_F(IntelNvidia, UnresolvedNvApiFunctionIsNotCalled) {
  testkit::SetKnob("nvapi", "Unanswered", 0x0957D7B6);
  EXPECT_EQ((Lines{kVexilError, kAtiStepError}), Layout(kLayoutBoth));
  EXPECT_EQ(0, CountCalls("nvapi", "NvAPI_SetView("));
  EXPECT_EQ(1, CountCalls("nvapi", "nvapi_QueryInterface(0x0957d7b6) = null"));
  // Its error status is looked up for the log like any other.
  EXPECT_EQ(1, CountCalls("nvapi", "NvAPI_GetErrorMessage("));
}

TEST_F(IntelNvidia, UnresolvedNvApiInitialisationCountsAsAbsent) {
  testkit::SetKnob("nvapi", "Unanswered", 0x0150E828);
  EXPECT_EQ(EachStepFails(kNoAtiLibrary), Layout(kLayoutExternalOnly));
  EXPECT_EQ(0, CountCalls("nvapi", "NvAPI_Initialize("));
  // Only the error text is asked for, with the status of the unanswered call.
  EXPECT_EQ(3, CountCalls("nvapi", "NvAPI_GetErrorMessage(-3) = "));
}

// A request on a thread whose apartment the caller made: Lumex's own
// initialisation is balanced and the caller's is never undone.
TEST_F(IntelNvidia, CallerSingleThreadedApartmentIsLeftAsItWas) {
  testkit::SetKnob("igfx", "Present", 1);
  std::thread([&] {
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    onMonitorLayout_(3);
    onMonitorLayout_(1);
    EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(S_OK, CoInitialize(nullptr));
    CoUninitialize();
  }).join();
  EXPECT_EQ(2, CountCalls("igfx", "ChangeActiveDevices("));
}

TEST_F(IntelNvidia, CallerMultithreadedApartmentSurvivesAndIntelIsSkipped) {
  testkit::SetKnob("igfx", "Present", 1);
  std::thread([&] {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    onMonitorLayout_(3);
    EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    CoUninitialize();
    CoUninitialize();
  }).join();
  EXPECT_EQ(Lines{}, ComponentCalls("igfx"));
  EXPECT_EQ(1, CountCalls("nvapi", "NvAPI_SetView("));
}

TEST_F(IntelNvidia, ThreadWithoutComEndsAnIntelRequestWithoutIt) {
  testkit::SetKnob("igfx", "Present", 1);
  std::thread([&] {
    onMonitorLayout_(2);
    EXPECT_EQ(S_OK, CoInitialize(nullptr));
    CoUninitialize();
  }).join();
  EXPECT_EQ(1, CountCalls("igfx", "ChangeActiveDevices("));
}

TEST_F(Ati, EachCodeSetsTheConfigurationWordBetweenTwoPauses) {
  const auto word = [](DWORD value) { return "[0" + std::to_string(value) + " 00 00 00]"; };
  DWORD before = 2;  // the stand-in's panel-only default
  for (DWORD code : {1, 2, 3}) {
    testkit::ResetJournal();
    // The Intel step (for code 1 the layout's own detection) reports once.
    EXPECT_EQ(Lines{kVexilError}, Layout(int(code))) << code;
    // Two detections of three entries each, then read, set and read back.
    const Lines detection = {"EnumDisplays(0, 2, [03 00 00 00]) = 0",
                             "GetCapabilities(0, [03 00 00 00], [02 00 00 00]) = 0",
                             "GetConfiguration(0, 8, " + word(before) + ") = 0"};
    Lines expected = detection;
    expected.insert(expected.end(), detection.begin(), detection.end());
    expected.push_back("GetConfiguration(0, 8, " + word(before) + ") = 0");
    expected.push_back("SetConfiguration(0, 8, " + word(code) + ") = 0");
    expected.push_back("GetConfiguration(0, 8, " + word(code) + ") = 0");
    EXPECT_EQ(expected, ComponentCalls("atitmmxx")) << code;
    EXPECT_EQ(code, testbed::KnobDword("atitmmxx", "Active", 0xdead));

    std::vector<testkit::JournalLine> lines;
    for (const auto& line : testkit::ReadJournal())
      if (line.component == "atitmmxx") lines.push_back(line);
    ASSERT_EQ(9u, lines.size());
    EXPECT_GE(lines[7].micros - lines[6].micros, 950000ull) << code;
    EXPECT_GE(lines[8].micros - lines[7].micros, 950000ull) << code;
    before = code;
  }
}

TEST_F(Ati, FailedSetStillCountsAsDoneAndKeepsBothPauses) {
  testkit::SetKnob("atitmmxx", "SetConfiguration", 5);
  const DWORD start = GetTickCount();
  EXPECT_EQ(Lines{kVexilError}, Layout(kLayoutBoth));
  EXPECT_GE(GetTickCount() - start, 1900u);
  EXPECT_EQ(1, CountCalls("atitmmxx", "SetConfiguration(0, 8, [03 00 00 00]) = 5"));
  EXPECT_EQ(2u, testbed::KnobDword("atitmmxx", "Active", 2));
}

TEST_F(Ati, UnreadableConfigurationCountsAsAbsent) {
  testkit::SetKnob("atitmmxx", "GetConfiguration", 1);
  EXPECT_EQ(EachStepFails(kAtiConfigurationFail), Layout(kLayoutPanelOnly));
  EXPECT_EQ(0, CountCalls("atitmmxx", "SetConfiguration("));
}

}  // namespace
