// WLAN notifications reaching the service as message 1128, delivered by the
// WLAN API double on its own thread as the WLAN service would.
#include "ressin_fixture.h"

using namespace ressin_test;

namespace {

class Notifications : public InitialisedRessin {
 protected:
  // Delivers one notification to Ressin's callback; the messages it posted are
  // in the window's queue once this returns.
  void Deliver(DWORD source, DWORD code) { ASSERT_EQ(1u, WlanNotify(source, code)) << code; }
};

TEST_F(Notifications, WithoutMobilityCenterNothingIsPostedWhateverTheCode) {
  testkit::KillProcesses(L"mblctr.exe");
  ASSERT_EQ(0, testkit::CountProcesses(L"mblctr.exe"));
  SetStringKnob("netshell", "Connections", "2");
  ServiceWindow service;
  for (DWORD code : {7u, 9u, 10u, 17u, 18u, 19u}) Deliver(kSourceAcm, code);
  ASSERT_TRUE(ressin_.UnloadAndWaitForRechecks());
  EXPECT_TRUE(service.Messages().empty());
  EXPECT_TRUE(Calls("netshell").empty()) << "the connections manager is not asked";
}

TEST_F(Notifications, NetworkAvailablePostsOneWithoutAskingTheConnectionsManager) {
  MobilityCenter mblctr;
  ASSERT_TRUE(mblctr.Running());
  ServiceWindow service;
  Deliver(kSourceAcm, 19);
  EXPECT_TRUE(PostedOne(service, 1));
  EXPECT_TRUE(Calls("netshell").empty());
}

TEST_F(Notifications, NetworkNotAvailablePostsZero) {
  MobilityCenter mblctr;
  ServiceWindow service;
  SetStringKnob("netshell", "Connections", "2");
  Deliver(kSourceAcm, 18);
  EXPECT_TRUE(PostedOne(service, 0));
  EXPECT_TRUE(Calls("netshell").empty());
}

TEST_F(Notifications, SourcesOtherThanAutoConfigurationPostNothing) {
  MobilityCenter mblctr;
  ServiceWindow service;
  // ONEX, MSM, SECURITY, IHV, HNWK
  for (DWORD source : {0x4u, 0x10u, 0x20u, 0x40u, 0x80u}) Deliver(source, 19);
  EXPECT_TRUE(service.Messages().empty());
}

TEST_F(Notifications, ScanAndConnectionCodesPostOneOnlyWhileAConnectionIsConnected) {
  MobilityCenter mblctr;
  ServiceWindow service;
  for (DWORD code : {7u, 9u, 10u}) {
    SetStringKnob("netshell", "Connections",
                  "0,7");  // disconnected, media disconnected
    Deliver(kSourceAcm, code);
    EXPECT_TRUE(service.Messages().empty()) << code;

    SetStringKnob("netshell", "Connections", "0,2");
    Deliver(kSourceAcm, code);
    ASSERT_TRUE(PostedOne(service, 1)) << code;
    service.Clear();
  }
}

TEST_F(Notifications, OtherCodesPostNothing) {
  MobilityCenter mblctr;
  ServiceWindow service;
  SetStringKnob("netshell", "Connections", "2");
  for (DWORD code : {0u, 1u, 8u, 11u, 20u, 21u}) Deliver(kSourceAcm, code);
  EXPECT_TRUE(service.Messages().empty());
  EXPECT_TRUE(Calls("netshell").empty());
}

TEST_F(Notifications, OnlyTheWindowOfClassAndTitleTorvanIsPosted) {
  MobilityCenter mblctr;
  ServiceWindow otherTitle(L"Torvan", L"Torvan Helper");
  ServiceWindow otherClass(L"TorvanOther", L"Torvan");
  Deliver(kSourceAcm, 19);
  Deliver(kSourceAcm, 18);
  EXPECT_TRUE(otherTitle.Messages().empty());
  EXPECT_TRUE(otherClass.Messages().empty());
}

TEST_F(Notifications, ProfilesExhaustedRechecksOnlyOnWindows7) {
  MobilityCenter mblctr;
  ServiceWindow service;
  SetStringKnob("netshell", "Connections", "0");
  const DWORD sent = GetTickCount();
  Deliver(kSourceAcm, 17);
  ASSERT_TRUE(ressin_.UnloadAndWaitForRechecks());
  if (VersionCode() == kOsSeven) {
    ASSERT_TRUE(PostedOne(service, 0));
    EXPECT_GE(service.Messages()[0].tick - sent, 90u) << "posted after the re-check's pause";
  } else {
    EXPECT_TRUE(service.Messages().empty());
    EXPECT_TRUE(Calls("netshell").empty());
  }
}

TEST_F(Notifications, ProfilesExhaustedOnWindows7PostsNothingWhileConnected) {
  ressin_.UnInit();
  ASSERT_EQ(1, ressin_.Init(2));
  MobilityCenter mblctr;
  ServiceWindow service;
  SetStringKnob("netshell", "Connections", "2");
  Deliver(kSourceAcm, 17);
  ASSERT_TRUE(ressin_.UnloadAndWaitForRechecks());
  EXPECT_TRUE(Contains(Calls("netshell"), "NcFreeNetconProperties")) << "the re-check ran";
  EXPECT_TRUE(service.Messages().empty());
}

// The service may free the library right after UnInitRessin while a re-check
// still sleeps; the re-check must finish without the process crashing.
TEST_F(Notifications, RecheckOutlivesTheServiceUnloadingTheLibrary) {
  ressin_.UnInit();
  ASSERT_EQ(1, ressin_.Init(2));
  MobilityCenter mblctr;
  ServiceWindow service;
  SetStringKnob("netshell", "Connections", "0");
  Deliver(kSourceAcm, 17);
  // The re-check gives its reference back as it ends.
  ASSERT_TRUE(ressin_.UnloadAndWaitForRechecks());
  EXPECT_TRUE(PostedOne(service, 0));
}

TEST_F(Notifications, ClosedClientGetsNoNotifications) {
  MobilityCenter mblctr;
  ServiceWindow service;
  EXPECT_EQ(0, ressin_.UnInit());
  EXPECT_EQ(kNoListener, WlanNotify(kSourceAcm, 19, 500));
  EXPECT_TRUE(service.Messages().empty());
}

TEST_F(Notifications, CallbackThreadKeepsItsOwnApartment) {
  testkit::SetKnob("wlanapi", "CallbackApartment", 1);
  MobilityCenter mblctr;
  ServiceWindow service;
  SetStringKnob("netshell", "Connections", "2");
  Deliver(kSourceAcm, 7);
  EXPECT_EQ(1u, service.Messages().size()) << "the manager answers in the caller's apartment";
  EXPECT_TRUE(Contains(Calls("wlanapi"), "callback apartment kept"));
}

}  // namespace
