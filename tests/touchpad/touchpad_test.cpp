// TouchPadCtrl in this process against the pad vendor's stand-in: results, the
// order of the vendor calls, what reaches the device, and the failure paths.
#include "touchpad.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notebook_fixture.h"
#include "journal.h"

namespace {

const char kFsp[] = "FspLib";

class TouchPad : public testkit::FreshNotebook {
 protected:
  static void SetPad(DWORD state) { testkit::SetKnob(kFsp, "PadState", state); }
  static DWORD Pad() { return testbed::KnobDword(kFsp, "PadState", 0xdead); }
  static std::vector<std::string> Calls() { return testkit::JournalCalls(kFsp); }
};

TEST_F(TouchPad, TwoTogglesNameBothPicturesAndLeaveThePadWhereItStarted) {
  for (DWORD start : {DWORD(0), DWORD(1)}) {
    SetPad(start);
    const int first = TouchPadCtrl(1);
    EXPECT_EQ(start ? 0u : 1u, Pad());
    const int second = TouchPadCtrl(1);
    EXPECT_EQ(start ? kTouchPadTurnedOff : kTouchPadTurnedOn, first);
    EXPECT_EQ(start ? kTouchPadTurnedOn : kTouchPadTurnedOff, second);
    EXPECT_EQ(start, Pad());
  }
}

struct ToggleCase {
  DWORD before;
  int result;
  DWORD after;
};

class TouchPadToggle : public TouchPad, public ::testing::WithParamInterface<ToggleCase> {};

// Any non-zero state byte counts as set.
TEST_P(TouchPadToggle, StoresTheOtherStateAndNamesItsPicture) {
  SetPad(GetParam().before);
  EXPECT_EQ(GetParam().result, TouchPadCtrl(1));
  EXPECT_EQ(GetParam().after, Pad());
}

INSTANTIATE_TEST_SUITE_P(StateBytes, TouchPadToggle,
                         ::testing::Values(ToggleCase{0, kTouchPadTurnedOn, 1},
                                           ToggleCase{1, kTouchPadTurnedOff, 0},
                                           ToggleCase{2, kTouchPadTurnedOff, 0},
                                           ToggleCase{0x80, kTouchPadTurnedOff, 0},
                                           ToggleCase{0xff, kTouchPadTurnedOff, 0}));

TEST_F(TouchPad, ToggleCallsTheVendorInOrderAndWritesWithTheApplyWord) {
  SetPad(0);
  testkit::SetKnob(kFsp, "ConfigWord", 0x1234);
  ASSERT_EQ(kTouchPadTurnedOn, TouchPadCtrl(1));
  const std::vector<std::string> expected = {
      "FspLib OpenDevice() = 1 [state 0, word 0x0]",
      "FspLib IsDeviceReady() = 1 [state 0, word 0x0]",
      "FspLib GetDeviceConfig() = 1 [state 0, word 0x1234]",
      "FspLib SetDeviceConfig() = 1 [state 1, word 0x800]",
      "FspLib CloseDevice() = 1 [state 1, word 0x800]",
  };
  auto calls = Calls();
  // The object is the library's one static instance: what an earlier test left
  // in it shows in the first two lines, so only their calls are compared there.
  ASSERT_EQ(expected.size(), calls.size());
  EXPECT_EQ(0u, calls[0].find("FspLib OpenDevice() = 1"));
  EXPECT_EQ(0u, calls[1].find("FspLib IsDeviceReady() = 1"));
  for (size_t i = 2; i < expected.size(); ++i) EXPECT_EQ(expected[i], calls[i]);
}

class TouchPadOtherRequest : public TouchPad, public ::testing::WithParamInterface<int> {};

TEST_P(TouchPadOtherRequest, WritesTheConfigurationBackUnchangedAndReturnsZero) {
  for (DWORD state : {0u, 1u, 2u}) {
    SetPad(state);
    testkit::SetKnob(kFsp, "ConfigWord", 0x7);
    testkit::ResetJournal();
    EXPECT_EQ(0, TouchPadCtrl(GetParam()));
    EXPECT_EQ(state, Pad());
    const auto calls = Calls();
    ASSERT_EQ(5u, calls.size());
    EXPECT_EQ("FspLib SetDeviceConfig() = 1 [state " + std::to_string(state) + ", word 0x800]",
              calls[3]);
  }
}

INSTANTIATE_TEST_SUITE_P(Requests, TouchPadOtherRequest, ::testing::Values(0, 2, -1, 541));

TEST_F(TouchPad, PadNotReadyIsOnlyOpenedCheckedAndClosed) {
  SetPad(1);
  testkit::SetKnob(kFsp, "DeviceReady", 0);
  EXPECT_EQ(0, TouchPadCtrl(1));
  const auto calls = Calls();
  ASSERT_EQ(3u, calls.size());
  EXPECT_EQ(0u, calls[0].find("FspLib OpenDevice() = 1"));
  EXPECT_EQ(0u, calls[1].find("FspLib IsDeviceReady() = 0"));
  EXPECT_EQ(0u, calls[2].find("FspLib CloseDevice() = 1"));
  EXPECT_EQ(1u, Pad());
}

// OpenDevice's result is not examined; the device it failed to open is not
// ready.
TEST_F(TouchPad, FailedOpenEndsAtTheReadyCheckAndStillCloses) {
  SetPad(0);
  testkit::SetKnob(kFsp, "OpenDevice", 0);
  EXPECT_EQ(0, TouchPadCtrl(1));
  const auto calls = Calls();
  ASSERT_EQ(3u, calls.size());
  EXPECT_EQ(0u, calls[1].find("FspLib IsDeviceReady() = 0"));
  EXPECT_EQ(0u, calls[2].find("FspLib CloseDevice()"));
  EXPECT_EQ(0u, Pad());
}

// The object still holds the first request's configuration (pad on); the pad
// has since been turned off by other means. Writing the stale byte back, or
// toggling it, would turn the pad against what the user set.
TEST_F(TouchPad, FailedConfigReadClosesWritesNothingAndReturnsZero) {
  SetPad(0);
  ASSERT_EQ(kTouchPadTurnedOn, TouchPadCtrl(1));
  SetPad(0);
  testkit::SetKnob(kFsp, "GetDeviceConfig", 0);
  testkit::ResetJournal();
  EXPECT_EQ(0, TouchPadCtrl(1));
  EXPECT_EQ(0, TouchPadCtrl(0));
  EXPECT_EQ(0u, Pad());
  const auto calls = Calls();
  EXPECT_EQ(0, testkit::CountCalls(calls, "SetDeviceConfig"));
  EXPECT_EQ(2, testkit::CountCalls(calls, "GetDeviceConfig() = 0"));
  EXPECT_EQ(2, testkit::CountCalls(calls, "CloseDevice()"));
  EXPECT_EQ(0u, calls.back().find("FspLib CloseDevice()"));
}

TEST_F(TouchPad, FailedConfigWriteIsNotReportedAsAToggle) {
  SetPad(1);
  testkit::SetKnob(kFsp, "SetDeviceConfig", 0);
  EXPECT_EQ(0, TouchPadCtrl(1));
  EXPECT_EQ(1u, Pad());
  const auto calls = Calls();
  ASSERT_EQ(5u, calls.size());
  EXPECT_EQ("FspLib SetDeviceConfig() = 0 [state 0, word 0x800]", calls[3]);
  EXPECT_EQ(0u, calls[4].find("FspLib CloseDevice()"));
}

TEST_F(TouchPad, CloseFailureDoesNotChangeTheResult) {
  SetPad(1);
  testkit::SetKnob(kFsp, "CloseDevice", 0);
  EXPECT_EQ(kTouchPadTurnedOff, TouchPadCtrl(1));
  EXPECT_EQ(0u, Pad());
}

}  // namespace
