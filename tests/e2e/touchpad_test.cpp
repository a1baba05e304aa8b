// The touchpad key end to end: "Sorrel.dll" asked first, then the real Fennic.dll
// toggling the pad vendor's stand-in, and an OSD only for a toggle that happened.
#include "suite_fixture.h"

namespace {

const char kFsp[] = "FspLib";

class Touchpad : public SuiteTest {
 protected:
  static DWORD Pad() { return Knob(kFsp, "PadState"); }
};

TEST_F(Touchpad, KeyTogglesThePadThroughFennicAfterSorrelAnsweredZero) {
  testkit::SetKnob(kFsp, "PadState", 1);
  Start();
  EXPECT_TRUE(PressShowsOsd(107));
  EXPECT_EQ(0u, Pad());
  const auto calls = Calls();
  const int sorrel = testkit::JournalIndex(calls, "Sorrel TouchPadCtrl(1) = 0");
  const int open = testkit::JournalIndex(calls, "FspLib OpenDevice() = 1");
  EXPECT_GE(sorrel, 0);
  EXPECT_GT(open, sorrel);
  EXPECT_EQ(1, CountCalls("FspLib SetDeviceConfig() = 1 [state 0,"));

  EXPECT_TRUE(PressShowsOsd(107));
  EXPECT_EQ(1u, Pad()) << "two toggles leave the pad where it started";
  EXPECT_EQ(2, CountCalls("Sorrel TouchPadCtrl(1) = 0"));
}

TEST_F(Touchpad, AnsweringSorrelKeepsFennicOutOfIt) {
  testkit::SetKnob("Sorrel", "TouchPadCtrl", kTouchPadTurnedOn);
  testkit::SetKnob(kFsp, "PadState", 1);
  Start();
  EXPECT_TRUE(PressShowsOsd(107));
  EXPECT_EQ(0, CountCalls("FspLib "));
  EXPECT_EQ(1u, Pad());
}

TEST_F(Touchpad, APadThatIsNotReadyIsLeftAloneWithoutAPicture) {
  testkit::SetKnob(kFsp, "PadState", 1);
  testkit::SetKnob(kFsp, "DeviceReady", 0);
  Start();
  EXPECT_FALSE(PressShowsOsd(107, kTimeGivenToShow));
  EXPECT_EQ(1u, Pad());
  EXPECT_EQ(0, CountCalls("FspLib GetDeviceConfig"));
  EXPECT_EQ(0, CountCalls("FspLib SetDeviceConfig"));
  EXPECT_EQ(1, CountCalls("FspLib CloseDevice"));
  EXPECT_TRUE(StillRunning());
}

// A configuration that could not be read is never written back: no picture, and
// the pad keeps its settings.
TEST_F(Touchpad, AFailedConfigurationReadChangesNothing) {
  testkit::SetKnob(kFsp, "PadState", 0);
  testkit::SetKnob(kFsp, "GetDeviceConfig", 0);
  Start();
  EXPECT_FALSE(PressShowsOsd(107, kTimeGivenToShow));
  EXPECT_EQ(0u, Pad());
  EXPECT_EQ(0, CountCalls("FspLib SetDeviceConfig"));
  EXPECT_EQ(1, CountCalls("FspLib CloseDevice"));
}

// The OSD must not claim a toggle the pad refused.
TEST_F(Touchpad, ARefusedConfigurationShowsNoPicture) {
  testkit::SetKnob(kFsp, "PadState", 0);
  testkit::SetKnob(kFsp, "SetDeviceConfig", 0);
  Start();
  EXPECT_FALSE(PressShowsOsd(107, kTimeGivenToShow));
  EXPECT_EQ(0u, Pad());
  EXPECT_EQ(1, CountCalls("FspLib SetDeviceConfig() = 0"));
}

}  // namespace
