// Fennic's diagnostic lines, with its debug-output switch turned on in this
// process, and silence with the switch off.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_capture.h"
#include "notebook.h"
#include "touchpad.h"

namespace {

const char kFsp[] = "FspLib";

class TouchPadLog : public testkit::WithLog<> {
 protected:
  std::vector<std::string> LinesOf(int request, int* result) {
    return log_.Of([&] { *result = TouchPadCtrl(request); });
  }
};

TEST_F(TouchPadLog, ToggleLogsTheOldAndNewStateByte) {
  int result = 0;
  testkit::SetKnob(kFsp, "PadState", 0);
  EXPECT_EQ(std::vector<std::string>{"[Fennic][TouchPadCtrl][Switch]bSta : 0,Wiping : 1"},
            LinesOf(1, &result));
  EXPECT_EQ(kTouchPadTurnedOn, result);
  testkit::SetKnob(kFsp, "PadState", 2);
  EXPECT_EQ(std::vector<std::string>{"[Fennic][TouchPadCtrl][Switch]bSta : 2,Wiping : 0"},
            LinesOf(1, &result));
  EXPECT_EQ(kTouchPadTurnedOff, result);
}

TEST_F(TouchPadLog, WriteBackLogsNothing) {
  int result = -1;
  EXPECT_TRUE(LinesOf(0, &result).empty());
  EXPECT_EQ(0, result);
}

TEST_F(TouchPadLog, EachFailureLogsItsVendorCall) {
  struct Case {
    const char* knob;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"DeviceReady", {"[Fennic][TouchPadCtrl]IsDeviceReady() Error"}},
      {"GetDeviceConfig", {"[Fennic][TouchPadCtrl]GetDeviceConfig() Error"}},
      // The toggle was made in the object before the write failed.
      {"SetDeviceConfig",
       {"[Fennic][TouchPadCtrl][Switch]bSta : 1,Wiping : 0",
        "[Fennic][TouchPadCtrl]SetDeviceConfig() Error"}},
  };
  for (const Case& c : cases) {
    testkit::ClearKnobs();
    testkit::SetKnob(kFsp, c.knob, 0);
    int result = -1;
    EXPECT_EQ(c.lines, LinesOf(1, &result)) << c.knob;
    EXPECT_EQ(0, result) << c.knob;
  }
}

TEST_F(TouchPadLog, SwitchOffWritesNoLine) {
  log_.Switch(false);
  testkit::SetKnob(kFsp, "DeviceReady", 0);
  int result = -1;
  EXPECT_TRUE(LinesOf(1, &result).empty());
  testkit::ClearKnobs();
  EXPECT_TRUE(LinesOf(1, &result).empty());
  EXPECT_NE(0, result);
}

}  // namespace
