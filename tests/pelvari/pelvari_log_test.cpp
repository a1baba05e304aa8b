// Pelvari's diagnostic lines, with its debug-output switch turned on in this
// process, and silence with the switch off.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debug_capture.h"
#include "debuglog.h"
#include "notebook.h"
#include "pelvari.h"

namespace {

const char kMuroc[] = "MurocApi";

class PelvariLog : public ::testing::Test {
 protected:
  void SetUp() override {
    testkit::ClearKnobs();
    testkit::ResetJournal();
    ASSERT_TRUE(capture_.Running()) << capture_.Error();
    suite::g_bDebugOutput = true;
  }
  void TearDown() override { suite::g_bDebugOutput = false; }

  template <typename Call>
  std::vector<std::string> LinesOf(Call call) {
    capture_.Clear();
    call();
    capture_.Sync(5000);
    std::vector<std::string> lines;
    for (const auto& line : capture_.Lines())
      if (line.text.rfind("[Pelvar.dll]", 0) == 0) lines.push_back(line.text);
    return lines;
  }

  DebugOutputCapture capture_{GetCurrentProcessId()};
};

TEST_F(PelvariLog, RadioLogsEachSwitchedAdapterByIndex) {
  testkit::SetKnob(kMuroc, "AdapterCount", 3);
  testkit::SetKnob(kMuroc, "Adapter1Switch", 0);
  const std::vector<std::string> expected = {
      "[Pelvar.dll][Pelvar]Entry", "[Pelvar.dll][Pelvar]i: 0,bRadioEnable : 0",
      "[Pelvar.dll][Pelvar]i: 2,bRadioEnable : 0", "[Pelvar.dll][Pelvar]End"};
  EXPECT_EQ(expected, LinesOf([] { PelvarRadio(0); }));
}

TEST_F(PelvariLog, InitLogsTheIndexOfAFailedQuery) {
  testkit::SetKnob(kMuroc, "AdapterCount", 3);
  testkit::SetKnob(kMuroc, "Adapter2ZeroConfigStatus", 1);
  const std::vector<std::string> expected = {
      "[Pelvar.dll][PelvarInit]Entry", "[Pelvar.dll][PelvarInit]IsXpZeroConfigEnabled(2) Error",
      "[Pelvar.dll][PelvarInit]End"};
  EXPECT_EQ(expected, LinesOf([] { PelvarInit(); }));
}

TEST_F(PelvariLog, UnavailableListLogsOnlyEntryAndEnd) {
  testkit::SetKnob(kMuroc, "AdapterList", 1);
  EXPECT_EQ((std::vector<std::string>{"[Pelvar.dll][Pelvar]Entry", "[Pelvar.dll][Pelvar]End"}),
            LinesOf([] { PelvarRadio(1); }));
}

TEST_F(PelvariLog, SwitchOffWritesNoLine) {
  suite::g_bDebugOutput = false;
  testkit::SetKnob(kMuroc, "AdapterCount", 2);
  testkit::SetKnob(kMuroc, "Adapter0ZeroConfigStatus", 1);
  EXPECT_TRUE(LinesOf([] {
                PelvarInit();
                PelvarRadio(1);
              }).empty());
  EXPECT_EQ(6u, testkit::JournalCalls(kMuroc).size());  // the calls happened
}

}  // namespace
