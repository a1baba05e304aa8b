// Start-up: the window class, the single-instance test, the hidden window and
// the message loop.
#include "tandrel.h"

#include <wtsapi32.h>

#include "debuglog.h"
#include "resource.h"

namespace tandrel {

HINSTANCE hInst = nullptr;
char szTitle[kStringChars] = {};
char szWindowClass[kStringChars] = {};
suite::UniqueHandle hMutex;

namespace {

const char kMutexName[] = "Global\\QRT Tandrel.exe";
// IDC_ARROW, whose macro follows UNICODE while this program is ANSI.
constexpr WORD kArrowCursor = 32512;

// True when another watcher may exist; this instance then holds no mutex.
bool AnotherInstanceMayExist() {
  suite::UniqueHandle mutex(CreateMutexA(nullptr, FALSE, kMutexName));
  if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) return true;
  hMutex = std::move(mutex);
  return false;
}

// The window search runs whatever the mutex said: a watcher of this session
// may run without the mutex (it started while another session's watcher held
// it), and a second one beside it would double every restart.
bool BringExistingWatcherForward() {
  HWND existing = FindWindowA(szWindowClass, szTitle);
  if (!existing) return false;
  if (IsIconic(existing)) ShowWindow(existing, SW_RESTORE);
  SetForegroundWindow(existing);
  return true;
}

}  // namespace

ATOM RegisterWatcherClass(HINSTANCE instance) {
  WNDCLASSEXA wcex = {};
  wcex.cbSize = sizeof wcex;
  wcex.style = CS_HREDRAW | CS_VREDRAW;
  wcex.lpfnWndProc = WndProc;
  wcex.hInstance = instance;
  wcex.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TANDREL));
  wcex.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(kArrowCursor));
  wcex.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wcex.lpszMenuName = MAKEINTRESOURCEA(IDC_TANDREL);
  wcex.lpszClassName = szWindowClass;
  wcex.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL));
  return RegisterClassExA(&wcex);
}

BOOL InitInstance(HINSTANCE instance) {
  hInst = instance;
  AnotherInstanceMayExist();
  if (BringExistingWatcherForward()) return FALSE;

  HWND hWnd =
      CreateWindowExA(WS_EX_TOOLWINDOW, szWindowClass, szTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                      0, CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
  if (!hWnd) return FALSE;
  ShowWindow(hWnd, SW_HIDE);
  UpdateWindow(hWnd);

  if (!WTSRegisterSessionNotification(hWnd, NOTIFY_FOR_THIS_SESSION))
    suite::DebugLogA("[Tandrel][InitInstance]WTSRegisterSessionNotification() Error : %d",
                     GetLastError());
  return TRUE;
}

int TandrelMain(HINSTANCE instance) {
  LoadStringA(instance, IDS_APP_TITLE, szTitle, kStringChars);
  LoadStringA(instance, IDC_TANDREL, szWindowClass, kStringChars);
  RegisterWatcherClass(instance);

  if (!InitInstance(instance)) {
    suite::DebugLogA("[TDL][WinMai]InitInstance false");
    hMutex.reset();
    return 0;
  }
  suite::DebugLogA("[TDL][WinMai]InitInstance OK");

  HACCEL hAccelTable = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_TANDREL));
  GetExecuteLocation();
  SubProcess_Restart();

  MSG msg = {};
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (!TranslateAcceleratorA(msg.hwnd, hAccelTable, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  hMutex.reset();
  return static_cast<int>(msg.wParam);
}

}  // namespace tandrel
