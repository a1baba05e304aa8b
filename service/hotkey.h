// The hotkey thread: waits for the driver's notify event, reads one notify code
// per signal and handles it.
#pragma once

#include <windows.h>

// Previous notify code; only feeds the thread's log line.
extern volatile DWORD dPreNotifyCode;

// Creates the stop event and starts HotkeyThread with the address of the notify
// event handle. False when the thread could not be started.
bool StartHotkeyThread(const HANDLE* notifyEvent);

// Asks the thread to end and waits for it, still dispatching this thread's
// messages (a key action may need the main window), at most timeoutMs.
// True when no hotkey thread runs any more.
bool StopHotkeyThread(DWORD timeoutMs);

// Closes the thread handle (teardown).
void CloseHotkeyThreadHandle();

DWORD WINAPI HotkeyThread(LPVOID parameter);
