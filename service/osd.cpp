#include "osd.h"

#include <gdiplus.h>

#include <cstring>
#include <memory>
#include <new>

#include "debuglog.h"
#include "handles.h"
#include "hotkey.h"
#include "pump.h"
#include "xres.h"

using suite::DebugLogW;

volatile LONG iOSDIcon = 0;
volatile LONG iOSDLevel = -1;
volatile LONG bShowLevel = 0;
HANDLE volatile hNodeThread = nullptr;
volatile LONG iFrameCount = 0;
HWND hwndFW = nullptr;

namespace {

const wchar_t kOSDClass[] = L"FakeWndPM";
constexpr int kOSDWidth = 200;
constexpr int kOSDHeight = 120;
constexpr DWORD kSurfaceBytes = kOSDWidth * kOSDHeight * 4;
constexpr WORD kLevelMarkerId = 201;

// What the display draws with: the window's DC, a memory DC with a 32-bit DIB
// section selected into it, and a GDI+ drawing object over that DC. Goes in the
// reverse of its making: the drawing object, the DIB section selected back out and
// deleted, the memory DC, the window DC.
struct OSDSurface {
  suite::UniqueWindowDC windowDC;
  suite::UniqueMemoryDC memoryDC;
  suite::UniqueGdiObject dibSection;
  HGDIOBJ previousBitmap = nullptr;  // the memory DC's own, given back before it goes
  void* pixels = nullptr;
  std::unique_ptr<Gdiplus::Graphics> graphics;

  OSDSurface() = default;
  OSDSurface(const OSDSurface&) = delete;
  OSDSurface& operator=(const OSDSurface&) = delete;
  ~OSDSurface() {
    graphics.reset();
    if (memoryDC && previousBitmap) SelectObject(memoryDC.get(), previousBitmap);
  }
};

// Made on the main thread at initialisation, then used only by the display
// thread, which takes it once per cycle; released by teardown once no cycle runs.
// Plain, not an owner object: under a display thread that would not end it stays,
// reachable and whole, past the exit-time destructors too.
OSDSurface* g_surface = nullptr;
RECT rc = {};
POINT g_ptDestination = {};
CXRes g_iconHolder;
CXRes g_levelHolder;

// Guards starting, extending and ending a cycle: hNodeThread, iFrameCount resets,
// g_bStopping, and the requesters' writes of the three request values. Never held
// across a window call (those may wait for the main thread, which may be waiting
// for this lock in RequestOSD).
suite::ProcessLock g_osdLock;

// Signalled while no display thread draws; teardown waits on it. Made with the
// window: no cycle starts without it. Plain like the surface, for the same thread.
HANDLE g_hOsdIdle = nullptr;
bool g_bStopping = false;

// Ends the cycle unless a request came in while its last frames were shown.
bool FinishCycle() {
  suite::ProcessLock::Hold lock(g_osdLock);
  if (iFrameCount < kOSDFrames && !g_bStopping) return false;
  dPreNotifyCode = 0;
  CloseHandle(hNodeThread);
  hNodeThread = nullptr;
  SetEvent(g_hOsdIdle);
  return true;
}

// The surface for the window; null only without memory for it. Without its DIB
// section it draws nothing, and its device contexts stay for the teardown to
// release in their order.
std::unique_ptr<OSDSurface> CreateOSDSurface(HWND window) {
  std::unique_ptr<OSDSurface> surface(new (std::nothrow) OSDSurface);
  if (!surface) return nullptr;
  surface->windowDC.reset(window, GetDC(window));
  surface->memoryDC.reset(CreateCompatibleDC(surface->windowDC.get()));

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kOSDWidth;
  info.bmiHeader.biHeight = kOSDHeight;  // positive: bottom-up rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = kSurfaceBytes;
  surface->dibSection.reset(
      CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &surface->pixels, nullptr, 0));
  if (!surface->dibSection) {
    DebugLogW(L"[Vexil][FakeWnd]CreateDIBSections() Error");
    return surface;
  }
  surface->previousBitmap = SelectObject(surface->memoryDC.get(), surface->dibSection.get());
  if (GdiplusStarted()) {
    surface->graphics.reset(new Gdiplus::Graphics(surface->memoryDC.get(), window));
    if (surface->graphics && surface->graphics->GetLastStatus() != Gdiplus::Ok)
      surface->graphics.reset();
  }
  return surface;
}

}  // namespace

void CreateOSDWindow() {
  g_bStopping = false;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kOSDClass;
  RegisterClassExW(&wc);

  hwndFW = CreateWindowExW(
      WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_TOPMOST,
      kOSDClass, nullptr, WS_POPUP | WS_VISIBLE, 0, 0, kOSDWidth, kOSDHeight, nullptr, nullptr,
      instance, nullptr);
  if (!hwndFW) DebugLogW(L"[Vexil][NodeThre]hwndFW==NULL : %d", GetLastError());

  ShowWindow(hwndFW, SW_HIDE);
  GetWindowRect(hwndFW, &rc);
  g_ptDestination.x = rc.left;
  g_ptDestination.y = rc.top;
  DebugLogW(L"[Vexil][FakeWnd]rc.left : %d;rc.top : %d", rc.left, rc.top);

  g_surface = CreateOSDSurface(hwndFW).release();
  g_hOsdIdle = CreateEventW(nullptr, TRUE, TRUE, nullptr);
}

void RequestOSD() {
  suite::ProcessLock::Hold lock(g_osdLock);
  if (g_bStopping || !g_hOsdIdle) return;
  if (hNodeThread) {
    InterlockedExchange(&iFrameCount, 0);
    return;
  }
  // Marked running before the thread exists, so a second requester only extends.
  ResetEvent(g_hOsdIdle);
  iFrameCount = 0;
  hNodeThread = CreateThread(nullptr, 0, OSDThread, nullptr, 0, nullptr);
  if (!hNodeThread) SetEvent(g_hOsdIdle);
}

void RequestOSDPicture(LONG icon, LONG level, LONG showLevel) {
  suite::ProcessLock::Hold lock(g_osdLock);
  iOSDIcon = icon;
  iOSDLevel = level;
  bShowLevel = showLevel;
  RequestOSD();
}

void SetOSDDestination(int x, int y) {
  g_ptDestination.x = x;
  g_ptDestination.y = y;
}

namespace {

// One frame on the surface the display thread took for its cycle: a teardown
// that gave up waiting must not change what the frame draws with under it.
bool DrawOSDFrameOn(OSDSurface* surface) {
  if (!surface || !surface->dibSection) return false;
  memset(surface->pixels, 0, kSurfaceBytes);
  SelectObject(surface->memoryDC.get(), surface->dibSection.get());
  if (Gdiplus::Graphics* graphics = surface->graphics.get()) {
    graphics->SetPageScale(1.0f);
    g_iconHolder.LoadFromResource(LOWORD(iOSDIcon));
    if (Gdiplus::Bitmap* icon = g_iconHolder.Image()) graphics->DrawImage(icon, 10, 0, 190, 120);
    if (bShowLevel == 1) {
      if (iOSDLevel < 0) iOSDLevel = 0;
      g_levelHolder.LoadFromResource(kLevelMarkerId);
      if (Gdiplus::Bitmap* marker = g_levelHolder.Image())
        graphics->DrawImage(marker, 10 + 12 * int(iOSDLevel), 100, int(g_levelHolder.Width()),
                            int(g_levelHolder.Height()) - 8);
    }
    graphics->Flush(Gdiplus::FlushIntentionSync);
  }
  SIZE size = {kOSDWidth, kOSDHeight};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(hwndFW, surface->windowDC.get(), &g_ptDestination, &size,
                      surface->memoryDC.get(), &source, 0, &blend, ULW_ALPHA);
  return true;
}

}  // namespace

bool DrawOSDFrame() { return DrawOSDFrameOn(g_surface); }

const DWORD* OSDPixels() {
  return g_surface ? static_cast<const DWORD*>(g_surface->pixels) : nullptr;
}

DWORD WINAPI OSDThread(LPVOID) {
  if (!IsWindow(hwndFW)) {
    // The window is gone for good: the running mark stays, so later requests only
    // restart a count nobody reads. Nothing draws any more.
    DebugLogW(L"[Vexil][NodeThre]IsWindow() Error");
    SetEvent(g_hOsdIdle);
    return 0;
  }
  DebugLogW(L"[Vexil][NodeThre]Entry");
  do {
    OSDSurface* const surface = g_surface;
    while (iFrameCount < kOSDFrames && !g_bStopping) {
      if (DrawOSDFrameOn(surface)) {
        // Shown without activation: the display never takes the focus.
        ShowWindow(hwndFW, SW_SHOWNA);
        Sleep(16);
      }
      InterlockedIncrement(&iFrameCount);
    }
    ShowWindow(hwndFW, SW_HIDE);
  } while (!FinishCycle());
  return 0;
}

bool StopOSD(DWORD timeoutMs) {
  {
    suite::ProcessLock::Hold lock(g_osdLock);
    g_bStopping = true;
  }
  // Without the event no cycle ever started.
  return !g_hOsdIdle || suite::WaitPumpingMessages(g_hOsdIdle, timeoutMs);
}

void ReleaseOSDHolders() {
  g_levelHolder.Release();
  g_iconHolder.Release();
}

void KeepOSD() {
  g_levelHolder.Keep();
  g_iconHolder.Keep();
  // The surface and the end event are plain, with no exit-time destructor: left
  // as they are, the thread finishes its frame and its cycle on them.
}

void ReleaseOSDSurface() {
  std::unique_ptr<OSDSurface> surface(g_surface);
  g_surface = nullptr;
  surface.reset();
  if (g_hOsdIdle) CloseHandle(g_hOsdIdle);
  g_hOsdIdle = nullptr;
}

void DestroyOSDWindow() {
  if (!hwndFW) return;
  DestroyWindow(hwndFW);
  hwndFW = nullptr;
  UnregisterClassW(kOSDClass, GetModuleHandleW(nullptr));
}
