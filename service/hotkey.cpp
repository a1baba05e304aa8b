#include "hotkey.h"

#include "acpi.h"
#include "debuglog.h"
#include "dispatch.h"
#include "handles.h"
#include "pump.h"

using suite::DebugLogW;

volatile DWORD dPreNotifyCode = 0;

namespace {

constexpr DWORD kKeyPauseMs = 50;

// Written by the main thread before the hotkey thread starts and after it ended.
suite::UniqueHandle g_hHotkeyThread;
// Set by teardown; the thread waits on it beside the notify event. Closed only
// once the thread has ended: a thread that would not stop may still wait on it
// while the process exits, so no owner object closes it then.
HANDLE g_hHotkeyStop = nullptr;

// False when stop was asked while waiting.
bool WaitForKeyEvent(HANDLE stop, HANDLE notifyEvent) {
  HANDLE handles[2] = {stop, notifyEvent};
  return WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

bool StopRequested(HANDLE stop) { return WaitForSingleObject(stop, 0) == WAIT_OBJECT_0; }

}  // namespace

DWORD WINAPI HotkeyThread(LPVOID parameter) {
  HANDLE notifyEvent = *static_cast<const HANDLE*>(parameter);
  // Its own stop event, whatever a later start makes.
  const HANDLE stop = g_hHotkeyStop;
  for (;;) {
    if (!WaitForKeyEvent(stop, notifyEvent)) return 0;

    // Zeroed and size-checked: a short read must not leave the last code in place.
    DWORD code = 0;
    DWORD returned = 0;
    if (!AcpiControl(IOCTL_TARN_ACPI_GET_NOTIFY_CODE, nullptr, 0, &code, sizeof code, &returned) ||
        returned < sizeof code) {
      DebugLogW(L"[Vexil][HotkeyThread]DeviceIoControl(IOCTL_TARN_ACPI_GET_NOTIFY_CODE) Error : %d",
                GetLastError());
      // The same pause as after a key. Any process of the session may have made
      // "MERA EVENT" first, as a manual-reset event left signalled: the wait then
      // returns at once, forever, and every read finds the driver's queue empty.
      // Paused, that costs some twenty reads a second instead of a whole core,
      // and keys still arrive.
      Sleep(kKeyPauseMs);
      continue;
    }

    // The pause before handling a key. A plain Sleep: a wait with a timeout on the
    // stop event wakes a good half millisecond late under Wine, on every key, and
    // shutdown can afford the 50 ms. A key read just before shutdown is dropped.
    Sleep(kKeyPauseMs);
    if (StopRequested(stop)) return 0;

    DebugLogW(L"[Vexil][HotkeyThread]dPreNotifyCode : %d ;NotifyCode: %d", dPreNotifyCode, code);
    DispatchNotifyCode(code);
  }
}

bool StartHotkeyThread(const HANDLE* notifyEvent) {
  // A stop event still kept for a thread that would not stop stays that thread's.
  g_hHotkeyStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!g_hHotkeyStop) return false;
  g_hHotkeyThread.reset(
      CreateThread(nullptr, 0, HotkeyThread, const_cast<HANDLE*>(notifyEvent), 0, nullptr));
  return bool(g_hHotkeyThread);
}

bool StopHotkeyThread(DWORD timeoutMs) {
  if (!g_hHotkeyThread) return true;
  SetEvent(g_hHotkeyStop);
  return suite::WaitPumpingMessages(g_hHotkeyThread.get(), timeoutMs);
}

void CloseHotkeyThreadHandle() {
  const bool ended =
      !g_hHotkeyThread || WaitForSingleObject(g_hHotkeyThread.get(), 0) == WAIT_OBJECT_0;
  if (ended && g_hHotkeyStop) {
    CloseHandle(g_hHotkeyStop);
    g_hHotkeyStop = nullptr;
  }
  g_hHotkeyThread.reset();
}
