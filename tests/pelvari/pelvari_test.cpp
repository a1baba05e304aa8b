// PelvarInit and PelvarRadio in this process against the MurocApi stand-in:
// which adapters get which ordinal calls, and what a bad list does.
#include "pelvari.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "notebook_fixture.h"
#include "journal.h"

namespace {

const char kMuroc[] = "MurocApi";

struct Adapter {
  DWORD handle;
  DWORD switchWord;  // the word at byte 1228 of its entry
  DWORD zeroConfig;  // its zero-configuration answer
};

std::string Knob(int index, const char* name) { return "Adapter" + std::to_string(index) + name; }

class Pelvari : public testkit::FreshNotebook {
 protected:
  static void SetAdapters(const std::vector<Adapter>& adapters) {
    testkit::SetKnob(kMuroc, "AdapterCount", DWORD(adapters.size()));
    for (size_t i = 0; i < adapters.size(); ++i) {
      testkit::SetKnob(kMuroc, Knob(int(i), "Handle").c_str(), adapters[i].handle);
      testkit::SetKnob(kMuroc, Knob(int(i), "Switch").c_str(), adapters[i].switchWord);
      testkit::SetKnob(kMuroc, Knob(int(i), "ZeroConfig").c_str(), adapters[i].zeroConfig);
    }
  }
  static void SetAdapterKnob(int index, const char* name, DWORD value) {
    testkit::SetKnob(kMuroc, Knob(index, name).c_str(), value);
  }
  static DWORD AdapterKnob(int index, const char* name) {
    return testbed::KnobDword(kMuroc, Knob(index, name).c_str(), 0xdead);
  }
  // The calls after the adapter-list call, which each entry makes first.
  static std::vector<std::string> CallsAfterList() {
    auto calls = testkit::JournalCalls(kMuroc);
    EXPECT_FALSE(calls.empty());
    if (calls.empty()) return calls;
    EXPECT_EQ(0u, calls[0].find("MurocApi GetAdapterList(120, 0x6224) = "));
    calls.erase(calls.begin());
    return calls;
  }
};

TEST_F(Pelvari, InitPutsOnlyUnmanagedAdaptersUnderZeroConfiguration) {
  SetAdapters({{0x11, 1, 0}, {0x22, 1, 1}, {0x33, 0, 0}, {0x44, 1, 7}});
  EXPECT_EQ(1, PelvarInit());
  const std::vector<std::string> expected = {
      "MurocApi IsXpZeroConfigEnabled(0x11) = 0 [answer 0]",
      "MurocApi SetZeroConfig(0x11, 1) = 0",
      "MurocApi IsXpZeroConfigEnabled(0x22) = 0 [answer 1]",
      "MurocApi IsXpZeroConfigEnabled(0x33) = 0 [answer 0]",
      "MurocApi SetZeroConfig(0x33, 1) = 0",
      "MurocApi IsXpZeroConfigEnabled(0x44) = 0 [answer 7]",
  };
  EXPECT_EQ(expected, CallsAfterList());
  EXPECT_EQ(1u, AdapterKnob(0, "ZeroConfig"));
  EXPECT_EQ(1u, AdapterKnob(2, "ZeroConfig"));
  EXPECT_EQ(7u, AdapterKnob(3, "ZeroConfig"));
}

TEST_F(Pelvari, InitSkipsAnAdapterWhoseQueryFails) {
  SetAdapters({{0x11, 1, 0}, {0x22, 1, 0}, {0x33, 1, 0}});
  SetAdapterKnob(1, "ZeroConfigStatus", 31);
  EXPECT_EQ(1, PelvarInit());
  const std::vector<std::string> expected = {
      "MurocApi IsXpZeroConfigEnabled(0x11) = 0 [answer 0]",
      "MurocApi SetZeroConfig(0x11, 1) = 0",
      "MurocApi IsXpZeroConfigEnabled(0x22) = 31 [answer none]",
      "MurocApi IsXpZeroConfigEnabled(0x33) = 0 [answer 0]",
      "MurocApi SetZeroConfig(0x33, 1) = 0",
  };
  EXPECT_EQ(expected, CallsAfterList());
  EXPECT_EQ(0u, AdapterKnob(1, "ZeroConfig"));
}

// A query that reports success without writing an answer must not be read as
// "not enabled".
TEST_F(Pelvari, InitLeavesAnAdapterAloneWhenTheQueryAnswersNothing) {
  SetAdapters({{0x11, 1, 0}});
  SetAdapterKnob(0, "ZeroConfigSilent", 1);
  EXPECT_EQ(1, PelvarInit());
  EXPECT_EQ(std::vector<std::string>{"MurocApi IsXpZeroConfigEnabled(0x11) = 0 [answer none]"},
            CallsAfterList());
}

TEST_F(Pelvari, UnavailableListMakesNoOtherCall) {
  SetAdapters({{0x11, 1, 0}});
  testkit::SetKnob(kMuroc, "AdapterList", 5);
  EXPECT_EQ(1, PelvarInit());
  PelvarRadio(1);
  const std::vector<std::string> expected = {"MurocApi GetAdapterList(120, 0x6224) = 5 [count 0]",
                                             "MurocApi GetAdapterList(120, 0x6224) = 5 [count 0]"};
  EXPECT_EQ(expected, testkit::JournalCalls(kMuroc));
  EXPECT_EQ(0xdeadu, AdapterKnob(0, "Radio"));
}

class PelvariRadio : public Pelvari, public ::testing::WithParamInterface<int> {};

TEST_P(PelvariRadio, PassesTheRequestUnchangedToEverySwitchableAdapter) {
  const int bRadioEnable = GetParam();
  SetAdapters({{0x11, 1, 1}, {0x22, 0, 1}, {0x33, 0x80000000, 1}, {0x44, 0x100, 1}});
  PelvarRadio(bRadioEnable);
  const std::string value = std::to_string(bRadioEnable);
  const std::vector<std::string> expected = {
      "MurocApi SetRadio(0x11, " + value + ") = 0",
      "MurocApi SetRadio(0x33, " + value + ") = 0",
      "MurocApi SetRadio(0x44, " + value + ") = 0",
  };
  EXPECT_EQ(expected, CallsAfterList());
  EXPECT_EQ(DWORD(bRadioEnable), AdapterKnob(0, "Radio"));
  EXPECT_EQ(0xdeadu, AdapterKnob(1, "Radio"));
}

INSTANTIATE_TEST_SUITE_P(OnAndOff, PelvariRadio, ::testing::Values(0, 1));

TEST_F(Pelvari, EmptyOrNegativeCountCallsNothingButTheList) {
  for (DWORD count : {DWORD(0), DWORD(-1), DWORD(-3000)}) {
    SetAdapters({{0x11, 1, 0}});
    testkit::SetKnob(kMuroc, "AdapterCount", count);
    testkit::ResetJournal();
    PelvarRadio(1);
    EXPECT_EQ(1, PelvarInit());
    EXPECT_EQ(2u, testkit::JournalCalls(kMuroc).size()) << int(count);
  }
}

// The list holds no more entries than its library keeps; a count beyond 32 is
// not walked past the 32nd.
TEST_F(Pelvari, AdapterCountIsCappedAt32) {
  std::vector<Adapter> adapters;
  for (DWORD i = 0; i < 40; ++i) adapters.push_back({0x100 + i, 1, 0});
  SetAdapters(adapters);
  PelvarRadio(0);
  auto calls = CallsAfterList();
  ASSERT_EQ(32u, calls.size());
  EXPECT_EQ("MurocApi SetRadio(0x100, 0) = 0", calls.front());
  EXPECT_EQ("MurocApi SetRadio(0x11f, 0) = 0", calls.back());

  testkit::ResetJournal();
  testkit::SetKnob(kMuroc, "AdapterCount", 0x7fffffff);
  EXPECT_EQ(1, PelvarInit());
  calls = CallsAfterList();
  EXPECT_EQ(64u, calls.size());  // a query and an ordinal-16 call for each of 32
}

}  // namespace
