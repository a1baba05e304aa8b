// Ressin: switches the WLAN radio through the WLAN API and tells the service
// (the window of class and title "Torvan") whether a network is available.
#pragma once

#include <windows.h>
#include <wlanapi.h>

// Posted to the service: wParam 0, lParam 1 when a network is available, 0 when
// not.
constexpr UINT WM_RESSINMSG = WM_USER + 104;
constexpr LPARAM LPARAM_RESSIN_NET_NAVA = 0;
constexpr LPARAM LPARAM_RESSIN_NET_AVA = 1;

// The Windows version code InitRessin keeps; only 2 (Windows 7) changes
// behaviour.
constexpr int kRessinWindows7 = 2;

extern "C" {
int __cdecl InitRessin(int windowsVersionCode);
int __cdecl UnInitRessin();
int __cdecl WLANOnOff(int on);
}

// The version code given to InitRessin, -1 before.
int RessinVersionCode();

// Called by the WLAN API for every notification, on a thread of its own.
VOID WINAPI WNotifyProc(PWLAN_NOTIFICATION_DATA data, PVOID context);

// Re-check run after profiles-exhausted on Windows 7.
DWORD WINAPI PEThread(LPVOID);

// 1 when some network connection is in the connected state, else 0.
int NetAvailable();
