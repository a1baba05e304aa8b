// The three value-index exports: which Windows function each selector reaches,
// with exactly the GUIDs given, and what comes back when it fails.
#include "power_fixture.h"

namespace power {
namespace {

class Exports : public PowerTest {
 protected:
  void SetUp() override {
    PowerTest::SetUp();
    GUID* created = nullptr;
    ASSERT_EQ(0u, PowerDuplicateScheme(nullptr, &kBalanced, &created));
    scheme_ = *created;
    LocalFree(created);
    testkit::ResetJournal();
  }
  DWORD Read(DWORD selector, const GUID& subgroup, const GUID& setting) {
    return pallion_.GetPowerReadValueIndex(&scheme_, subgroup, setting, selector);
  }
  DWORD Write(DWORD value, DWORD selector) {
    return pallion_.SetPowerWriteValueIndex(&scheme_, subgroup_, setting_, value, selector);
  }

  Pallion pallion_;
  GUID scheme_ = {};
  const GUID subgroup_ = ParseGuid("54533251-82be-4824-96c1-47b60b740d00");
  const GUID setting_ = ParseGuid("bc5038f7-23e0-4960-96da-33abaf5935ec");
};

TEST_F(Exports, SelectorZeroWritesAcAndOneWritesDcOfExactlyThatSetting) {
  EXPECT_EQ(0u, Write(81, 0));
  EXPECT_EQ(0u, Write(42, 1));
  DWORD ac = 0, dc = 0;
  EXPECT_EQ(0u, PowerReadACValueIndex(nullptr, &scheme_, &subgroup_, &setting_, &ac));
  EXPECT_EQ(0u, PowerReadDCValueIndex(nullptr, &scheme_, &subgroup_, &setting_, &dc));
  EXPECT_EQ(81u, ac);
  EXPECT_EQ(42u, dc);
  const std::vector<std::string> expected = {
      "PowerWriteACValueIndex(" + GuidText(scheme_) + ", " + GuidText(subgroup_) + ", " +
          GuidText(setting_) + ", 81) = 0",
      "PowerWriteDCValueIndex(" + GuidText(scheme_) + ", " + GuidText(subgroup_) + ", " +
          GuidText(setting_) + ", 42) = 0"};
  EXPECT_EQ(expected, PowerCalls("PowerWrite"));
  EXPECT_TRUE(PowerCalls("PowerSetActiveScheme").empty()) << "writing does not re-activate";
}

TEST_F(Exports, ReadSelectsTheColumnAndTheSetting) {
  ASSERT_EQ(0u, PowerWriteACValueIndex(nullptr, &scheme_, &subgroup_, &setting_, 7));
  ASSERT_EQ(0u, PowerWriteDCValueIndex(nullptr, &scheme_, &subgroup_, &setting_, 9));
  const GUID minimum = ParseGuid("893dee8e-2bef-41e0-89c6-b55d0929964c");
  ASSERT_EQ(0u, PowerWriteACValueIndex(nullptr, &scheme_, &subgroup_, &minimum, 3));
  EXPECT_EQ(7u, Read(0, subgroup_, setting_));
  EXPECT_EQ(9u, Read(1, subgroup_, setting_));
  EXPECT_EQ(3u, Read(0, subgroup_, minimum));
}

TEST_F(Exports, UnknownSelectorReadsZeroAndWritesNothing) {
  ASSERT_EQ(0u, PowerWriteACValueIndex(nullptr, &scheme_, &subgroup_, &setting_, 7));
  testkit::ResetJournal();
  EXPECT_EQ(0u, Read(2, subgroup_, setting_));
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), Write(55, 2));
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), Write(55, 0xFFFFFFFF));
  EXPECT_TRUE(PowerCalls("Power").empty()) << "no power function reached";
}

TEST_F(Exports, FailedReadGivesZeroAndFailedWriteItsErrorCode) {
  EXPECT_EQ(0u, Read(0, subgroup_, setting_)) << "never written";
  ASSERT_EQ(0u, PowerWriteDCValueIndex(nullptr, &scheme_, &subgroup_, &setting_, 9));
  testkit::SetKnob("powrprof", "PowerReadDCValueIndexFail", ERROR_ACCESS_DENIED);
  EXPECT_EQ(0u, Read(1, subgroup_, setting_));
  testkit::SetKnob("powrprof", "PowerWriteACValueIndexFail", ERROR_ACCESS_DENIED);
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), Write(1, 0));
  const GUID unknown = ParseGuid("01234567-89ab-cdef-0123-456789abcdef");
  EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND),
            pallion_.SetPowerWriteValueIndex(&unknown, subgroup_, setting_, 1, 1));
}

TEST_F(Exports, ActiveSchemeGuidIsCopiedOutOrZeroWhenUnreadable) {
  GUID out;
  memset(&out, 0xAB, sizeof out);
  EXPECT_EQ(&out, pallion_.GetActiveSchemeGUID(&out));
  EXPECT_TRUE(IsEqualGUID(kBalanced, out));
  ASSERT_EQ(0u, PowerSetActiveScheme(nullptr, &scheme_));
  EXPECT_TRUE(IsEqualGUID(scheme_, *pallion_.GetActiveSchemeGUID(&out)));

  testkit::SetKnob("powrprof", "PowerGetActiveSchemeFail", ERROR_GEN_FAILURE);
  memset(&out, 0xAB, sizeof out);
  EXPECT_EQ(&out, pallion_.GetActiveSchemeGUID(&out));
  EXPECT_TRUE(IsEqualGUID(GUID(), out));
}

}  // namespace
}  // namespace power
