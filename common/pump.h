// Waiting on the main thread without blocking the windows it owns.
#pragma once

#include <windows.h>

namespace suite {

// Waits for handle at most timeoutMs while dispatching this thread's messages:
// another thread may be sending to a window of this one (ShowWindow on it,
// a display-change broadcast) and would otherwise wait for us while we wait for it.
// True when the handle was signalled.
inline bool WaitPumpingMessages(HANDLE handle, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    const DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return true;
    if (r != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace suite
