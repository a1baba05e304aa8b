// The endpoint path in-process against the Core Audio double (the enumerator
// class points at it in the prefix): master volume and mute as the endpoint
// keeps them, the OSD values, COM's balance and every failure's line.
#include <gtest/gtest.h>

#include <objbase.h>

#include <limits>
#include <string>
#include <vector>

#include "audio.h"
#include "audio_fixture.h"
#include "handles.h"

using namespace audio_test;

namespace {

const char kMmdevapi[] = "mmdevapi";

// True when the thread has no COM apartment left (nothing unbalanced).
bool ThreadHasNoApartment() {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(hr)) CoUninitialize();
  return hr == S_OK;
}

class Endpoint : public testkit::FreshNotebook {
 protected:
  void SetUp() override {
    FreshNotebook::SetUp();
    MarkOSDUntouched();
    // Held by the test too, so its object count can be read after COM lets go.
    double_.reset(LoadLibraryW(L"testbed_mmdevapi.dll"));
    ASSERT_TRUE(double_) << GetLastError();
    liveObjects_ = reinterpret_cast<int(__cdecl*)()>(
        reinterpret_cast<void*>(GetProcAddress(double_.get(), "TestbedMmdevapiLiveObjects")));
    ASSERT_NE(nullptr, liveObjects_);
    ASSERT_TRUE(ThreadHasNoApartment());
  }
  void TearDown() override {
    EXPECT_EQ(0, liveObjects_()) << "an endpoint object was not released";
    EXPECT_EQ(nullptr, pEndpointVolume);
    EXPECT_TRUE(ThreadHasNoApartment()) << "CoInitialize and CoUninitialize are not balanced";
  }

  static void SetVolume(float value, DWORD mute = 0) {
    SetFloatKnob(kMmdevapi, "MasterScalar", value);
    testkit::SetKnob(kMmdevapi, "Mute", mute);
  }
  static float Volume() { return FloatKnob(kMmdevapi, "MasterScalar"); }
  // What the hotkey thread does for a volume key on Windows Vista and 7.
  static int VolumeKey(int direction) {
    int r = VolumeMute(1);
    if (r == 1) r = direction == 1 ? VolumeIn() : VolumeDe();
    return r;
  }

  suite::UniqueModule double_;
  int(__cdecl* liveObjects_)() = nullptr;
};

TEST_F(Endpoint, TheEnumeratorClassIsServedByTheDouble) {
  EXPECT_NE(nullptr, GetProcAddress(double_.get(), "TestbedMmdevapiDouble"));
  ASSERT_EQ(1, VolumeMute(1));
  EXPECT_EQ((std::vector<std::string>{
                "CreateInstance(IMMDeviceEnumerator) = 0x00000000",
                "GetDefaultAudioEndpoint(0, 0) = 0x00000000",
                "Activate(IAudioEndpointVolume, 0x1, null) = 0x00000000",
                "Destroyed(IMMDevice)",
                "Destroyed(IMMDeviceEnumerator)",
                "GetMute(0) = 0x00000000",
                "Destroyed(IAudioEndpointVolume)",
            }),
            ComponentCalls(kMmdevapi));
}

TEST_F(Endpoint, VolumeUpFromZeroReachesExactlyOneOnTheFifteenthPress) {
  SetVolume(0.0f);
  ExpectEndpointClimbsToOne(
      [] {
        ASSERT_EQ(1, VolumeKey(1));
        EXPECT_EQ(kIconVolumeUp, iOSDIcon);
      },
      Volume, [] { return iOSDLevel; });
}

TEST_F(Endpoint, VolumeDownFromOneEndsAtExactlyZero) {
  SetVolume(1.0f);
  ExpectEndpointFallsToZero(
      [] {
        ASSERT_EQ(1, VolumeKey(0));
        EXPECT_EQ(kIconVolumeDown, iOSDIcon);
      },
      Volume, [] { return iOSDLevel; });
}

TEST_F(Endpoint, AVolumeThatIsNotANumberGoesToZeroOrFull) {
  SetVolume(std::numeric_limits<float>::quiet_NaN());
  ASSERT_EQ(1, VolumeDe());
  EXPECT_EQ(0.0f, Volume());
  SetVolume(std::numeric_limits<float>::quiet_NaN());
  ASSERT_EQ(1, VolumeIn());
  EXPECT_EQ(1.0f, Volume());
  EXPECT_EQ(15, iOSDLevel);
}

TEST_F(Endpoint, EnsureSoundOnLeavesAnUnmutedEndpointAlone) {
  SetVolume(0.5f, 0);
  EXPECT_EQ(1, VolumeMute(1));
  EXPECT_EQ(0u, Knob(kMmdevapi, "Mute"));
  EXPECT_EQ(kUntouchedIcon, iOSDIcon);
  EXPECT_EQ(-1, testkit::JournalIndex(testkit::JournalCalls(kMmdevapi), "SetMute"));
}

TEST_F(Endpoint, MuteKeyToggles) {
  SetVolume(0.5f, 0);
  ExpectMuteKeyToggles([] { return VolumeMute(0); }, [] { return Knob(kMmdevapi, "Mute"); });
  EXPECT_GE(testkit::JournalIndex(testkit::JournalCalls(kMmdevapi), "SetMute(1, null)"), 0);
}

TEST_F(Endpoint, VolumeKeyWhileMutedUnmutesThenSteps) {
  SetVolume(0.2f, 1);
  ASSERT_EQ(1, VolumeKey(1));
  EXPECT_EQ(0u, Knob(kMmdevapi, "Mute"));
  EXPECT_FLOAT_EQ(0.26666667f, Volume());
  EXPECT_EQ(kIconVolumeUp, iOSDIcon);
  EXPECT_EQ(4, iOSDLevel);
  // COM is set up and torn down once per operation.
  const auto calls = ComponentCalls(kMmdevapi);
  EXPECT_EQ(2, testkit::CountCalls(calls, "CreateInstance("));
  EXPECT_EQ(2, testkit::CountCalls(calls, "Destroyed(IAudioEndpointVolume)"));
}

TEST_F(Endpoint, EachOperationPausesBeforeLettingGo) {
  SetVolume(0.5f);
  for (auto operation :
       {+[] { return VolumeMute(1); }, +[] { return VolumeIn(); }, +[] { return VolumeDe(); }}) {
    const DWORD start = GetTickCount();
    EXPECT_EQ(1, operation());
    EXPECT_GE(GetTickCount() - start, 45u);
  }
}

TEST_F(Endpoint, AnApartmentTheCallerOwnsSurvives) {
  ASSERT_EQ(S_OK, CoInitialize(nullptr));
  EXPECT_EQ(1, VolumeIn());
  // Still initialised: the operation undid only its own CoInitialize.
  EXPECT_EQ(S_FALSE, CoInitialize(nullptr));
  CoUninitialize();
  CoUninitialize();
}

TEST_F(Endpoint, COMInitAloneHandsOutTheInterface) {
  ASSERT_EQ(1, COMInit());
  ASSERT_NE(nullptr, pEndpointVolume);
  float value = -1.0f;
  EXPECT_EQ(S_OK, pEndpointVolume->GetMasterVolumeLevelScalar(&value));
  EXPECT_EQ(0.0f, value);
  pEndpointVolume->Release();
  pEndpointVolume = nullptr;
  CoUninitialize();
}

using EndpointLog = testkit::WithLog<Endpoint>;

TEST_F(EndpointLog, CoInitializeFailureKeepsTheCallersApartment) {
  ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  SetLastError(4321);
  EXPECT_EQ(0, VolumeMute(0));
  const auto texts = log_.Texts();
  ASSERT_EQ(2u, texts.size());
  EXPECT_EQ(0u, texts[0].rfind("[Media Buttons][COMInit]CoInitialize() Error : ", 0)) << texts[0];
  EXPECT_EQ("[Media Buttons][Volume Mute]COMInit() Error", texts[1]);
  EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  CoUninitialize();
  CoUninitialize();
}

TEST_F(EndpointLog, EachCOMInitFailureHasItsLineAndEveryOperationItsOwn) {
  const std::string notFound = std::to_string(static_cast<int>(0x80070490));
  const struct {
    const char* knob;
    DWORD value;
    std::string line;
  } table[] = {
      {"CreateInstanceFail", static_cast<DWORD>(REGDB_E_CLASSNOTREG),
       "[Media Buttons][COMInit]CoCreateInstance() Error : 1234"},
      {"GetDefaultAudioEndpointFail", 0x80070490,
       "[Media Buttons][COMInit]GetDefaultAudioEndpoint() Error : " + notFound},
      {"NoEndpoint", 1, "[Media Buttons][COMInit]GetDefaultAudioEndpoint() Error : " + notFound},
      {"ActivateFail", static_cast<DWORD>(E_OUTOFMEMORY),
       "[Media Buttons][COMInit]Activate() Error : " +
           std::to_string(static_cast<int>(E_OUTOFMEMORY))},
  };
  for (const auto& row : table) {
    testkit::ClearKnobs();
    testkit::SetKnob(kMmdevapi, row.knob, row.value);
    testkit::SetKnob(kMmdevapi, "FailLastError", 1234);
    log_.Clear();
    EXPECT_EQ(0, VolumeMute(0)) << row.knob;
    EXPECT_EQ(0, VolumeIn()) << row.knob;
    EXPECT_EQ(0, VolumeDe()) << row.knob;
    EXPECT_EQ((std::vector<std::string>{row.line, "[Media Buttons][Volume Mute]COMInit() Error",
                                        row.line, "[Media Buttons][VolumeIn]COMInit() Error",
                                        row.line, "[Media Buttons][VolumeDe]COMInit() Error"}),
              log_.Texts());
    EXPECT_EQ(kUntouchedIcon, iOSDIcon);
    EXPECT_EQ(0, liveObjects_()) << row.knob;
    EXPECT_TRUE(ThreadHasNoApartment()) << row.knob;
  }
}

TEST_F(EndpointLog, EachVolumeFailureHasItsLineAndWritesNoOSDValue) {
  const struct {
    const char* knob;
    int (*operation)();
    const char* line;
  } table[] = {
      {"GetMuteFail", [] { return VolumeMute(0); },
       "[Media Buttons][Volume Mute]GetMute() Error : 1234"},
      {"SetMuteFail", [] { return VolumeMute(0); },
       "[Media Buttons][Volume Mute]SetMute() Error : 1234"},
      {"GetMasterVolumeLevelScalarFail", [] { return VolumeIn(); },
       "[Media Buttons][Volume In]GetMasterVolumeLevelScalar() Error"},
      {"GetMasterVolumeLevelScalarFail", [] { return VolumeDe(); },
       "[Media Buttons][Volume In]GetMasterVolumeLevelScalar() Error"},
      {"SetMasterVolumeLevelScalarFail", [] { return VolumeIn(); },
       "[Media Buttons][Volume In]SetMasterVolumeLevelScalar() Error"},
      {"SetMasterVolumeLevelScalarFail", [] { return VolumeDe(); },
       "[Media Buttons][Volume De]SetMasterVolumeLevelScalar() Error"},
  };
  for (const auto& row : table) {
    testkit::ClearKnobs();
    SetVolume(0.5f, 1);
    testkit::SetKnob(kMmdevapi, row.knob, static_cast<DWORD>(E_FAIL));
    testkit::SetKnob(kMmdevapi, "FailLastError", 1234);
    MarkOSDUntouched();
    log_.Clear();
    EXPECT_EQ(0, row.operation()) << row.knob;
    EXPECT_EQ(std::vector<std::string>{row.line}, log_.Texts());
    EXPECT_EQ(kUntouchedIcon, iOSDIcon) << row.knob;
    EXPECT_EQ(kUntouchedLevel, iOSDLevel) << row.knob;
    EXPECT_EQ(0.5f, Volume());
    EXPECT_EQ(1u, Knob(kMmdevapi, "Mute"));
    EXPECT_EQ(0, liveObjects_()) << row.knob;
    EXPECT_TRUE(ThreadHasNoApartment()) << row.knob;
  }
}

TEST_F(EndpointLog, ARejectedSetIsAFailure) {
  SetVolume(-0.5f);  // out of range: the stepped value is too
  EXPECT_EQ(0, VolumeIn());
  EXPECT_EQ(
      std::vector<std::string>{"[Media Buttons][Volume In]SetMasterVolumeLevelScalar() Error"},
      log_.Texts());
  EXPECT_EQ(kUntouchedIcon, iOSDIcon);
}

}  // namespace
