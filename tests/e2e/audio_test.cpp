// The volume and mute keys end to end: on Windows XP the service drives the
// winmm double's speaker line, on Windows 7 the Core Audio double's endpoint;
// on other Windows versions the three keys do nothing.
#include "suite_fixture.h"

namespace {

constexpr DWORD kUp = 48, kDown = 49, kMute = 50;
// The single-precision number nearest to 1/15.
constexpr float kEndpointStep = 0.066666670143604278564453125f;

class AudioKeys : public SuiteTest {
 protected:
  // One press; true when its OSD showed, and then did not come back (one
  // request, one display cycle).
  bool PressShowsOneOsd(DWORD code) {
    if (!PressShowsOsd(code)) return false;
    return !OsdShowsAgainWithin(400);
  }

  // A volume key on a muted device: one OSD, and the unmute journaled before
  // the step.
  void ExpectUnmuteThenStep(const char* component, const std::string& unmute,
                            const std::string& step) {
    Start();
    EXPECT_TRUE(PressShowsOneOsd(kUp));
    EXPECT_EQ(0u, Knob(component, "Mute"));
    const auto calls = Calls();
    const int unmuted = testkit::JournalIndex(calls, unmute);
    EXPECT_GE(unmuted, 0) << testing::PrintToString(calls);
    EXPECT_GT(testkit::JournalIndex(calls, step), unmuted);
  }

  // The mute key twice on an unmuted device: muted, then unmuted, one OSD each.
  void ExpectMuteTogglesBothWays(const char* component) {
    Start();
    EXPECT_TRUE(PressShowsOneOsd(kMute));
    EXPECT_EQ(1u, Knob(component, "Mute"));
    EXPECT_TRUE(PressShowsOneOsd(kMute));
    EXPECT_EQ(0u, Knob(component, "Mute"));
  }
};

class Mixer : public AudioKeys {
 protected:
  static void SetLine(DWORD volume, DWORD mute) {
    testkit::SetKnob("winmm", "Channels", 1);
    testkit::SetKnob("winmm", "Volume0", volume);
    testkit::SetKnob("winmm", "Mute", mute);
  }
  static DWORD Volume() { return Knob("winmm", "Volume0"); }
  static DWORD Muted() { return Knob("winmm", "Mute"); }
};

TEST_F(Mixer, VolumeKeyWhileMutedUnmutesAndStepsWithOneOsd) {
  SetLine(0, 1);
  ExpectUnmuteThenStep("winmm", "mixerSetControlDetails(0x80000000, mute, 1, 0) = 0",
                       "mixerSetControlDetails(0x80000000, volume, 1, 4369) = 0");
  EXPECT_EQ(4369u, Volume());
  // The mixer is opened and closed around the press.
  EXPECT_EQ(CountCalls("winmm mixerOpen("), CountCalls("winmm mixerClose() = 0"));
}

TEST_F(Mixer, VolumeKeysStepWithoutTouchingAnUnmutedLine) {
  SetLine(4369, 0);
  Start();
  EXPECT_TRUE(PressShowsOneOsd(kUp));
  EXPECT_EQ(8738u, Volume());
  EXPECT_TRUE(PressShowsOneOsd(kDown));
  EXPECT_TRUE(PressShowsOneOsd(kDown));
  EXPECT_EQ(0u, Volume());
  EXPECT_EQ(0, CountCalls("mixerSetControlDetails(0x80000000, mute"));
  EXPECT_EQ(0u, Muted());
}

TEST_F(Mixer, MuteKeyTogglesBothWays) {
  SetLine(30000, 0);
  ExpectMuteTogglesBothWays("winmm");
  EXPECT_EQ(30000u, Volume());
}

TEST_F(Mixer, AFailingMixerShowsNoPicture) {
  SetLine(0, 0);
  testkit::SetKnob("winmm", "mixerSetControlDetailsFail", MMSYSERR_ERROR);
  Start();
  EXPECT_FALSE(PressShowsOsd(kMute, kTimeGivenToShow));
  EXPECT_FALSE(PressShowsOsd(kUp, kTimeGivenToShow));
  EXPECT_EQ(0u, Volume());
  EXPECT_TRUE(StillRunning());
}

class Endpoint : public AudioKeys {
 protected:
  static void SetEndpoint(float scalar, DWORD mute) {
    testkit::SetFloatKnob("mmdevapi", "MasterScalar", scalar);
    testkit::SetKnob("mmdevapi", "Mute", mute);
  }
  static float Scalar() { return testkit::BitsFloat(Knob("mmdevapi", "MasterScalar")); }
};

TEST_F(Endpoint, VolumeKeyWhileMutedUnmutesAndStepsWithOneOsd) {
  SetEndpoint(0.0f, 1);
  ExpectUnmuteThenStep("mmdevapi", "mmdevapi SetMute(0, null) = 0x00000000",
                       "mmdevapi SetMasterVolumeLevelScalar(");
  EXPECT_EQ(kEndpointStep, Scalar());
}

TEST_F(Endpoint, VolumeKeysStepWithoutTouchingAnUnmutedEndpoint) {
  SetEndpoint(1.0f, 0);
  Start();
  EXPECT_TRUE(PressShowsOneOsd(kDown));
  EXPECT_EQ(float(1.0 - double(kEndpointStep)), Scalar());
  EXPECT_TRUE(PressShowsOneOsd(kUp));
  EXPECT_EQ(1.0f, Scalar());
  EXPECT_EQ(0, CountCalls("mmdevapi SetMute("));
}

TEST_F(Endpoint, MuteKeyTogglesBothWays) {
  SetEndpoint(0.5f, 0);
  ExpectMuteTogglesBothWays("mmdevapi");
  EXPECT_EQ(0.5f, Scalar());
}

TEST_F(Endpoint, NoRenderEndpointShowsNoPicture) {
  testkit::SetKnob("mmdevapi", "NoEndpoint", 1);
  Start();
  for (DWORD code : {kUp, kDown, kMute})
    EXPECT_FALSE(PressShowsOsd(code, kTimeGivenToShow)) << code;
  EXPECT_TRUE(StillRunning());
}

// OS generation -1 (Windows XP x64 reports 5.2).
using OtherWindows = AudioKeys;

TEST_F(OtherWindows, VolumeAndMuteKeysDoNothing) {
  testkit::SetKnob("winmm", "Volume0", 4369);
  testkit::SetKnob("winmm", "Mute", 1);
  testkit::SetKnob("mmdevapi", "Mute", 1);
  Start();
  for (DWORD code : {kUp, kDown, kMute})
    EXPECT_FALSE(PressShowsOsd(code, kTimeGivenToShow)) << code;
  EXPECT_EQ(0, CountCalls("winmm ")) << testing::PrintToString(Calls());
  EXPECT_EQ(0, CountCalls("mmdevapi "));
  EXPECT_EQ(4369u, Knob("winmm", "Volume0"));
  EXPECT_EQ(1u, Knob("winmm", "Mute"));
  // The keys that need no audio still work there.
  EXPECT_TRUE(PressShowsOsd(17));
}

}  // namespace
