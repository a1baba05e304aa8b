#include "osd.h"

#include <gdiplus.h>

#include "debuglog.h"

using suite::DebugLogW;

HWND hwndFW = nullptr;

namespace {

const wchar_t kOSDClass[] = L"FakeWndPM";
constexpr int kOSDWidth = 200;
constexpr int kOSDHeight = 120;

// The drawing surface; created on the main thread at initialisation, used by the
// display thread, released by teardown after every display cycle has ended.
HDC g_hWindowDC = nullptr;
HDC g_hMemoryDC = nullptr;
HBITMAP g_hDIBSection = nullptr;
HGDIOBJ g_hPreviousBitmap = nullptr;
void* g_pPixels = nullptr;
Gdiplus::GpGraphics* g_pGraphics = nullptr;
RECT rc = {};
POINT g_ptDestination = {};

}  // namespace

void CreateOSDWindow() {
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
  info.bmiHeader.biSizeImage = kOSDWidth * kOSDHeight * 4;
  g_hDIBSection = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &g_pPixels, nullptr, 0);
  if (!g_hDIBSection) {
    DebugLogW(L"[Vexil][FakeWnd]CreateDIBSections() Error");
    return;
  }
  g_hPreviousBitmap = SelectObject(g_hMemoryDC, g_hDIBSection);
  if (Gdiplus::DllExports::GdipCreateFromHDC2(g_hMemoryDC, hwndFW, &g_pGraphics) != Gdiplus::Ok)
    g_pGraphics = nullptr;
}

void ReleaseOSDSurface() {
  if (g_pGraphics) Gdiplus::DllExports::GdipDeleteGraphics(g_pGraphics);
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
