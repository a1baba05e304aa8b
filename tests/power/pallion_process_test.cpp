// Brand schemes outlive the process that created them: later processes find
// them by name and only switch.
#include "power_fixture.h"

namespace power {
namespace {

using Persistence = PowerTest;

// Exit code of one pallion_switch run (its SwitchNextScheme result), and its pid.
int SwitchInNewProcess(DWORD* pid) {
  const std::wstring helper = testkit::BinDir() + L"\\tests\\pallion_switch.exe";
  testkit::Process process =
      testkit::StartProgram(helper, L"\"" + testkit::BinDir() + L"\\Pallion.dll\"");
  EXPECT_TRUE(process.Started());
  EXPECT_TRUE(process.WaitForExit(30000));
  *pid = process.Id();
  return int(process.ExitCode());
}

TEST_F(Persistence, SecondProcessFindsTheSchemesByNameAndCreatesNothing) {
  DWORD first = 0, second = 0, third = 0;
  EXPECT_EQ(0, SwitchInNewProcess(&first));
  EXPECT_EQ(4u, PowerCalls("PowerDuplicateScheme", first).size());
  EXPECT_EQ(1, SwitchInNewProcess(&second));
  EXPECT_TRUE(PowerCalls("PowerDuplicateScheme", second).empty());
  EXPECT_FALSE(PowerCalls("PowerReadFriendlyName", second).empty()) << "found again by name";
  EXPECT_EQ(2, SwitchInNewProcess(&third));
  EXPECT_EQ(L"Pallion Quiet Office", ActiveName());
  EXPECT_EQ(7u, Schemes().size());
}

}  // namespace
}  // namespace power
