// Ressin: switches the WLAN radio through the WLAN API and tells the service
// (the window of class and title "Torvan") whether a network is available.
#pragma once

#include <windows.h>
#include <wlanapi.h>

#include <type_traits>

#include "contract.h"

extern "C" {
int __cdecl InitRessin(int windowsVersionCode);
int __cdecl UnInitRessin();
int __cdecl WLANOnOff(int on);
}
static_assert(std::is_same_v<decltype(&InitRessin), PFN_InitRessin> &&
                  std::is_same_v<decltype(&UnInitRessin), PFN_UnInitRessin> &&
                  std::is_same_v<decltype(&WLANOnOff), PFN_WLANOnOff>,
              "Ressin's exports as the service calls them");

// The OS generation given to InitRessin, -1 before; only Windows 7 changes behaviour.
int RessinVersionCode();

// Called by the WLAN API for every notification, on a thread of its own.
VOID WINAPI WNotifyProc(PWLAN_NOTIFICATION_DATA data, PVOID context);

// Re-check run after profiles-exhausted on Windows 7.
DWORD WINAPI PEThread(LPVOID);

// 1 when some network connection is in the connected state, else 0.
int NetAvailable();
