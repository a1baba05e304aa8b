#include "vexildlg.h"

#include "acpi.h"
#include "lifecycle.h"
#include "contract.h"
#include "debuglog.h"
#include "osd.h"
#include "resource.h"

using suite::DebugLogW;

namespace {

void OnDisplayChange() {
  if (!hwndFW) return;
  // The display stays at the top-left corner of whatever the screen now is.
  SetOSDDestination(0, 0);
  DebugLogW(L"[Vexil][CVexilDlg::WindowProc]rc.left : %d;rc.top : %d", 0, 0);
}

void OnTouchpadMode(WPARAM wParam, LPARAM lParam) {
  if (wParam != 0 || !(lParam & LPARAM_FSP_NOTICE)) return;
  LONG icon;
  if (lParam & LPARAM_FSP_MODE_ICON) {
    icon = 546;
    DebugLogW(L"[Vexil][CVexilDlg::WindowProc][WM_FSPMSG]LPARAM_FSP_MODE_ICON : %d", icon);
  } else {
    icon = 545;
    DebugLogW(L"[Vexil][CVexilDlg::WindowProc][WM_FSPMSG]LPARAM_FSP_MODE_NORMAL : %d", icon);
  }
  RequestOSDPicture(icon, -1, 0);
}

void OnNetworkAvailability(WPARAM wParam, LPARAM lParam) {
  if (wParam != 0 || (lParam != LPARAM_RESSIN_NET_NAVA && lParam != LPARAM_RESSIN_NET_AVA)) return;
  int iCtrl;
  if (lParam == LPARAM_RESSIN_NET_NAVA) {
    DebugLogW(L"[Vexil][CVexilDlg::WindowProc][WM_RESSINMSG]LPARAM_RESSIN_NET_NAVA");
    iCtrl = 0;
  } else {
    DebugLogW(L"[Vexil][CVexilDlg::WindowProc][WM_RESSINMSG]LPARAM_RESSIN_NET_AVA");
    iCtrl = 1;
  }
  AcpiOneMethod(AcpiMethodName("WLED"), DWORD(iCtrl));
  DebugLogW(L"[Vexil][CVexilDlg::WindowProc][WM_RESSINMSG]iCtrl : %d", iCtrl);
}

}  // namespace

CVexilDlg::CVexilDlg(HWND parent)
    : CDialog(IDD_TORVAN_DIALOG, parent),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

CVexilDlg::~CVexilDlg() { TearDownService(); }

BOOL CVexilDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  ShowWindow(m_hWnd, SW_HIDE);
  SetWindowTextW(m_hWnd, L"Torvan");
  InitialiseService(m_hWnd);
  return TRUE;
}

LRESULT CVexilDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DISPLAYCHANGE:
      OnDisplayChange();
      break;
    case WM_FSPMSG:
      OnTouchpadMode(wParam, lParam);
      break;
    case WM_RESSINMSG:
      OnNetworkAvailability(wParam, lParam);
      break;
  }
  return CDialog::WindowProc(message, wParam, lParam);
}

void CVexilDlg::OnPaint() {
  if (IsIconic(m_hWnd)) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hWnd, &ps);
    return;
  }
  CDialog::OnPaint();
  // The service has no face: whatever shows the window, the next paint hides it.
  ShowWindow(m_hWnd, SW_HIDE);
}

HCURSOR CVexilDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }
