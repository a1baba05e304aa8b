// The mixer path in-process against the winmm double (bound through winmm=n):
// the speaker line's volume and mute as the device keeps them, the OSD values,
// the calls as the mixer saw them and every failure's line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio.h"
#include "audio_fixture.h"

using namespace audio_test;

namespace {

const char kWinmm[] = "winmm";

class Mixer : public testkit::FreshNotebook {
 protected:
  void SetUp() override {
    FreshNotebook::SetUp();
    MarkOSDUntouched();
    m_hMixer = nullptr;
  }
  void TearDown() override { CloseMixer(); }

  static void SetLine(std::vector<DWORD> volumes, DWORD mute = 0) {
    testkit::SetKnob(kWinmm, "Channels", static_cast<DWORD>(volumes.size()));
    for (size_t i = 0; i < volumes.size(); ++i)
      testkit::SetKnob(kWinmm, ("Volume" + std::to_string(i)).c_str(), volumes[i]);
    testkit::SetKnob(kWinmm, "Mute", mute);
  }
  static std::vector<DWORD> Volumes(size_t channels) {
    std::vector<DWORD> volumes;
    for (size_t i = 0; i < channels; ++i)
      volumes.push_back(Knob(kWinmm, "Volume" + std::to_string(i)));
    return volumes;
  }
  // What the hotkey thread does for a volume key on Windows XP.
  static int VolumeKey(int direction) {
    InitMixer();
    int r = XPMute(1);
    if (r == 1) r = XPVolume(direction);
    CloseMixer();
    return r;
  }
  static int MuteKey() {
    InitMixer();
    const int r = XPMute(0);
    CloseMixer();
    return r;
  }
};

TEST_F(Mixer, TheProcessIsBoundToTheDouble) {
  HMODULE winmm = GetModuleHandleW(L"winmm.dll");
  ASSERT_NE(nullptr, winmm);
  EXPECT_NE(nullptr, GetProcAddress(winmm, "TestbedWinmmDouble"))
      << "winmm.dll is Wine's builtin: the override winmm=n did not apply";
  // What the double does not fake still works, through Wine's own winmm.
  EXPECT_NE(0u, timeGetTime());
}

TEST_F(Mixer, VolumeUpFromZeroStepsFifteenTimesThenStays) {
  SetLine({0});
  for (int press = 1; press <= 17; ++press) {
    ASSERT_EQ(1, VolumeKey(1)) << "press " << press;
    const DWORD expected = press <= 15 ? 4369u * press : 65535u;
    EXPECT_EQ(expected, Knob(kWinmm, "Volume0")) << "press " << press;
    EXPECT_EQ(press <= 15 ? press : 15, iOSDLevel) << "press " << press;
    EXPECT_EQ(kIconVolumeUp, iOSDIcon);
  }
}

TEST_F(Mixer, VolumeDownFromTopReachesZero) {
  SetLine({65535});
  for (int press = 1; press <= 16; ++press) {
    ASSERT_EQ(1, VolumeKey(0)) << "press " << press;
    EXPECT_EQ(press <= 15 ? 65535u - 4369u * press : 0u, Knob(kWinmm, "Volume0"));
    EXPECT_EQ(press <= 15 ? 15 - press : 0, iOSDLevel) << "press " << press;
    EXPECT_EQ(kIconVolumeDown, iOSDIcon);
  }
}

TEST_F(Mixer, OneStepOrLessDownGoesToZero) {
  for (DWORD start : {4369u, 4000u, 1u}) {
    SetLine({start});
    ASSERT_EQ(1, VolumeKey(0));
    EXPECT_EQ(0u, Knob(kWinmm, "Volume0")) << start;
    EXPECT_EQ(0, iOSDLevel);
  }
}

TEST_F(Mixer, TwoChannelsKeepTheirBalance) {
  const struct {
    std::vector<DWORD> before;
    int direction;
    std::vector<DWORD> after;
    LONG level;
  } table[] = {
      {{30000, 15000}, 1, {34369, 17184}, 7},
      {{15000, 30000}, 1, {17184, 34369}, 7},
      {{20000, 20000}, 0, {15631, 15631}, 3},
      {{0, 0}, 1, {4369, 4369}, 1},
  };
  for (const auto& row : table) {
    SetLine(row.before);
    ASSERT_EQ(1, VolumeKey(row.direction));
    EXPECT_EQ(row.after, Volumes(2)) << row.before[0] << "/" << row.before[1];
    EXPECT_EQ(row.level, iOSDLevel);
  }
}

TEST_F(Mixer, VolumeIsReadAndWrittenWholeOrAsOneValueWhenUniform) {
  SetLine({10000, 30000, 30000});
  ASSERT_EQ(1, VolumeKey(1));
  EXPECT_EQ((std::vector<DWORD>{11455, 34369, 34369}), Volumes(3));

  testkit::ResetJournal();
  SetLine({0, 6000, 12000, 60000, 30000, 60000});
  ASSERT_EQ(1, VolumeKey(0));
  EXPECT_EQ((std::vector<DWORD>{0, 5563, 11126, 55631, 27815, 55631}), Volumes(6));
  EXPECT_GE(testkit::JournalIndex(testkit::JournalCalls(kWinmm),
                                  "mixerGetControlDetailsW(0x80000000, volume, 6) = 0 0 6000 "
                                  "12000 60000 30000 60000"),
            0);
  EXPECT_GE(testkit::JournalIndex(testkit::JournalCalls(kWinmm),
                                  "mixerSetControlDetails(0x80000000, volume, 6, 0 5563 11126 "
                                  "55631 27815 55631) = 0"),
            0);

  testkit::ResetJournal();
  SetLine({30000, 15000});
  testkit::SetKnob(kWinmm, "VolumeUniform", 1);
  ASSERT_EQ(1, VolumeKey(1));
  EXPECT_EQ((std::vector<DWORD>{34369, 34369}), Volumes(2));
  EXPECT_EQ(7, iOSDLevel);
  const auto calls = testkit::JournalCalls(kWinmm);
  EXPECT_GE(
      testkit::JournalIndex(calls, "mixerGetControlDetailsW(0x80000000, volume, 1) = 0 30000"), 0);
  EXPECT_GE(
      testkit::JournalIndex(calls, "mixerSetControlDetails(0x80000000, volume, 1, 34369) = 0"), 0);
}

TEST_F(Mixer, ALineWithMoreChannelsThanTheArrayIsNeverOverrun) {
  SetLine(std::vector<DWORD>(40, 1000));
  InitMixer();
  // At most 32 values are asked for; the line's driver wants 1 or all 40.
  EXPECT_EQ(0, XPVolume(1));
  EXPECT_GE(testkit::JournalIndex(testkit::JournalCalls(kWinmm),
                                  "mixerGetControlDetailsW(0x80000000, volume, 32) = 11"),
            0);
  EXPECT_EQ(-1, testkit::JournalIndex(testkit::JournalCalls(kWinmm), "mixerSetControlDetails"));
  EXPECT_EQ(std::vector<DWORD>(40, 1000), Volumes(40));
}

TEST_F(Mixer, ALineWithoutChannelsFailsWithoutTouchingTheOSD) {
  SetLine({});
  InitMixer();
  EXPECT_EQ(0, XPVolume(1));
  EXPECT_EQ(kUntouchedIcon, iOSDIcon);
  EXPECT_EQ(kUntouchedLevel, iOSDLevel);
  EXPECT_EQ(-1, testkit::JournalIndex(testkit::JournalCalls(kWinmm), "ControlDetails"));
}

TEST_F(Mixer, EnsureSoundOnLeavesAnUnmutedLineAlone) {
  SetLine({1000, 1000}, 0);
  InitMixer();
  EXPECT_EQ(1, XPMute(1));
  EXPECT_EQ(0u, Knob(kWinmm, "Mute"));
  EXPECT_EQ(kUntouchedIcon, iOSDIcon);
  EXPECT_EQ(-1, testkit::JournalIndex(testkit::JournalCalls(kWinmm), "mixerSetControlDetails"));
}

TEST_F(Mixer, MuteKeyToggles) {
  SetLine({1000, 1000}, 0);
  ExpectMuteKeyToggles(MuteKey, [] { return Knob(kWinmm, "Mute"); });
}

TEST_F(Mixer, AnyNonZeroMuteValueCountsAsMuted) {
  SetLine({1000}, 2);
  ASSERT_EQ(1, MuteKey());
  EXPECT_EQ(0u, Knob(kWinmm, "Mute"));
  EXPECT_EQ(kIconSoundOn, iOSDIcon);
}

TEST_F(Mixer, VolumeKeyWhileMutedUnmutesThenSteps) {
  SetLine({8738}, 1);
  ASSERT_EQ(1, VolumeKey(1));
  EXPECT_EQ(0u, Knob(kWinmm, "Mute"));
  EXPECT_EQ(13107u, Knob(kWinmm, "Volume0"));
  EXPECT_EQ(kIconVolumeUp, iOSDIcon);
  EXPECT_EQ(3, iOSDLevel);
  const auto calls = testkit::JournalCalls(kWinmm);
  const int unmute = testkit::JournalIndex(calls, "mixerSetControlDetails(0x80000000, mute, 1, 0)");
  const int step =
      testkit::JournalIndex(calls, "mixerSetControlDetails(0x80000000, volume, 1, 13107)");
  ASSERT_GE(unmute, 0);
  EXPECT_GT(step, unmute);
}

TEST_F(Mixer, CallsNameTheOpenMixerAndTheSpeakerLine) {
  SetLine({1000, 1000});
  ASSERT_EQ(1, VolumeKey(1));
  const std::vector<std::string> expected = {
      "mixerGetNumDevs() = 1",
      "mixerOpen(0, 0x0, 0x0) = 0",
      "mixerGetDevCapsW(hmixer, 80) = 0",
      "mixerGetLineInfoW(0x80000003, 0x4, 280) = 0",
      "mixerGetLineControlsW(0x80000002, 0xffff0000, 0x20010002, 1, 228) = 0",
      "mixerGetControlDetailsW(0x80000000, mute, 1) = 0 0",
      "mixerGetLineInfoW(0x80000003, 0x4, 280) = 0",
      "mixerGetLineControlsW(0x80000002, 0xffff0000, 0x50030001, 1, 228) = 0",
      "mixerGetControlDetailsW(0x80000000, volume, 2) = 0 1000 1000",
      "mixerSetControlDetails(0x80000000, volume, 2, 5369 5369) = 0",
      "mixerClose() = 0",
  };
  EXPECT_EQ(expected, ComponentCalls(kWinmm));
  EXPECT_EQ(nullptr, m_hMixer);
}

TEST_F(Mixer, CloseMixerReportsWhetherAMixerWasClosed) {
  EXPECT_EQ(0, CloseMixer());
  ASSERT_EQ(1, InitMixer());
  ASSERT_NE(nullptr, m_hMixer);
  EXPECT_EQ(1, CloseMixer());
  EXPECT_EQ(nullptr, m_hMixer);
  EXPECT_EQ(0, CloseMixer());
  ASSERT_EQ(1, InitMixer());
  testkit::SetKnob(kWinmm, "mixerCloseFail", MMSYSERR_ERROR);
  EXPECT_EQ(0, CloseMixer());
  EXPECT_EQ(nullptr, m_hMixer);
}

using MixerLog = testkit::WithLog<Mixer>;

TEST_F(MixerLog, NoDeviceIsNotAnErrorUntilTheMuteStep) {
  testkit::SetKnob(kWinmm, "Devices", 0);
  EXPECT_EQ(1, InitMixer());
  EXPECT_EQ(nullptr, m_hMixer);
  EXPECT_EQ(0, XPMute(1));
  EXPECT_EQ(0, XPVolume(1));
  EXPECT_EQ(0, CloseMixer());
  EXPECT_EQ((std::vector<std::string>{"[Vexil][XPMute]m_hMixer == NULL",
                                      "[Vexil][XPVolume]m_hMixer == NULL"}),
            log_.Texts());
  EXPECT_EQ(-1, testkit::JournalIndex(testkit::JournalCalls(kWinmm), "mixerOpen"));
  EXPECT_EQ(kUntouchedIcon, iOSDIcon);
}

TEST_F(MixerLog, InitMixerFailures) {
  testkit::SetKnob(kWinmm, "mixerOpenFail", MMSYSERR_ALLOCATED);
  EXPECT_EQ(0, InitMixer());
  EXPECT_EQ(nullptr, m_hMixer);
  EXPECT_EQ(std::vector<std::string>{"[Vexil][InitMixer]mixerOpen() Error"}, log_.Texts());

  log_.Clear();
  testkit::ClearKnobs();
  testkit::SetKnob(kWinmm, "mixerGetDevCapsWFail", MMSYSERR_ERROR);
  EXPECT_EQ(0, InitMixer());
  EXPECT_EQ(std::vector<std::string>{"[Vexil][InitMixer]mixerGetDevCaps() Error"}, log_.Texts());
  // The mixer stays open until CloseMixer.
  EXPECT_NE(nullptr, m_hMixer);
  EXPECT_EQ(1, CloseMixer());
}

TEST_F(MixerLog, EachMixerStepFailureHasItsLine) {
  const struct {
    const char* knob;
    const char* muteLine;
    const char* volumeLine;
  } table[] = {
      {"mixerGetLineInfoWFail", "[Vexil][XPMute]mixerGetLineInfo() Error",
       "[Vexil][XPVolume]mixerGetLineInfo() Error"},
      {"mixerGetLineControlsWFail", "[Vexil][XPMute]mixerGetLineControls() Error",
       "[Vexil][XPVolume]mixerGetLineControls() Error"},
      {"mixerGetControlDetailsWFail", "[Vexil][XPMute]mixerGetControlDetails() Error",
       "[Vexil][XPVolume]mixerGetControlDetails() Error"},
      {"mixerSetControlDetailsFail", "[Vexil][XPMute]mixerSetControlDetails() Error",
       "[Vexil][XPVolume]mixerSetControlDetails() Error"},
  };
  for (const auto& row : table) {
    testkit::ClearKnobs();
    SetLine({30000, 15000}, 1);
    ASSERT_EQ(1, InitMixer());
    testkit::SetKnob(kWinmm, row.knob, MMSYSERR_ERROR);
    MarkOSDUntouched();
    log_.Clear();
    EXPECT_EQ(0, XPMute(0)) << row.knob;
    EXPECT_EQ(0, XPVolume(1)) << row.knob;
    EXPECT_EQ((std::vector<std::string>{row.muteLine, row.volumeLine}), log_.Texts());
    const bool setFailed = std::string(row.knob) == "mixerSetControlDetailsFail";
    // Only the final set comes after the OSD values are written.
    EXPECT_EQ(setFailed ? kIconVolumeUp : kUntouchedIcon, iOSDIcon) << row.knob;
    EXPECT_EQ(setFailed ? 7 : kUntouchedLevel, iOSDLevel) << row.knob;
    EXPECT_EQ((std::vector<DWORD>{30000, 15000}), Volumes(2));
    EXPECT_EQ(1u, Knob(kWinmm, "Mute"));
    EXPECT_EQ(1, CloseMixer());
  }
}

}  // namespace
