// Ressin's debug lines, with its debug-output switch turned on in-process (the
// product never turns it on). Its code is linked into this program.
#include "log_capture.h"
#include "ressin.h"
#include "ressin_fixture.h"

using namespace ressin_test;

namespace {

// The library linked in rather than loaded, initialised with the Windows 7 code.
class LinkedRessin : public testkit::WithLog<> {
 protected:
  void SetUp() override {
    WithLog::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(1, InitRessin(2));
  }
  void TearDown() override { UnInitRessin(); }
};
using RessinLog = WithMobilityCenter<LinkedRessin>;

TEST_F(RessinLog, EachHandledNotificationWritesItsLine) {
  SetStringKnob("netshell", "Connections", "2");
  const struct {
    DWORD code;
    const char* line;
  } table[] = {
      {7, "[Ressin][WNotifyProc]wlan_notification_acm_scan_complete : 1"},
      {9, "[Ressin][WNotifyProc]wlan_notification_acm_connection_start : 1"},
      {10, "[Ressin][WNotifyProc]wlan_notification_acm_connection_complete : 1"},
      {18, "[Ressin][WNotifyProc]Not_available"},
      {19, "[Ressin][WNotifyProc]Available"},
  };
  for (const auto& row : table) {
    log_.Clear();
    ASSERT_EQ(1u, WlanNotify(kSourceAcm, row.code));
    EXPECT_EQ(std::vector<std::string>{row.line}, log_.Texts()) << row.code;
  }
}

TEST_F(RessinLog, ProfilesExhaustedAndItsRecheckWriteTheirLines) {
  SetStringKnob("netshell", "Connections", "0");
  ASSERT_EQ(1u, WlanNotify(kSourceAcm, 17));
  ASSERT_TRUE(log_.WaitFor("[Ressin][PEThread]Not_available", 10000));
  EXPECT_EQ(
      (std::vector<std::string>{"[Ressin][WNotifyProc]wlan_notification_acm_profiles_exhausted",
                                "[Ressin][PEThread]Not_available"}),
      log_.Texts());
}

TEST_F(RessinLog, ScanWithoutConnectionWritesNothing) {
  SetStringKnob("netshell", "Connections", "0");
  ASSERT_EQ(1u, WlanNotify(kSourceAcm, 7));
  EXPECT_TRUE(log_.Texts().empty());
}

TEST_F(RessinLog, FailingStepsOfNetAvailableWriteTheirErrorLines) {
  SetStringKnob("netshell", "Connections", "2");
  testkit::SetKnob("netshell", "CreateInstance", DWORD(E_FAIL));
  ASSERT_EQ(1u, WlanNotify(kSourceAcm, 7));
  auto texts = log_.Texts();
  ASSERT_EQ(1u, texts.size());
  EXPECT_EQ(0u, texts[0].find("[Ressin][NetAvailable]CoCreateInstance() Error : ")) << texts[0];

  testkit::ClearKnobs();
  SetStringKnob("netshell", "Connections", "2");
  testkit::SetKnob("netshell", "EnumConnections", DWORD(E_FAIL));
  log_.Clear();
  ASSERT_EQ(1u, WlanNotify(kSourceAcm, 7));
  texts = log_.Texts();
  ASSERT_EQ(1u, texts.size());
  EXPECT_EQ(0u, texts[0].find("[Ressin][NetAvailable]EnumConnections() Error : ")) << texts[0];
}

TEST_F(RessinLog, SwitchOffWritesNothing) {
  log_.Switch(false);
  ASSERT_EQ(1u, WlanNotify(kSourceAcm, 19));
  ASSERT_EQ(1u, WlanNotify(kSourceAcm, 18));
  EXPECT_TRUE(log_.Texts().empty());
  EXPECT_EQ(2u, service_.Messages().size()) << "the messages are posted all the same";
}

}  // namespace
