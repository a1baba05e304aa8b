// The first call on a power configuration without brand schemes creates all
// four from the Windows High performance scheme and the value table.
#include <cstdio>

#include "brand_values.h"
#include "power_fixture.h"

namespace power {
namespace {

using FirstCall = PowerTest;

// The GUID the double reports after "= 0 " in a PowerDuplicateScheme line.
GUID CreatedGuid(const std::string& call) {
  const size_t at = call.rfind(' ');
  return ParseGuid(call.substr(at + 1).c_str());
}

TEST_F(FirstCall, CreatesTheFourSchemesInIndexOrderAndActivatesHighPerformance) {
  Pallion pallion;
  EXPECT_EQ(0, pallion.SwitchNextScheme());

  std::vector<std::string> writes;
  for (const std::string& call : PowerCalls("PowerDuplicateScheme")) writes.push_back(call);
  ASSERT_EQ(4u, writes.size());
  std::vector<std::string> expected;
  std::vector<GUID> created;
  for (int brand = 0; brand < 4; ++brand) {
    EXPECT_EQ(0u,
              writes[brand].find("PowerDuplicateScheme(" + GuidText(kHighPerformance) + ") = 0 "))
        << writes[brand];
    const GUID scheme = CreatedGuid(writes[brand]);
    created.push_back(scheme);
    const std::string id = GuidText(scheme);
    const std::string name = "\"" + testkit::Narrow(kBrandNames[brand]) + "\"";
    expected.push_back("PowerDuplicateScheme(" + GuidText(kHighPerformance) + ") = 0 " + id);
    expected.push_back("PowerWriteFriendlyName(" + id + ", NULL, NULL, " + name + ", 520) = 0");
    expected.push_back("PowerWriteDescription(" + id + ", NULL, NULL, " + name + ", 520) = 0");
    for (const char* column : {"AC", "DC"})
      for (const BrandRow& row : kBrandRows) {
        char line[200];
        snprintf(line, sizeof line, "PowerWrite%sValueIndex(%s, %s, %s, %lu) = 0", column,
                 id.c_str(), row.subgroup, row.setting, row.values[brand][column[0] == 'D']);
        expected.push_back(line);
      }
  }
  std::vector<std::string> actual;
  for (const std::string& call : PowerCalls("Power"))
    if (call.find("PowerDuplicateScheme") == 0 || call.find("PowerWrite") == 0)
      actual.push_back(call);
  EXPECT_EQ(expected, actual);

  for (int brand = 0; brand < 4; ++brand) {
    EXPECT_EQ(kBrandNames[brand], FriendlyName(created[brand]));
    for (const BrandRow& row : kBrandRows) {
      const GUID subgroup = ParseGuid(row.subgroup), setting = ParseGuid(row.setting);
      DWORD ac = ~0u, dc = ~0u;
      EXPECT_EQ(0u, PowerReadACValueIndex(nullptr, &created[brand], &subgroup, &setting, &ac));
      EXPECT_EQ(0u, PowerReadDCValueIndex(nullptr, &created[brand], &subgroup, &setting, &dc));
      EXPECT_EQ(row.values[brand][0], ac) << "brand " << brand << " AC " << row.setting;
      EXPECT_EQ(row.values[brand][1], dc) << "brand " << brand << " DC " << row.setting;
    }
  }
  EXPECT_TRUE(IsEqualGUID(created[0], ActiveScheme()));
  EXPECT_EQ(L"Pallion High Performance", ActiveName());
  EXPECT_EQ(7u, Schemes().size());
}

TEST_F(FirstCall, ExistingBrandSchemesAreNeverRewritten) {
  Pallion pallion;
  ASSERT_EQ(0, pallion.SwitchNextScheme());
  const GUID office = SchemesNamed(kBrandNames[2]).at(0);
  const GUID subgroup = ParseGuid(kBrandRows[17].subgroup),
             setting = ParseGuid(kBrandRows[17].setting);
  ASSERT_EQ(0u, PowerWriteACValueIndex(nullptr, &office, &subgroup, &setting, 33));
  testkit::ResetJournal();
  pallion.Load();
  EXPECT_EQ(1, pallion.SwitchNextScheme());
  EXPECT_TRUE(PowerCalls("PowerDuplicateScheme").empty());
  EXPECT_TRUE(PowerCalls("PowerWrite").empty());
  DWORD value = 0;
  EXPECT_EQ(0u, PowerReadACValueIndex(nullptr, &office, &subgroup, &setting, &value));
  EXPECT_EQ(33u, value) << "the user's change stays";
}

}  // namespace
}  // namespace power
