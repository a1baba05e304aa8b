#include "vexilapp.h"

#include <commctrl.h>

#include "handles.h"
#include "vexildlg.h"

namespace {

const wchar_t kMutexName[] = L"Torvan_Mutex";

// The main window's class: the system dialog class under the name other programs
// look for.
void RegisterTorvanClass(HINSTANCE instance) {
  WNDCLASSW existing;
  if (GetClassInfoW(instance, L"Torvan", &existing)) return;
  WNDCLASSW wc;
  if (!GetClassInfoW(instance, L"#32770", &wc)) return;
  wc.lpszClassName = L"Torvan";
  RegisterClassW(&wc);
}

}  // namespace

BOOL CVexilApp::InitInstance() {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  // The session's namespace: each logged-on user runs one service of their own.
  suite::UniqueHandle other(OpenMutexW(0, FALSE, kMutexName));
  if (other) return FALSE;
  // Declared before the dialog so it is closed after the teardown: no second
  // instance can start while this one still holds the driver and libraries.
  suite::UniqueHandle mutex(CreateMutexW(nullptr, TRUE, kMutexName));
  if (GetLastError() == ERROR_ALREADY_EXISTS) return FALSE;

  CVexilDlg dialog;
  RegisterTorvanClass(m_hInstance);
  dialog.DoModal();
  return FALSE;
}
