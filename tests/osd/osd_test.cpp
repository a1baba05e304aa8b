// The OSD's frames and display cycles.
#include "osd_fixture.h"

#include "handles.h"
#include "hotkey.h"

#include <algorithm>
#include <random>
#include <thread>
#include <vector>

namespace {

class Osd : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CycleEnds()); }
  void TearDown() override { EXPECT_TRUE(CycleEnds()); }
};

class OsdFrame : public Osd {
 protected:
  struct Probe {
    int x, y;
    DWORD colour;
  };
  // Draws one frame of the request and checks what landed on those pixels.
  static void ExpectFrame(LONG icon, LONG level, LONG showLevel, std::vector<Probe> probes) {
    SetRequest(icon, level, showLevel);
    ASSERT_TRUE(DrawOSDFrame());
    for (const Probe& p : probes) EXPECT_EQ(p.colour, Pixel(p.x, p.y)) << p.x << "," << p.y;
  }
};

TEST_F(OsdFrame, IconIsScaledIntoItsAreaRightOfTenPixels) {
  for (int y : {10, 60, 110}) ExpectFrame(478, -1, 0, {{5, y, 0}, {20, y, kRed}, {190, y, kRed}});
}

TEST_F(OsdFrame, LevelMarkerSitsAtTenPlusTwelveTimesTheLevel) {
  // A fully transparent icon: only the marker shows, at x 94, y 100, 10 wide and
  // 20 - 8 = 12 high.
  ExpectFrame(461, 7, 1,
              {{98, 105, kWhite},
               {95, 101, kWhite},
               {102, 110, kWhite},
               {91, 105, 0},
               {106, 105, 0},
               {98, 97, 0},
               {98, 114, 0},
               {98, 50, 0}});
}

TEST_F(OsdFrame, MarkerIsDrawnOverTheIcon) {
  ExpectFrame(478, 7, 1, {{98, 105, kWhite}, {80, 105, kRed}, {98, 60, kRed}});
}

TEST_F(OsdFrame, NegativeLevelIsDrawnAtZeroAndStaysZero) {
  ExpectFrame(461, -1, 1, {{14, 105, kWhite}, {26, 105, 0}});
  EXPECT_EQ(0, iOSDLevel);
}

TEST_F(OsdFrame, MarkerOnlyWhenTheFlagIsExactlyOne) {
  ExpectFrame(461, 3, 2, {{50, 105, 0}});
  EXPECT_EQ(3, iOSDLevel);
}

TEST_F(OsdFrame, IconZeroGivesAFullyTransparentFrame) {
  SetRequest(478, -1, 0);
  ASSERT_TRUE(DrawOSDFrame());
  SetRequest(0, -1, 0);
  ASSERT_TRUE(DrawOSDFrame());
  EXPECT_TRUE(FrameIsTransparent());
}

TEST_F(OsdFrame, UndecodablePictureIsSimplyNotDrawn) {
  ExpectFrame(999, 5, 1, {{50, 50, 0}, {74, 105, kWhite}});
}

// Without its DIB section the OSD draws nothing, and its device contexts wait
// for the teardown rather than going at start-up. Made anew after, as the fixture
// made it.
extern "C" void* createDibSectionSlot __asm__("__imp__CreateDIBSection@24");
HBITMAP WINAPI NoDibSection(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD) { return nullptr; }

TEST_F(OsdFrame, ASurfaceWithoutItsDibSectionDrawsNothingAndKeepsItsContextsForTheTeardown) {
  ReleaseOSDSurface();
  DestroyOSDWindow();
  void* const real =
      testkit::SwapImport(&createDibSectionSlot, reinterpret_cast<void*>(NoDibSection));
  CreateOSDWindow();
  testkit::SwapImport(&createDibSectionSlot, real);
  const bool drawn = DrawOSDFrame();
  const DWORD made = testkit::MeasureResources(GetCurrentProcess()).gdiObjects;
  ReleaseOSDSurface();
  const DWORD released = testkit::MeasureResources(GetCurrentProcess()).gdiObjects;
  DestroyOSDWindow();
  CreateOSDWindow();
  ASSERT_NE(nullptr, OSDPixels());
  EXPECT_FALSE(drawn);
  EXPECT_GT(made, released) << "the device contexts were released at start-up";
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

double NowMs() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return now.QuadPart * 1000.0 / frequency.QuadPart;
}

// Rounds of requests from two threads at once, spread over many cycles: when no
// cycle runs (both race to start one), right after a cycle's last frame (its final
// hide waits for this thread's message pump, so the display thread is held there)
// and at random moments. hNodeThread is watched because clearing it is what ends a
// cycle; the window's hide is not (a request after the last frame hides and shows it).
TEST_F(OsdCycle, RequestsAcrossCycleEndsEachGetAFullCycleOnOneDisplayThread) {
  constexpr int kRounds = 12;
  const DWORD idleThreads = testkit::CountThreads(GetCurrentProcessId());
  std::vector<suite::UniqueHandle> go;
  for (int round = 0; round < kRounds; ++round)
    go.emplace_back(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  suite::UniqueHandle done(CreateSemaphoreW(nullptr, 0, 2, nullptr));
  struct Request {
    double before, after;
  };
  std::vector<Request> requests[2];
  auto requester = [&](int index) {
    for (int round = 0; round < kRounds; ++round) {
      WaitForSingleObject(go[round].get(), INFINITE);
      const double before = NowMs();
      SetRequest(index ? 463 : 478, round % 16, 1);
      RequestOSD();
      requests[index].push_back({before, NowMs()});
      ReleaseSemaphore(done.get(), 1, nullptr);
    }
  };
  std::vector<double> ends;
  bool running = false;
  // A display thread past its end may linger a moment beside the next one; two
  // that draw side by side overlap for most of a cycle.
  double overSince = -1, longestOverlap = 0;
  auto watchUntil = [&](auto pred, double forMs) {
    for (const double until = NowMs() + forMs;; PumpFor(1)) {
      const double now = NowMs();
      if (testkit::CountThreads(GetCurrentProcessId()) <= idleThreads + 3) {
        overSince = -1;
      } else {
        if (overSince < 0) overSince = now;
        longestOverlap = std::max(longestOverlap, now - overSince);
      }
      if (running && !hNodeThread) ends.push_back(now);
      running = hNodeThread != nullptr;
      if (pred()) return true;
      if (now > until) return false;
    }
  };
  auto idle = [] { return hNodeThread == nullptr; };
  auto lastFrameDone = [] { return hNodeThread && iFrameCount >= kOSDFrames; };
  std::mt19937 random(20240611);
  std::thread a(requester, 0), b(requester, 1);
  for (int round = 0; round < kRounds; ++round) {
    if (round % 3 == 0) {
      EXPECT_TRUE(watchUntil(idle, 15000)) << round;
    } else if (round % 3 == 1) {
      EXPECT_TRUE(watchUntil(lastFrameDone, 15000)) << round;
    } else {
      watchUntil([] { return false; }, random() % 600);
    }
    SetEvent(go[round].get());
    // Without pumping: a held display thread stays held until both have requested.
    for (int i = 0; i < 2; ++i) EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(done.get(), 5000));
  }
  a.join();
  b.join();
  ASSERT_TRUE(watchUntil(idle, 15000));
  EXPECT_LT(longestOverlap, 100.0) << "two display threads ran side by side";
  // The cycle a request joined or started ran 30 frames of 16 ms after it.
  for (const auto& each : requests)
    for (const Request& request : each) {
      const auto end = std::upper_bound(ends.begin(), ends.end(), request.after);
      ASSERT_NE(ends.end(), end);
      EXPECT_GE(*end - request.before, (kOSDFrames - 1) * 15.0)
          << "a request at " << request.before - each[0].before << " ms";
    }
}

// Two requesters' pictures never mix: while one is inside its request (held here
// where it starts the display thread), the other's three values wait for it.
extern "C" void* createThreadSlot __asm__("__imp__CreateThread@24");
HANDLE g_requestEntered = nullptr;
HANDLE g_requestRelease = nullptr;
decltype(&CreateThread) g_realCreateThread = nullptr;

HANDLE WINAPI HeldCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                               LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                               LPDWORD id) {
  SetEvent(g_requestEntered);
  WaitForSingleObject(g_requestRelease, INFINITE);
  return g_realCreateThread(security, stack, start, parameter, flags, id);
}

TEST_F(OsdCycle, ASecondRequesterWaitsForTheFirstsPictureWhole) {
  suite::UniqueHandle entered(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  suite::UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_requestEntered = entered.get();
  g_requestRelease = release.get();
  g_realCreateThread = reinterpret_cast<decltype(&CreateThread)>(
      testkit::SwapImport(&createThreadSlot, reinterpret_cast<void*>(HeldCreateThread)));
  std::thread first([] { RequestOSDPicture(478, 3, 1); });
  const bool held = WaitForSingleObject(entered.get(), 15000) == WAIT_OBJECT_0;
  testkit::SwapImport(&createThreadSlot, reinterpret_cast<void*>(g_realCreateThread));
  std::thread second([] { RequestOSDPicture(463, 7, 0); });
  Sleep(500);
  const LONG during[] = {iOSDIcon, iOSDLevel, bShowLevel};
  SetEvent(release.get());
  first.join();
  second.join();
  ASSERT_TRUE(held);
  EXPECT_EQ((std::vector<LONG>{478, 3, 1}),
            std::vector<LONG>(std::begin(during), std::end(during)));
  EXPECT_EQ((std::vector<LONG>{463, 7, 0}), (std::vector<LONG>{iOSDIcon, iOSDLevel, bShowLevel}));
}

// A display thread held inside a GDI+ call past the teardown's wait: the teardown
// keeps what it draws with, and when the call returns the frame goes on with it,
// the cycle ends as any other and the process lives on. Last of the cycles: the
// OSD is made anew for what follows, as a new service would make it.
extern "C" void* drawImageSlot __asm__("__imp__GdipDrawImageRectI@24");
HANDLE g_drawEntered = nullptr;
HANDLE g_drawRelease = nullptr;
void* g_realDrawImage = nullptr;

int WINAPI HeldDrawImage(void* graphics, void* image, int x, int y, int width, int height) {
  SetEvent(g_drawEntered);
  WaitForSingleObject(g_drawRelease, INFINITE);
  using Real = int(WINAPI*)(void*, void*, int, int, int, int);
  return reinterpret_cast<Real>(g_realDrawImage)(graphics, image, x, y, width, height);
}

TEST_F(OsdCycle, ADisplayThreadHeldPastTheTeardownFinishesOnWhatWasKept) {
  suite::UniqueHandle entered(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  suite::UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_drawEntered = entered.get();
  g_drawRelease = release.get();
  g_realDrawImage = testkit::SwapImport(&drawImageSlot, reinterpret_cast<void*>(HeldDrawImage));
  SetRequest(478, 3, 1);
  RequestOSD();
  const bool held = WaitForSingleObject(entered.get(), 15000) == WAIT_OBJECT_0;
  testkit::SwapImport(&drawImageSlot, g_realDrawImage);
  EXPECT_TRUE(held);
  EXPECT_FALSE(StopOSD(held ? 200 : 0)) << "the display thread was not held";
  KeepOSD();
  EXPECT_NE(nullptr, OSDPixels()) << "the surface was let go under the thread";
  SetEvent(release.get());
  EXPECT_TRUE(CycleEnds());
  EXPECT_TRUE(StopOSD(5000)) << "the end of the cycle was not signalled";
  DestroyOSDWindow();
  CreateOSDWindow();
  ASSERT_NE(nullptr, hwndFW);
}

}  // namespace

// Set up once for the program, under the tests' common main.
::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new OsdEnvironment);
