// The OSD's frames and display cycles.
#include "osd_fixture.h"

#include "hotkey.h"

#include <tlhelp32.h>

#include <atomic>
#include <thread>

namespace {

class Osd : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CycleEnds()); }
  void TearDown() override { EXPECT_TRUE(CycleEnds()); }
};

using OsdFrame = Osd;

TEST_F(OsdFrame, IconIsScaledIntoItsAreaRightOfTenPixels) {
  SetRequest(478, -1, 0);
  ASSERT_TRUE(DrawOSDFrame());
  for (int y : {10, 60, 110}) {
    EXPECT_EQ(0u, Pixel(5, y)) << y;
    EXPECT_EQ(kRed, Pixel(20, y)) << y;
    EXPECT_EQ(kRed, Pixel(190, y)) << y;
  }
}

TEST_F(OsdFrame, LevelMarkerSitsAtTenPlusTwelveTimesTheLevel) {
  SetRequest(461, 7, 1);  // a fully transparent icon: only the marker shows
  ASSERT_TRUE(DrawOSDFrame());
  // x 94, y 100, 10 wide and 20 - 8 = 12 high.
  EXPECT_EQ(kWhite, Pixel(98, 105));
  EXPECT_EQ(kWhite, Pixel(95, 101));
  EXPECT_EQ(kWhite, Pixel(102, 110));
  EXPECT_EQ(0u, Pixel(91, 105));
  EXPECT_EQ(0u, Pixel(106, 105));
  EXPECT_EQ(0u, Pixel(98, 97));
  EXPECT_EQ(0u, Pixel(98, 114));
  EXPECT_EQ(0u, Pixel(98, 50));
}

TEST_F(OsdFrame, MarkerIsDrawnOverTheIcon) {
  SetRequest(478, 7, 1);
  ASSERT_TRUE(DrawOSDFrame());
  EXPECT_EQ(kWhite, Pixel(98, 105));
  EXPECT_EQ(kRed, Pixel(80, 105));
  EXPECT_EQ(kRed, Pixel(98, 60));
}

TEST_F(OsdFrame, NegativeLevelIsDrawnAtZeroAndStaysZero) {
  SetRequest(461, -1, 1);
  ASSERT_TRUE(DrawOSDFrame());
  EXPECT_EQ(0, iOSDLevel);
  EXPECT_EQ(kWhite, Pixel(14, 105));
  EXPECT_EQ(0u, Pixel(26, 105));
}

TEST_F(OsdFrame, MarkerOnlyWhenTheFlagIsExactlyOne) {
  SetRequest(461, 3, 2);
  ASSERT_TRUE(DrawOSDFrame());
  EXPECT_EQ(0u, Pixel(50, 105));
  EXPECT_EQ(3, iOSDLevel);
}

TEST_F(OsdFrame, IconZeroGivesAFullyTransparentFrame) {
  SetRequest(478, -1, 0);
  ASSERT_TRUE(DrawOSDFrame());
  SetRequest(0, -1, 0);
  ASSERT_TRUE(DrawOSDFrame());
  for (int i = 0; i < 200 * 120; ++i) ASSERT_EQ(0u, OSDPixels()[i]) << i;
}

TEST_F(OsdFrame, UndecodablePictureIsSimplyNotDrawn) {
  SetRequest(999, 5, 1);
  ASSERT_TRUE(DrawOSDFrame());
  EXPECT_EQ(0u, Pixel(50, 50));
  EXPECT_EQ(kWhite, Pixel(74, 105));
}

using OsdCycle = Osd;

TEST_F(OsdCycle, OneRequestShowsThirtyFramesThenHides) {
  SetRequest(478, 4, 1);
  const DWORD start = GetTickCount();
  RequestOSD();
  ASSERT_NE(nullptr, hNodeThread);
  EXPECT_TRUE(WaitUntil([] { return IsWindowVisible(hwndFW) != FALSE; }, 15000));
  ASSERT_TRUE(CycleEnds());
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_FALSE(IsWindowVisible(hwndFW));
  EXPECT_EQ(kOSDFrames, iFrameCount);
  // 30 frames of at least 16 ms each.
  EXPECT_GE(elapsed, 30u * 15);
}

TEST_F(OsdCycle, TheEndOfACycleClearsThePreviousNotifyCode) {
  dPreNotifyCode = 48;
  SetRequest(478, 4, 1);
  RequestOSD();
  ASSERT_TRUE(CycleEnds());
  EXPECT_EQ(0u, dPreNotifyCode);
}

TEST_F(OsdCycle, ASecondRequestExtendsTheRunningCycleWithItsPicture) {
  SetRequest(478, -1, 0);
  RequestOSD();
  HANDLE first = hNodeThread;
  ASSERT_NE(nullptr, first);
  ASSERT_TRUE(WaitUntil([] { return iFrameCount >= 20; }, 15000));
  SetRequest(463, -1, 0);
  RequestOSD();
  EXPECT_EQ(first, hNodeThread) << "no second display thread";
  EXPECT_LT(iFrameCount, 20);
  // The new picture shows from the next frames on.
  EXPECT_TRUE(WaitUntil([] { return Pixel(100, 60) == kBlue; }, 15000));
  // Past where the first cycle would have ended, the window is still up.
  ASSERT_TRUE(WaitUntil([] { return iFrameCount >= 25; }, 15000));
  EXPECT_EQ(first, hNodeThread);
  EXPECT_TRUE(IsWindowVisible(hwndFW));
  ASSERT_TRUE(CycleEnds());
  EXPECT_FALSE(IsWindowVisible(hwndFW));
}

TEST_F(OsdCycle, ARequestDuringTheLastFrameIsNotLost) {
  for (int round = 0; round < 5; ++round) {
    SetRequest(478, -1, 0);
    RequestOSD();
    ASSERT_TRUE(WaitUntil([] { return iFrameCount >= kOSDFrames - 1; }, 15000));
    SetRequest(463, -1, 0);
    RequestOSD();
    // Either the running cycle took it up, or a new one started: either way a cycle
    // runs for the request and shows its picture.
    ASSERT_TRUE(WaitUntil([] { return Pixel(100, 60) == kBlue; }, 15000)) << round;
    EXPECT_NE(nullptr, hNodeThread) << round;
    ASSERT_TRUE(CycleEnds()) << round;
  }
}

TEST_F(OsdCycle, WindowIsShownWithoutTakingTheFocus) {
  HWND other = CreateWindowExW(0, L"STATIC", L"focus", WS_POPUP | WS_VISIBLE, 300, 300, 50, 50,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(other);
  SetActiveWindow(other);
  const HWND active = GetActiveWindow();
  SetRequest(478, -1, 0);
  RequestOSD();
  ASSERT_TRUE(WaitUntil([] { return IsWindowVisible(hwndFW) != FALSE; }, 15000));
  EXPECT_EQ(active, GetActiveWindow());
  EXPECT_NE(hwndFW, GetForegroundWindow());
  ASSERT_TRUE(CycleEnds());
  DestroyWindow(other);
}

int CountThreadsOfThisProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int n = 0;
  for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  CloseHandle(snapshot);
  return n;
}

TEST_F(OsdCycle, RequestsFromTwoThreadsNeverRunTwoDisplayThreads) {
  const int idleThreads = CountThreadsOfThisProcess();
  std::atomic<bool> stop{false};
  auto requester = [&stop](LONG icon) {
    for (int i = 0; i < 3000 && !stop; ++i) {
      SetRequest(icon, i % 16, 1);
      RequestOSD();
      if (i % 100 == 0) Sleep(1);
    }
  };
  int most = 0;
  std::thread a(requester, 478), b(requester, 463);
  for (int i = 0; i < 200; ++i) {
    most = std::max(most, CountThreadsOfThisProcess());
    PumpFor(2);
  }
  stop = true;
  a.join();
  b.join();
  // The two requesters and at most one display thread.
  EXPECT_LE(most, idleThreads + 3);

  // The last request still gets a whole cycle.
  SetRequest(463, -1, 0);
  RequestOSD();
  ASSERT_NE(nullptr, hNodeThread);
  EXPECT_TRUE(WaitUntil([] { return Pixel(100, 60) == kBlue; }, 15000));
  ASSERT_TRUE(CycleEnds());
  EXPECT_EQ(kOSDFrames, iFrameCount);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new OsdEnvironment);
  return RUN_ALL_TESTS();
}
