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
  // Access denied: a copy at a higher integrity level (elevated, on Vista and 7)
  // holds the mutex, and OpenMutexW could not see it either. That is another
  // instance too, never a reason to run a second one.
  suite::UniqueHandle mutex(CreateMutexW(nullptr, TRUE, kMutexName));
  const DWORD created = GetLastError();
  if (created == ERROR_ALREADY_EXISTS || created == ERROR_ACCESS_DENIED) return FALSE;

  CVexilDlg dialog;
  RegisterTorvanClass(m_hInstance);
  dialog.DoModal();
  return FALSE;
}
