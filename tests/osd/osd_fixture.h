// The OSD in this process, drawing pictures with known pixels: 478 opaque red,
// 463 opaque blue, 461 fully transparent (19x12 each), 201 the 10x20 white marker,
// 999 bytes that are not a PNG.
// These tests look inside the OSD (its surface's pixels, hNodeThread, iFrameCount):
// a layered window's contents cannot be read back, and a cycle's end and frame
// count are what the start-or-extend rule is about.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "notebook.h"
#include "osd.h"
#include "xres.h"

constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kBlue = 0xFF0000FF;
constexpr DWORD kWhite = 0xFFFFFFFF;

// Pixel (x, y) of the surface, y counted from the top (the DIB is bottom-up).
inline DWORD Pixel(int x, int y) { return OSDPixels()[(119 - y) * 200 + x]; }

// Every pixel of the surface is zero.
inline ::testing::AssertionResult FrameIsTransparent() {
  for (int i = 0; i < 200 * 120; ++i)
    if (OSDPixels()[i]) return ::testing::AssertionFailure() << "pixel " << i << " is drawn";
  return ::testing::AssertionSuccess();
}

// An image library (the test one unless told, relative to bin) and GDI+, as
// dialog initialisation sets them up.
class ImageEnvironment : public ::testing::Environment {
 public:
  explicit ImageEnvironment(const wchar_t* library = L"testbed\\variants\\test-images\\Pictor.dll")
      : library_(library) {}
  void SetUp() override {
    testkit::InstallApp({library_});
    LoadImageLibrary();
    ASSERT_NE(nullptr, ImageModule());
    // Run from the installed folder: the one beside this program is the one loaded.
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(ImageModule(), path, MAX_PATH);
    ASSERT_EQ(testkit::AppPath(L"Pictor.dll"), path) << "the wrong image library";
    ASSERT_TRUE(GdiplusStarted());
  }
  void TearDown() override {
    FreeImageLibrary();
    ShutdownGdiplus();
  }

 private:
  const wchar_t* library_;
};

// And the OSD window with its drawing surface.
class OsdEnvironment : public ImageEnvironment {
 public:
  using ImageEnvironment::ImageEnvironment;
  void SetUp() override {
    ImageEnvironment::SetUp();
    CreateOSDWindow();
    ASSERT_NE(nullptr, hwndFW);
  }
  void TearDown() override {
    EXPECT_TRUE(StopOSD(5000));
    ReleaseOSDHolders();
    ReleaseOSDSurface();
    ImageEnvironment::TearDown();
    DestroyOSDWindow();
  }
};

// The OSD window belongs to this (the main) thread, and the display thread's
// window calls wait for it: a waiting test keeps dispatching, as the service's
// dialog loop does. What arrives while it waits is handled at the next call, so a
// caller can look at the state before a window call it holds up goes on.
inline void PumpFor(DWORD ms) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
}

// Until pred holds (or the time is up), checking every millisecond.
template <typename Pred>
bool WaitUntil(Pred pred, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!pred()) {
    if (GetTickCount() - start > timeoutMs) return false;
    PumpFor(1);
  }
  return true;
}

inline void SetRequest(LONG icon, LONG level, LONG showLevel) {
  iOSDIcon = icon;
  iOSDLevel = level;
  bShowLevel = showLevel;
}

inline bool CycleEnds(DWORD timeoutMs = 20000) {
  return WaitUntil([] { return hNodeThread == nullptr; }, timeoutMs);
}
