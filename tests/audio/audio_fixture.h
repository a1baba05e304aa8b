// What the audio and mail-path tests share: the stand-ins' device state, the
// OSD request values, and the runs of presses the rules and both stacks make.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <shlwapi.h>

#include "audio.h"
#include "journal.h"
#include "log_capture.h"
#include "mailpath.h"
#include "notebook_fixture.h"
#include "osd.h"

namespace audio_test {

// Values the operations never write, so an untouched OSD request shows.
constexpr LONG kUntouchedIcon = 12345;
constexpr LONG kUntouchedLevel = -77;

// An icon value through the mail path's string rules in the order the
// resolution applies them, with programFiles for the machine's Program Files.
inline std::wstring ResolvedByRules(const std::wstring& iconValue,
                                    const wchar_t* programFiles = L"C:\\Program Files") {
  wchar_t working[kMailPathChars] = {};
  wchar_t location[kMailPathChars] = {};
  ExpandIconLocation(iconValue.c_str(), working);
  CutIconIndex(working);
  PathUnquoteSpacesW(working);
  ResolveProgramFiles(working, programFiles, location);
  return location;
}

inline void MarkOSDUntouched() {
  iOSDIcon = kUntouchedIcon;
  iOSDLevel = kUntouchedLevel;
}

inline DWORD Knob(const char* component, const std::string& name, DWORD fallback = 0xDEADBEEF) {
  return testbed::KnobDword(component, name.c_str(), fallback);
}

inline float FloatKnob(const char* component, const char* name) {
  return testkit::BitsFloat(Knob(component, name));
}

// Sixteen presses up from silence on the endpoint path, press() making one and
// value() and level() reading what it left: fifteen rising steps, each a
// single-precision sum, land on exactly one, and the sixteenth stays there.
template <typename Press, typename Value, typename Level>
void ExpectEndpointClimbsToOne(Press press, Value value, Level level) {
  std::vector<float> seen;
  for (int n = 1; n <= 16; ++n) {
    SCOPED_TRACE("press " + std::to_string(n));
    const float before = value();
    press();
    if (::testing::Test::HasFatalFailure()) return;
    seen.push_back(value());
    EXPECT_GT(seen.back(), n <= 15 ? before : -1.0f);
    EXPECT_EQ(n <= 15 ? n : 15, level());
  }
  EXPECT_EQ(0.06666667f, seen[0]);
  EXPECT_EQ(0.13333334f, seen[1]);
  EXPECT_EQ(0.20000002f, seen[2]);
  EXPECT_EQ(0.93333334f, seen[13]);
  EXPECT_EQ(1.0f, seen[14]);
  EXPECT_EQ(1.0f, seen[15]);
}

// Sixteen presses down from full: fourteen leave one step's worth and level 1,
// the fifteenth a tiny rest shown as 0, the sixteenth exactly zero.
template <typename Press, typename Value, typename Level>
void ExpectEndpointFallsToZero(Press press, Value value, Level level) {
  for (int n = 1; n <= 14; ++n) {
    SCOPED_TRACE("press " + std::to_string(n));
    press();
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_EQ(0.066666715f, value());
  EXPECT_EQ(1, level());
  press();
  if (::testing::Test::HasFatalFailure()) return;
  EXPECT_GT(value(), 0.0f);
  EXPECT_NEAR(4.5e-8, value(), 0.1e-8);
  EXPECT_EQ(0, level());
  press();
  if (::testing::Test::HasFatalFailure()) return;
  EXPECT_EQ(0.0f, value());
  EXPECT_EQ(0, level());
}

// The mute key twice on an unmuted device: muted with the sound-off picture,
// then unmuted with the sound-on one, and no level shown either time.
template <typename Press, typename Muted>
void ExpectMuteKeyToggles(Press press, Muted muted) {
  ASSERT_EQ(1, press());
  EXPECT_EQ(1u, muted());
  EXPECT_EQ(kIconSoundOff, iOSDIcon);
  ASSERT_EQ(1, press());
  EXPECT_EQ(0u, muted());
  EXPECT_EQ(kIconSoundOn, iOSDIcon);
  EXPECT_EQ(kUntouchedLevel, iOSDLevel);
}

using testkit::ComponentCalls;
using testkit::SetFloatKnob;

}  // namespace audio_test
