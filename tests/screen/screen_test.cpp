// The OSD as a person sees it: the real Torvan.exe on a real (virtual) X display,
// with an image library whose every picture is one plain colour, so one pixel of
// the screen tells which picture is up.
#include "../dispatch/dispatch_fixture.h"
#include "contract.h"
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
    background_ = Shot().At(kIconPoint);
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

  // The OSD's corner of the screen, copied at one moment.
  class Shot {
   public:
    Shot() : memory_(CreateCompatibleDC(screen_.get())) {
      bitmap_.reset(CreateCompatibleBitmap(screen_.get(), 200, 120));
      SelectObject(memory_.get(), bitmap_.get());
      BitBlt(memory_.get(), 0, 0, 200, 120, screen_.get(), 0, 0, SRCCOPY);
    }
    COLORREF At(POINT at) const { return GetPixel(memory_.get(), at.x, at.y); }
    // The left edge of the white level marker on its row, or -1 when none shows.
    int MarkerLeft() const {
      for (int x = 0; x < 200; ++x)
        if (At({x, 105}) == RGB(255, 255, 255)) return x;
      return -1;
    }

   private:
    // The DC goes before the bitmap selected into it.
    suite::UniqueWindowDC screen_{nullptr, GetDC(nullptr)};
    suite::UniqueGdiObject bitmap_;
    suite::UniqueMemoryDC memory_;
  };

  // Until the screen shows the picture with the marker at 10 + 12 x level (level -1:
  // no marker), or ten seconds passed. A frame drawn while a key's values are half
  // written may show a marker it should not: only the settled picture counts.
  bool ScreenShows(WORD picture, int level = -1) {
    const COLORREF colour = PictureColour(picture);
    marker_ = -2;
    for (int i = 0; i < 1000; ++i, Sleep(10)) {
      const Shot shot;
      seen_ = shot.At(kIconPoint);
      if (seen_ == colour) marker_ = shot.MarkerLeft();
      if (seen_ == colour && marker_ == (level < 0 ? -1 : 10 + 12 * level)) return true;
    }
    return false;
  }

  void ExpectPictureFor(DWORD code, WORD picture, int level = -1) {
    Press(code);
    EXPECT_TRUE(ScreenShows(picture, level))
        << "code " << code << " should show picture " << picture << " with level " << level
        << "; with it the marker was at " << marker_ << " (-2: it never showed), now 0x" << std::hex
        << seen_;
  }

  // Until the display cycle is over.
  void WaitGone() {
    EXPECT_TRUE(testkit::WaitUntil([&] { return !IsWindowVisible(osd_); }, 15000));
  }

  static ULONG_PTR gdiplus_;
  COLORREF background_ = 0;
  COLORREF seen_ = 0;
  int marker_ = -1;
};

ULONG_PTR Screen::gdiplus_ = 0;

// Each picture differs from the one before it, so a key that shows nothing, or
// leaves the marker of the key before, cannot pass for its own.
TEST_F(Screen, EachKindOfKeyShowsItsPicture) {
  testkit::SetKnob("Sorrel", "TouchPadCtrl", 777);
  ExpectPictureFor(48, 478, 1);   // volume up from silence (the Core Audio double on Windows 7)
  ExpectPictureFor(49, 463, 0);   // volume down
  ExpectPictureFor(50, 462);      // mute: sound off
  ExpectPictureFor(50, 461);      // mute again: sound on
  ExpectPictureFor(17, 516, 1);   // level notice
  ExpectPictureFor(107, 777);     // the touchpad library's own picture
  ExpectPictureFor(46, 501, 14);  // level notice
  ExpectPictureFor(51, 454);      // notice only
  ExpectPictureFor(94, 431);      // wireless on
  testkit::SetKnob("acpi", "RSTS", 0xFFFFFFFE);
  ExpectPictureFor(93, 432);  // the toggle, bit 0 of "RSTS" clear: radio reported off
  testkit::SetKnob("acpi", "RSTS", 1);
  ExpectPictureFor(93, 431);  // bit 0 set: reported on
  ExpectPictureFor(95, 432);  // wireless off
  ExpectPictureFor(99, 453);  // both displays
  ExpectPictureFor(97, 451);  // panel only
  WaitGone();
}

TEST_F(Screen, TheLevelMarkerMovesTwelvePixelsPerLevel) {
  for (int level = 1; level <= 15; ++level) ExpectPictureFor(48, 478, level);
  ExpectPictureFor(48, 478, 15);  // stays at the top
  ExpectPictureFor(49, 463, 14);
  ExpectPictureFor(17, 516, 1);
  ExpectPictureFor(32, 501, 0);
  ExpectPictureFor(46, 501, 14);
  WaitGone();
}

TEST_F(Screen, LaunchKeysShowNothingVisible) {
  testkit::SetKnob("acpi", "ORMX", 2);  // launches nothing
  ExpectPictureFor(51, 454);
  Press(81);
  // Its cycle runs fully transparent: the window up, no picture in it. Visible both
  // before and after the look, so the window was up while the screen was read.
  bool transparent = false;
  for (int i = 0; i < 1000 && !transparent; ++i, Sleep(10))
    transparent =
        IsWindowVisible(osd_) && Shot().At(kIconPoint) == background_ && IsWindowVisible(osd_);
  EXPECT_TRUE(transparent) << "the launch key's display cycle did not show through";
  WaitGone();
}

TEST_F(Screen, TouchpadModeMessagesShowTheirPictures) {
  PostMessageW(hwnd_, WM_FSPMSG, 0, 2);
  EXPECT_TRUE(ScreenShows(545));
  WaitGone();
  PostMessageW(hwnd_, WM_FSPMSG, 0, 3);
  EXPECT_TRUE(ScreenShows(546));
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
  for (int i = 0; i < 1000 && GetForegroundWindow() != below; ++i, Sleep(10))
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  const HWND foreground = GetForegroundWindow();
  ASSERT_EQ(below, foreground);

  PostMessageW(hwnd_, WM_FSPMSG, 0, 2);
  EXPECT_TRUE(ScreenShows(545)) << "above a window at the same place";
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
