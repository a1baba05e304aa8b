// The OSD as a person sees it: the real Torvan.exe on a real (virtual) X display,
// with an image library whose every picture is one plain colour, so one pixel of
// the screen tells which picture is up.
#include "../dispatch/dispatch_fixture.h"
// GDI+ after <windows.h>, which the fixture brings.
#include <gdiplus.h>

namespace {

constexpr POINT kIconPoint = {100, 60};

class Screen : public DispatchTest {
 protected:
  static void SetUpTestSuite() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr);
  }
  static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(gdiplus_); }

  void SetUp() override {
    DispatchTest::SetUp();
    testkit::InstallApp({L"Torvan.exe", L"testbed\\TARNACPIDLL32.dll", L"testbed\\QKBD.dll",
                         L"testbed\\Sorrel.dll", L"testbed\\probes\\Lumex.dll",
                         L"testbed\\probes\\Fennic.dll", L"testbed\\probes\\Ressin.dll",
                         L"testbed\\probes\\Pallion.dll",
                         L"testbed\\variants\\colour-images\\Pictor.dll"});
    testkit::SetNetAdapters({kIntelAdapter});
    Start();
    background_ = ScreenPixel(kIconPoint);
  }

  // The colour of a picture, read from the library itself.
  static COLORREF PictureColour(WORD id) {
    const std::wstring path = testkit::BinDir() + L"\\testbed\\variants\\colour-images\\Pictor.dll";
    HMODULE library = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(nullptr, library);
    HRSRC resource = FindResourceW(library, MAKEINTRESOURCEW(id), L"PNG");
    EXPECT_NE(nullptr, resource) << id;
    COLORREF colour = CLR_INVALID;
    if (resource) {
      const DWORD size = SizeofResource(library, resource);
      HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
      memcpy(GlobalLock(copy), LockResource(LoadResource(library, resource)), size);
      GlobalUnlock(copy);
      IStream* stream = nullptr;
      CreateStreamOnHGlobal(copy, TRUE, &stream);
      Gdiplus::Bitmap bitmap(stream);
      Gdiplus::Color pixel;
      bitmap.GetPixel(0, 0, &pixel);
      colour = RGB(pixel.GetR(), pixel.GetG(), pixel.GetB());
      stream->Release();
    }
    FreeLibrary(library);
    return colour;
  }

  static COLORREF ScreenPixel(POINT at) {
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return colour;
  }

  // Until the screen shows the colour at the point (or ten seconds passed).
  static bool ScreenShows(POINT at, COLORREF colour) {
    for (int i = 0; i < 1000; ++i) {
      if (ScreenPixel(at) == colour) return true;
      Sleep(10);
    }
    return false;
  }

  void ExpectPictureFor(DWORD code, WORD picture) {
    Press(code);
    EXPECT_TRUE(ScreenShows(kIconPoint, PictureColour(picture)))
        << "code " << code << " should show picture " << picture << std::hex << ", screen has 0x"
        << ScreenPixel(kIconPoint);
  }

  // Until the display cycle is over.
  void WaitGone() {
    for (int i = 0; i < 1500 && IsWindowVisible(osd_); ++i) Sleep(10);
    EXPECT_FALSE(IsWindowVisible(osd_));
  }

  static ULONG_PTR gdiplus_;
  COLORREF background_ = 0;
};

ULONG_PTR Screen::gdiplus_ = 0;

TEST_F(Screen, EachKindOfKeyShowsItsPicture) {
  testkit::SetKnob("Sorrel", "TouchPadCtrl", 777);
  ExpectPictureFor(48, 478);   // volume up (the Core Audio double on Windows 7)
  ExpectPictureFor(49, 463);   // volume down
  ExpectPictureFor(50, 462);   // mute: sound off
  ExpectPictureFor(50, 461);   // mute again: sound on
  ExpectPictureFor(17, 516);   // level notice
  ExpectPictureFor(46, 501);   // level notice
  ExpectPictureFor(51, 454);   // notice only
  ExpectPictureFor(94, 431);   // wireless on
  ExpectPictureFor(95, 432);   // wireless off
  ExpectPictureFor(99, 453);   // both displays
  ExpectPictureFor(97, 451);   // panel only
  ExpectPictureFor(107, 777);  // the touchpad library's own picture
  WaitGone();
}

TEST_F(Screen, TheLevelMarkerMovesTwelvePixelsPerLevel) {
  Press(17);  // level 1: marker from x 22
  EXPECT_TRUE(ScreenShows({26, 105}, RGB(255, 255, 255)));
  EXPECT_NE(RGB(255, 255, 255), ScreenPixel({14, 105}));
  WaitGone();
  Press(32);  // level 0: marker from x 10
  EXPECT_TRUE(ScreenShows({14, 105}, RGB(255, 255, 255)));
  WaitGone();
  Press(46);  // level 14: marker from x 178
  EXPECT_TRUE(ScreenShows({182, 105}, RGB(255, 255, 255)));
  WaitGone();
}

TEST_F(Screen, LaunchKeysShowNothingVisible) {
  testkit::SetKnob("acpi", "ORMX", 2);  // launches nothing
  Press(81);
  for (int i = 0; i < 1000 && !IsWindowVisible(osd_); ++i) Sleep(10);
  ASSERT_TRUE(IsWindowVisible(osd_)) << "the display cycle runs, fully transparent";
  for (int i = 0; i < 10 && IsWindowVisible(osd_); ++i) {
    EXPECT_EQ(background_, ScreenPixel(kIconPoint));
    Sleep(20);
  }
  WaitGone();
}

TEST_F(Screen, TouchpadModeMessagesShowTheirPictures) {
  PostMessageW(hwnd_, WM_USER + 103, 0, 2);
  EXPECT_TRUE(ScreenShows(kIconPoint, PictureColour(545)));
  WaitGone();
  PostMessageW(hwnd_, WM_USER + 103, 0, 3);
  EXPECT_TRUE(ScreenShows(kIconPoint, PictureColour(546)));
  WaitGone();
}

TEST_F(Screen, TheOsdStaysOnTopTakesNoFocusAndLetsClicksThrough) {
  // A plain window (a static control would let the point through by itself).
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"Beneath";
  RegisterClassW(&wc);
  HWND below = CreateWindowExW(0, L"Beneath", L"below", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, below);
  SetForegroundWindow(below);
  MSG msg;
  for (int i = 0; i < 20; ++i) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
  const HWND foreground = GetForegroundWindow();

  PostMessageW(hwnd_, WM_USER + 103, 0, 2);
  EXPECT_TRUE(ScreenShows(kIconPoint, PictureColour(545))) << "above a window at the same place";
  ASSERT_TRUE(IsWindowVisible(osd_));
  const LONG ex = GetWindowLongW(osd_, GWL_EXSTYLE);
  for (LONG bit : {LONG(WS_EX_NOACTIVATE), LONG(WS_EX_LAYERED), LONG(WS_EX_TOOLWINDOW),
                   LONG(WS_EX_TRANSPARENT), LONG(WS_EX_TOPMOST)})
    EXPECT_EQ(bit, ex & bit) << std::hex << bit;
  wchar_t before[64] = {}, after[64] = {};
  GetClassNameW(foreground, before, 64);
  GetClassNameW(GetForegroundWindow(), after, 64);
  EXPECT_EQ(foreground, GetForegroundWindow())
      << "was " << testkit::Narrow(before) << ", now " << testkit::Narrow(after);
  const HWND hit = WindowFromPoint(kIconPoint);
  wchar_t hitClass[64] = {};
  GetClassNameW(hit, hitClass, 64);
  EXPECT_EQ(below, hit) << "the point falls through to the window beneath, not to "
                        << testkit::Narrow(hitClass);
  WaitGone();
  DestroyWindow(below);
}

}  // namespace
