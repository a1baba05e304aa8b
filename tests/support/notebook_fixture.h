// What tests share on top of notebook.h: the fixture most of them start from,
// and knobs of other types than a number.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "notebook.h"

namespace testkit {

// No stand-in knob set and an empty journal, so nothing an earlier case did
// shows in this one.
class FreshNotebook : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearKnobs();
    ResetJournal();
  }
};

inline void SetStringKnob(const char* component, const char* name, const std::string& value) {
  HKEY key;
  const std::string path = std::string("Software\\Testbed\\") + component;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 DWORD(value.size() + 1));
  RegCloseKey(key);
}

// A float knob is its bits in a number knob.
inline void SetFloatKnob(const char* component, const char* name, float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  SetKnob(component, name, bits);
}

inline float BitsFloat(DWORD bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace testkit
