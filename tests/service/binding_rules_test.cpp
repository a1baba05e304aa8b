// The service's binding rules as plain functions, and the adapter scan against
// SetupAPI in this process.
#include <gtest/gtest.h>

#include "binding.h"
#include "lifecycle.h"
#include "notebook.h"
#include "netscan.h"

namespace {

TEST(OsGeneration, FollowsMajorAndMinorVersion) {
  struct Case {
    DWORD major, minor;
    int generation;
  } cases[] = {{5, 1, kOsXP},    {5, 2, kOsOther}, {5, 0, kOsOther},  {6, 0, kOsVista},
               {6, 1, kOsSeven}, {6, 2, kOsOther}, {10, 0, kOsOther}, {4, 0, kOsOther}};
  for (const auto& c : cases)
    EXPECT_EQ(c.generation, OsGenerationFromVersion(c.major, c.minor)) << c.major << "." << c.minor;
}

TEST(XpWlanLibrary, NamedByVendor) {
  EXPECT_STREQ(L"Pelvari.dll", XpWlanLibrary(kWlanVendorIntel));
  EXPECT_STREQ(L"Pelvara.dll", XpWlanLibrary(kWlanVendorAtheros));
  EXPECT_EQ(nullptr, XpWlanLibrary(kWlanVendorNone));
  EXPECT_EQ(nullptr, XpWlanLibrary(3));
}

TEST(WlanVendorFromHardwareId, MatchesTheVendorPrefixCaseSensitively) {
  struct Case {
    const wchar_t* id;
    int vendor;
  } cases[] = {
      {L"PCI\\VEN_8086&DEV_4229&SUBSYS_11018086&REV_61", kWlanVendorIntel},
      {L"PCI\\VEN_8086", kWlanVendorIntel},
      {L"PCI\\VEN_168C&DEV_002B", kWlanVendorAtheros},
      {L"PCI\\VEN_168c&DEV_002B", kWlanVendorNone},
      {L"pci\\ven_8086&DEV_4229", kWlanVendorNone},
      {L"PCI\\VEN_808", kWlanVendorNone},
      {L"PCI\\VEN_10EC&DEV_8136", kWlanVendorNone},
      {L"USB\\VEN_8086&PID_0001", kWlanVendorNone},
      {L" PCI\\VEN_8086", kWlanVendorNone},
      {L"", kWlanVendorNone},
      {nullptr, kWlanVendorNone},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.vendor, WlanVendorFromHardwareId(c.id)) << (c.id ? "" : "null");
}

class AdapterScan : public ::testing::Test {
 protected:
  void TearDown() override { testkit::SetNetAdapters({}); }
};

TEST_F(AdapterScan, NoAdaptersMeansNoVendor) {
  testkit::SetNetAdapters({});
  EXPECT_EQ(kWlanVendorNone, ScanWlanVendor());
}

TEST_F(AdapterScan, WiredAdaptersCountToo) {
  testkit::SetNetAdapters({L"PCI\\VEN_8086&DEV_10DE&SUBSYS_00008086&REV_02"});
  EXPECT_EQ(kWlanVendorIntel, ScanWlanVendor());
}

TEST_F(AdapterScan, AdaptersOfOtherVendorsAreSkipped) {
  testkit::SetNetAdapters({L"PCI\\VEN_10EC&DEV_8136&SUBSYS_30A117AA&REV_02",
                           L"PCI\\VEN_14E4&DEV_1692&SUBSYS_30A117AA&REV_01"});
  EXPECT_EQ(kWlanVendorNone, ScanWlanVendor());
  testkit::SetNetAdapters({L"PCI\\VEN_10EC&DEV_8136&SUBSYS_30A117AA&REV_02",
                           L"PCI\\VEN_168C&DEV_002B&SUBSYS_30A117AA&REV_01"});
  EXPECT_EQ(kWlanVendorAtheros, ScanWlanVendor());
}

TEST_F(AdapterScan, TheFirstListedMatchWins) {
  // Listed as VEN_168C before VEN_8086.
  testkit::SetNetAdapters({L"PCI\\VEN_8086&DEV_4229&SUBSYS_11018086&REV_61",
                           L"PCI\\VEN_168C&DEV_002B&SUBSYS_30A117AA&REV_01"});
  EXPECT_EQ(kWlanVendorAtheros, ScanWlanVendor());
}

}  // namespace
