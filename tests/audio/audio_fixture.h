// What the audio and mail-path tests share: the stand-ins' device state and the
// OSD request values.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "journal.h"
#include "log_capture.h"
#include "notebook_fixture.h"
#include "osd.h"

namespace audio_test {

// Values the operations never write, so an untouched OSD request shows.
constexpr LONG kUntouchedIcon = 12345;
constexpr LONG kUntouchedLevel = -77;

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

using testkit::ComponentCalls;
using testkit::SetFloatKnob;

}  // namespace audio_test
