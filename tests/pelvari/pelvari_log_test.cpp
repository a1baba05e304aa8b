// Pelvari's diagnostic lines, with its debug-output switch turned on in this
// process, and silence with the switch off.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_capture.h"
#include "notebook.h"
#include "pelvari.h"

namespace {

const char kMuroc[] = "MurocApi";

using PelvariLog = testkit::WithLog<>;

TEST_F(PelvariLog, RadioLogsEachSwitchedAdapterByIndex) {
  testkit::SetKnob(kMuroc, "AdapterCount", 3);
  testkit::SetKnob(kMuroc, "Adapter1Switch", 0);
  const std::vector<std::string> expected = {
      "[Pelvar.dll][Pelvar]Entry", "[Pelvar.dll][Pelvar]i: 0,bRadioEnable : 0",
      "[Pelvar.dll][Pelvar]i: 2,bRadioEnable : 0", "[Pelvar.dll][Pelvar]End"};
  EXPECT_EQ(expected, log_.Of([] { PelvarRadio(0); }));
}

TEST_F(PelvariLog, InitLogsTheIndexOfAFailedQuery) {
  testkit::SetKnob(kMuroc, "AdapterCount", 3);
  testkit::SetKnob(kMuroc, "Adapter2ZeroConfigStatus", 1);
  const std::vector<std::string> expected = {
      "[Pelvar.dll][PelvarInit]Entry", "[Pelvar.dll][PelvarInit]IsXpZeroConfigEnabled(2) Error",
      "[Pelvar.dll][PelvarInit]End"};
  EXPECT_EQ(expected, log_.Of([] { PelvarInit(); }));
}

TEST_F(PelvariLog, UnavailableListLogsOnlyEntryAndEnd) {
  testkit::SetKnob(kMuroc, "AdapterList", 1);
  EXPECT_EQ((std::vector<std::string>{"[Pelvar.dll][Pelvar]Entry", "[Pelvar.dll][Pelvar]End"}),
            log_.Of([] { PelvarRadio(1); }));
}

TEST_F(PelvariLog, SwitchOffWritesNoLine) {
  log_.Switch(false);
  testkit::SetKnob(kMuroc, "AdapterCount", 2);
  testkit::SetKnob(kMuroc, "Adapter0ZeroConfigStatus", 1);
  EXPECT_TRUE(log_.Of([] {
                    PelvarInit();
                    PelvarRadio(1);
                  })
                  .empty());
  EXPECT_EQ(6u, testkit::JournalCalls(kMuroc).size());  // the calls happened
}

}  // namespace
