#include "osd.h"

#include <gdiplus.h>

#include <cstring>

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

// The drawing surface: made on the main thread at initialisation, then used only
// by the display thread, released by teardown once no cycle runs.
HDC g_hWindowDC = nullptr;
HDC g_hMemoryDC = nullptr;
HBITMAP g_hDIBSection = nullptr;
HGDIOBJ g_hPreviousBitmap = nullptr;
void* g_pPixels = nullptr;
Gdiplus::Graphics* g_pGraphics = nullptr;
RECT rc = {};
POINT g_ptDestination = {};
CXRes g_iconHolder;
CXRes g_levelHolder;

// Guards starting, extending and ending a cycle: hNodeThread, iFrameCount resets,
// g_bStopping. Never held across a window call (those may wait for the main thread,
// which may be waiting for this lock in RequestOSD).
suite::ProcessLock g_osdLock;

// Signalled while no display thread draws; teardown waits on it.
HANDLE g_hOsdIdle = CreateEventW(nullptr, TRUE, TRUE, nullptr);
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

  g_hWindowDC = GetDC(hwndFW);
  g_hMemoryDC = CreateCompatibleDC(g_hWindowDC);

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kOSDWidth;
  info.bmiHeader.biHeight = kOSDHeight;  // positive: bottom-up rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = kSurfaceBytes;
  g_hDIBSection = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &g_pPixels, nullptr, 0);
  if (!g_hDIBSection) {
    DebugLogW(L"[Vexil][FakeWnd]CreateDIBSections() Error");
    return;
  }
  g_hPreviousBitmap = SelectObject(g_hMemoryDC, g_hDIBSection);
  if (GdiplusStarted()) {
    g_pGraphics = new Gdiplus::Graphics(g_hMemoryDC, hwndFW);
    if (g_pGraphics && g_pGraphics->GetLastStatus() != Gdiplus::Ok) {
      delete g_pGraphics;
      g_pGraphics = nullptr;
    }
  }
}

void RequestOSD() {
  suite::ProcessLock::Hold lock(g_osdLock);
  if (g_bStopping) return;
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

void SetOSDDestination(int x, int y) {
  g_ptDestination.x = x;
  g_ptDestination.y = y;
}

bool DrawOSDFrame() {
  if (!g_hDIBSection) return false;
  memset(g_pPixels, 0, kSurfaceBytes);
  SelectObject(g_hMemoryDC, g_hDIBSection);
  if (g_pGraphics) {
    g_pGraphics->SetPageScale(1.0f);
    g_iconHolder.LoadFromResource(LOWORD(iOSDIcon));
    if (Gdiplus::Bitmap* icon = g_iconHolder.Image()) g_pGraphics->DrawImage(icon, 10, 0, 190, 120);
    if (bShowLevel == 1) {
      if (iOSDLevel < 0) iOSDLevel = 0;
      g_levelHolder.LoadFromResource(kLevelMarkerId);
      if (Gdiplus::Bitmap* marker = g_levelHolder.Image())
        g_pGraphics->DrawImage(marker, 10 + 12 * int(iOSDLevel), 100, int(g_levelHolder.Width()),
                               int(g_levelHolder.Height()) - 8);
    }
    g_pGraphics->Flush(Gdiplus::FlushIntentionSync);
  }
  SIZE size = {kOSDWidth, kOSDHeight};
  POINT source = {0, 0};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(hwndFW, g_hWindowDC, &g_ptDestination, &size, g_hMemoryDC, &source, 0, &blend,
                      ULW_ALPHA);
  return true;
}

const DWORD* OSDPixels() { return static_cast<const DWORD*>(g_pPixels); }

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
    while (iFrameCount < kOSDFrames && !g_bStopping) {
      if (DrawOSDFrame()) {
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
  return suite::WaitPumpingMessages(g_hOsdIdle, timeoutMs);
}

void ReleaseOSDHolders() {
  g_levelHolder.Release();
  g_iconHolder.Release();
}

void KeepOSDHolders() {
  g_levelHolder.Keep();
  g_iconHolder.Keep();
}

void ReleaseOSDSurface() {
  delete g_pGraphics;
  g_pGraphics = nullptr;
  if (g_hMemoryDC && g_hPreviousBitmap) SelectObject(g_hMemoryDC, g_hPreviousBitmap);
  g_hPreviousBitmap = nullptr;
  if (g_hDIBSection) DeleteObject(g_hDIBSection);
  g_hDIBSection = nullptr;
  g_pPixels = nullptr;
  if (g_hMemoryDC) DeleteDC(g_hMemoryDC);
  g_hMemoryDC = nullptr;
  if (g_hWindowDC) ReleaseDC(hwndFW, g_hWindowDC);
  g_hWindowDC = nullptr;
}

void DestroyOSDWindow() {
  if (!hwndFW) return;
  DestroyWindow(hwndFW);
  hwndFW = nullptr;
  UnregisterClassW(kOSDClass, GetModuleHandleW(nullptr));
}
