// SwitchNextScheme: the cycle order, what counts as a brand scheme, repair of
// deleted and renamed ones, and failures that must end in -1 without hanging.
#include "power_fixture.h"

namespace power {
namespace {

class Cycle : public PowerTest {
 protected:
  // The four brand schemes in place, High Performance active, slots filled.
  void CreateBrandSchemes() {
    ASSERT_EQ(0, pallion_.SwitchNextScheme());
    for (const wchar_t* name : kBrandNames) ASSERT_EQ(1u, SchemesNamed(name).size());
    testkit::ResetJournal();
  }
  void Activate(const GUID& scheme) { ASSERT_EQ(0u, PowerSetActiveScheme(nullptr, &scheme)); }

  Pallion pallion_;
};

TEST_F(Cycle, GoesHighPerformanceEntertainmentQuietOfficeBatterySavingAndAround) {
  CreateBrandSchemes();
  const int expected[] = {1, 2, 3, 0, 1};
  for (int index : expected) {
    EXPECT_EQ(index, pallion_.SwitchNextScheme());
    EXPECT_EQ(kBrandNames[index], ActiveName());
  }
  EXPECT_TRUE(PowerCalls("PowerDuplicateScheme").empty()) << "nothing created once all exist";
}

TEST_F(Cycle, NextIndexFollowsTheActiveSchemeWhateverActivatedIt) {
  CreateBrandSchemes();
  struct {
    const wchar_t* active;
    int next;
  } cases[] = {{L"Pallion Battery Saving", 0},
               {L"Pallion Entertainment", 2},
               {L"Pallion High Performance", 1},
               {L"Pallion Quiet Office", 3}};
  for (const auto& c : cases) {
    Activate(SchemesNamed(c.active).at(0));
    EXPECT_EQ(c.next, pallion_.SwitchNextScheme()) << "from " << testing::PrintToString(c.active);
    EXPECT_EQ(kBrandNames[c.next], ActiveName());
  }
  for (const GUID& windowsScheme : {kBalanced, kHighPerformance, kPowerSaver}) {
    Activate(windowsScheme);
    EXPECT_EQ(0, pallion_.SwitchNextScheme());
    EXPECT_EQ(L"Pallion High Performance", ActiveName());
  }
}

TEST_F(Cycle, RenamedWindowsSchemeNeverCountsButItsNameDecidesTheNextIndex) {
  ASSERT_EQ(0u, Rename(kPowerSaver, L"Pallion Entertainment"));
  ASSERT_EQ(0, pallion_.SwitchNextScheme());
  EXPECT_EQ(4u, PowerCalls("PowerDuplicateScheme").size()) << "all four created";
  ASSERT_EQ(2u, SchemesNamed(L"Pallion Entertainment").size());
  Activate(kPowerSaver);
  EXPECT_EQ(2, pallion_.SwitchNextScheme());
  EXPECT_EQ(L"Pallion Quiet Office", ActiveName());
}

TEST_F(Cycle, DeletedBrandSchemeIsCreatedAgainAloneWithItsValues) {
  CreateBrandSchemes();
  const GUID office = SchemesNamed(L"Pallion Quiet Office").at(0);
  const std::vector<GUID> before = Schemes();
  ASSERT_EQ(0u, PowerDeleteScheme(nullptr, &office));
  testkit::ResetJournal();

  EXPECT_EQ(1, pallion_.SwitchNextScheme());
  const auto duplicates = PowerCalls("PowerDuplicateScheme");
  ASSERT_EQ(1u, duplicates.size());
  EXPECT_EQ(1u, PowerCalls("PowerWriteFriendlyName").size());
  EXPECT_EQ(19u, PowerCalls("PowerWriteACValueIndex").size());
  EXPECT_EQ(19u, PowerCalls("PowerWriteDCValueIndex").size());
  const std::vector<GUID> offices = SchemesNamed(L"Pallion Quiet Office");
  ASSERT_EQ(1u, offices.size());
  EXPECT_FALSE(IsEqualGUID(office, offices[0]));
  const GUID subgroup = ParseGuid("54533251-82be-4824-96c1-47b60b740d00");
  const GUID maximum = ParseGuid("bc5038f7-23e0-4960-96da-33abaf5935ec");
  DWORD value = 0;
  EXPECT_EQ(0u, PowerReadDCValueIndex(nullptr, &offices[0], &subgroup, &maximum, &value));
  EXPECT_EQ(70u, value);
  for (const GUID& scheme : before) {
    if (IsEqualGUID(scheme, office)) continue;
    EXPECT_NE(L"<unreadable>", FriendlyName(scheme)) << "the others stay as they are";
  }
  EXPECT_EQ(before.size(), Schemes().size());
}

TEST_F(Cycle, RenamedBrandSchemeGetsANewSchemeBesideIt) {
  CreateBrandSchemes();
  const GUID entertainment = SchemesNamed(L"Pallion Entertainment").at(0);
  ASSERT_EQ(0u, Rename(entertainment, L"My films"));
  // Same library instance: its slot still names the renamed scheme.
  EXPECT_EQ(1, pallion_.SwitchNextScheme());
  EXPECT_EQ(1u, PowerCalls("PowerDuplicateScheme").size());
  EXPECT_EQ(L"My films", FriendlyName(entertainment));
  const std::vector<GUID> created = SchemesNamed(L"Pallion Entertainment");
  ASSERT_EQ(1u, created.size());
  EXPECT_TRUE(IsEqualGUID(created[0], ActiveScheme()));
  EXPECT_EQ(8u, Schemes().size());

  // Renamed to another brand's name, a scheme still held by its old slot is not
  // activated under the old brand: the brand gets a scheme of its own.
  const GUID office = SchemesNamed(L"Pallion Quiet Office").at(0);
  ASSERT_EQ(0u, Rename(office, L"Pallion Entertainment"));
  testkit::ResetJournal();
  EXPECT_EQ(2, pallion_.SwitchNextScheme());
  EXPECT_EQ(1u, PowerCalls("PowerDuplicateScheme").size());
  EXPECT_EQ(L"Pallion Quiet Office", ActiveName());
  EXPECT_FALSE(IsEqualGUID(office, ActiveScheme()));
  EXPECT_EQ(3, pallion_.SwitchNextScheme()) << "the cycle goes on";
}

// Counting matches, the two would make four and the missing brand would never be
// created: the cycle would stick at it, failing, for good.
TEST_F(Cycle, TwoSchemesOfOneNameDoNotHideAMissingOne) {
  AddUserScheme(L"Pallion High Performance");
  AddUserScheme(L"Pallion Entertainment");
  AddUserScheme(L"Pallion Entertainment");
  AddUserScheme(L"Pallion Battery Saving");
  testkit::ResetJournal();
  for (int index : {0, 1, 2, 3, 0}) {
    EXPECT_EQ(index, pallion_.SwitchNextScheme());
    EXPECT_EQ(kBrandNames[index], ActiveName());
  }
  EXPECT_EQ(1u, PowerCalls("PowerDuplicateScheme").size()) << "only the missing one";
  EXPECT_EQ(1u, SchemesNamed(L"Pallion Quiet Office").size());
  EXPECT_EQ(2u, SchemesNamed(L"Pallion Entertainment").size()) << "the user's are left alone";
}

TEST_F(Cycle, FailingActivationReturnsMinusOneAndKeepsTheActiveScheme) {
  CreateBrandSchemes();
  Activate(kPowerSaver);
  testkit::SetKnob("powrprof", "PowerSetActiveSchemeFail", ERROR_ACCESS_DENIED);
  EXPECT_EQ(-1, pallion_.SwitchNextScheme());
  EXPECT_TRUE(IsEqualGUID(kPowerSaver, ActiveScheme()));
}

TEST_F(Cycle, SchemeThatCannotBeCopiedEndsInMinusOneAfterOnePass) {
  testkit::SetKnob("powrprof", "PowerDuplicateSchemeFail", ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(-1, pallion_.SwitchNextScheme());
  EXPECT_EQ(4u, PowerCalls("PowerDuplicateScheme").size()) << "one create pass";
  EXPECT_EQ(2u, PowerCalls("PowerEnumerate(16, 0)").size()) << "one scan, one rescan";
  EXPECT_TRUE(PowerCalls("PowerSetActiveScheme").empty()) << "nothing activated";
  EXPECT_TRUE(IsEqualGUID(kBalanced, ActiveScheme()));
  EXPECT_EQ(3u, Schemes().size());
  // A later call, once copying works again, repairs everything.
  testkit::ClearKnobs();
  EXPECT_EQ(0, pallion_.SwitchNextScheme());
}

TEST_F(Cycle, CopiesThatCannotBeNamedStopAtOnePassPerCall) {
  testkit::SetKnob("powrprof", "PowerWriteFriendlyNameFail", ERROR_ACCESS_DENIED);
  EXPECT_EQ(-1, pallion_.SwitchNextScheme());
  EXPECT_EQ(2u, PowerCalls("PowerEnumerate(16, 0)").size()) << "one scan, one rescan";
  EXPECT_EQ(3u + 4u, Schemes().size()) << "at most four copies per call";
  EXPECT_TRUE(IsEqualGUID(kBalanced, ActiveScheme()));
}

TEST_F(Cycle, UnreadableActiveSchemeLeadsToHighPerformance) {
  CreateBrandSchemes();
  Activate(SchemesNamed(L"Pallion Quiet Office").at(0));
  testkit::SetKnob("powrprof", "PowerGetActiveSchemeFail", ERROR_GEN_FAILURE);
  EXPECT_EQ(0, pallion_.SwitchNextScheme());
  testkit::ClearKnobs();
  EXPECT_EQ(L"Pallion High Performance", ActiveName());
}

TEST_F(Cycle, NamesThatFillOrOverflowTheBufferAreHandledSafely) {
  // 260 characters without a terminator, and a name longer than the buffer.
  std::wstring full(260, L'A');
  const GUID filled = AddUserScheme(L"placeholder");
  ASSERT_EQ(0u, PowerWriteFriendlyName(nullptr, &filled, nullptr, nullptr,
                                       reinterpret_cast<UCHAR*>(&full[0]), 520));
  std::wstring longer = std::wstring(L"Pallion High Performance") + std::wstring(300, L' ');
  const GUID overflowing = AddUserScheme(longer.c_str());
  testkit::ResetJournal();
  EXPECT_EQ(0, pallion_.SwitchNextScheme());
  EXPECT_EQ(4u, PowerCalls("PowerDuplicateScheme").size());
  EXPECT_FALSE(IsEqualGUID(filled, ActiveScheme()));
  EXPECT_FALSE(IsEqualGUID(overflowing, ActiveScheme()));
}

}  // namespace
}  // namespace power
