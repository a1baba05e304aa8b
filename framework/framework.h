// The smallest application framework the suite's programs stand on: one
// application object whose InitInstance decides whether a message loop runs, and a
// modal dialog run from a dialog template, with overridable initialisation, window
// procedure, paint and drag-icon handling.
#pragma once

#include <windows.h>

namespace framework {

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // FALSE ends the process as soon as it returns; TRUE runs the message loop.
  virtual BOOL InitInstance() { return FALSE; }
  virtual int Run();
  virtual int ExitInstance() { return m_exitCode; }

  HINSTANCE m_hInstance = nullptr;

 protected:
  int m_exitCode = 0;
};

// The one application object of this module (null before it is constructed).
CWinApp* GetApp();

// What WinMain does: InitInstance, then Run when it asked for a loop, then ExitInstance.
int RunApplication(HINSTANCE instance);

// What a library's DllMain does with its application object: InitInstance at
// process attach (FALSE refuses the load), ExitInstance at process detach.
BOOL AttachLibrary(HINSTANCE instance);
void DetachLibrary();

class CDialog {
 public:
  CDialog(UINT templateId, HWND parent);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Runs the dialog modally from its template; returns EndDialog's result, or -1
  // when the dialog could not be created.
  INT_PTR DoModal();
  void EndDialog(int result);

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  // Sees every message first; the base passes it to the normal dialog procedure.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual void OnPaint();
  virtual HCURSOR OnQueryDragIcon() { return nullptr; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }

  HWND m_hWnd = nullptr;
  UINT m_templateId;
  HWND m_hWndParent;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);

  WNDPROC m_superProc = nullptr;
};

}  // namespace framework
