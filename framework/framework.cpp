#include "framework.h"

namespace framework {
namespace {

CWinApp* g_app = nullptr;
// The dialog object travels to the window procedure in a window property, so the
// dialog's user data stays free for derived classes.
const wchar_t kDialogProperty[] = L"framework.CDialog";

}  // namespace

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

int CWinApp::Run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  m_exitCode = int(msg.wParam);
  return ExitInstance();
}

CWinApp* GetApp() { return g_app; }

int RunApplication(HINSTANCE instance) {
  CWinApp* app = GetApp();
  if (!app) return -1;
  app->m_hInstance = instance;
  if (app->InitInstance()) return app->Run();
  return app->ExitInstance();
}

BOOL AttachLibrary(HINSTANCE instance) {
  CWinApp* app = GetApp();
  if (!app) return FALSE;
  app->m_hInstance = instance;
  return app->InitInstance();
}

void DetachLibrary() {
  if (CWinApp* app = GetApp()) app->ExitInstance();
}

CDialog::CDialog(UINT templateId, HWND parent) : m_templateId(templateId), m_hWndParent(parent) {}

CDialog::~CDialog() {
  if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
  m_hWnd = nullptr;
}

INT_PTR CDialog::DoModal() {
  HINSTANCE instance = GetApp() ? GetApp()->m_hInstance : GetModuleHandleW(nullptr);
  INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(m_templateId), m_hWndParent,
                                   DialogProc, reinterpret_cast<LPARAM>(this));
  m_hWnd = nullptr;
  return result;
}

void CDialog::EndDialog(int result) {
  if (m_hWnd) ::EndDialog(m_hWnd, result);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(m_superProc, m_hWnd, message, wParam, lParam);
}

void CDialog::OnPaint() {
  PAINTSTRUCT ps;
  BeginPaint(m_hWnd, &ps);
  EndPaint(m_hWnd, &ps);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* self = static_cast<CDialog*>(GetPropW(hwnd, kDialogProperty));
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lParam);
    self->m_hWnd = hwnd;
    SetPropW(hwnd, kDialogProperty, self);
    // From here on the object sees every message before the dialog manager does.
    self->m_superProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    return self->OnInitDialog();
  }
  return self ? self->OnDialogMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CDialog::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return TRUE;
    case WM_QUERYDRAGICON:
      // One of the few dialog messages whose result is the procedure's own return.
      return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        OnOK();
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        OnCancel();
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

LRESULT CALLBACK CDialog::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* self = static_cast<CDialog*>(GetPropW(hwnd, kDialogProperty));
  if (!self) return DefDlgProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    WNDPROC super = self->m_superProc;
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
    RemovePropW(hwnd, kDialogProperty);
    self->m_hWnd = nullptr;
    return CallWindowProcW(super, hwnd, message, wParam, lParam);
  }
  return self->WindowProc(message, wParam, lParam);
}

}  // namespace framework
