// The libraries the service binds when its main dialog initialises, and their
// release when it ends. Every value here is process-wide: the hotkey thread reads
// them while the dialog object lives on another thread's stack.
#pragma once

#include <windows.h>

// Windows generations the service tells apart.
enum OsGeneration { kOsOther = -1, kOsXP = 0, kOsVista = 1, kOsSeven = 2 };

typedef void(__cdecl* PFN_InitHook)();
typedef void(__cdecl* PFN_UnHook)();
typedef void(__cdecl* PFN_OnMonitorLayout)(int layout);
typedef int(__cdecl* PFN_TouchPadCtrl)(int command);
typedef int(__cdecl* PFN_WlanInit)(int osGeneration);  // InitRessin, PelvarInit
typedef int(__cdecl* PFN_WlanRadio)(int on);           // WLANOnOff, PelvarRadio
typedef int(__cdecl* PFN_UnInitRessin)();
typedef int(__cdecl* PFN_SwitchNextScheme)();

struct BoundEntries {
  PFN_OnMonitorLayout pOnMonitorLayout;
  PFN_TouchPadCtrl pTouchPadCtrlS;  // "Sorrel.dll", first choice
  PFN_TouchPadCtrl pTouchPadCtrlF;  // "Fennic.dll"
  PFN_WlanRadio pWlanRadio;
  PFN_SwitchNextScheme pSwitchNextScheme;
};

extern BoundEntries g_entries;
extern volatile int g_iOSGeneration;
extern volatile int g_iWlanVendor;
// The notify event "MERA EVENT"; the hotkey thread gets its address.
extern HANDLE g_hNotifyEvent;

// Dialog initialisation after the base steps: hook, images, GDI+, libraries, OSD
// window, ACPI driver, notify event, hotkey thread, Windows version, adapter scan
// and the WLAN and power libraries.
void BindServiceLibraries(HWND dialog);

// Teardown when the main dialog ends, in its fixed order.
void ReleaseServiceLibraries();

// Pure rules of the binding, kept apart so they can be checked by table.
int OsGenerationFromVersion(DWORD major, DWORD minor);
// The XP WLAN library for a vendor, or null.
const wchar_t* XpWlanLibrary(int vendor);
