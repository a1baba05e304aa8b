// The hidden window's messages and the About box.
#include "tandrel.h"

#include <wtsapi32.h>

#include "debuglog.h"
#include "resource.h"

namespace tandrel {

namespace {

// Everything runs on the window thread, waits included: while a terminate or
// restart is under way, the next notification waits its turn in the queue.
void OnSessionChange(WPARAM code) {
  switch (code) {
    case WTS_CONSOLE_CONNECT:
      suite::DebugLogA("[TDL][WM_WTSSESSION_CHANGE][WTS_CONSOLE_CONNECT]");
      SubProcess_Terminate();
      SubProcess_Restart();
      break;
    case WTS_CONSOLE_DISCONNECT:
      suite::DebugLogA("[TDL][WM_WTSSESSION_CHANGE][WTS_CONSOLE_DISCONNECT]");
      SubProcess_Terminate();
      break;
    case WTS_SESSION_LOCK:
      suite::DebugLogA("[TDL][WM_WTSSESSION_CHANGE][WTS_SESSION_LOCK]");
      break;
    case WTS_SESSION_UNLOCK:
      suite::DebugLogA("[TDL][WM_WTSSESSION_CHANGE][WTS_SESSION_UNLOCK]");
      break;
    default:
      break;
  }
}

void OnPaint(HWND hWnd, const char* text) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hWnd, &ps);
  RECT rt;
  GetClientRect(hWnd, &rt);
  DrawTextA(hdc, text, -1, &rt, DT_CENTER);
  EndPaint(hWnd, &ps);
}

}  // namespace

LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  char szHello[kStringChars];
  LoadStringA(hInst, IDS_HELLO, szHello, kStringChars);

  switch (message) {
    case WM_WTSSESSION_CHANGE:
      OnSessionChange(wParam);
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDM_ABOUT:
          DialogBoxParamA(hInst, MAKEINTRESOURCEA(IDD_ABOUTBOX), hWnd, About, 0);
          return 0;
        case IDM_EXIT:
          DestroyWindow(hWnd);
          return 0;
        default:
          return DefWindowProcA(hWnd, message, wParam, lParam);
      }
    case WM_PAINT:
      OnPaint(hWnd, szHello);
      return 0;
    case WM_DESTROY:
      WTSUnRegisterSessionNotification(hWnd);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hWnd, message, wParam, lParam);
  }
}

INT_PTR CALLBACK About(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(hDlg, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace tandrel
