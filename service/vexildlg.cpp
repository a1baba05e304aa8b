#include "vexildlg.h"

#include "binding.h"
#include "resource.h"

CVexilDlg::CVexilDlg(HWND parent)
    : CDialog(IDD_TORVAN_DIALOG, parent),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

CVexilDlg::~CVexilDlg() { ReleaseServiceLibraries(); }

BOOL CVexilDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  ShowWindow(m_hWnd, SW_HIDE);
  SetWindowTextW(m_hWnd, L"Torvan");
  BindServiceLibraries(m_hWnd);
  return TRUE;
}

LRESULT CVexilDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
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
