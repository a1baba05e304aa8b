// What passes between the suite's binaries: the window messages the libraries post
// to the service, the codes the service hands the libraries, the pictures a library
// names, and the entry points the service binds by name. Every value that crosses a
// binary is a 32-bit integer and every entry is __cdecl; each library checks its
// exports against the types here, so a signature cannot drift from the call.
#pragma once

#include <windows.h>

// Posted to the service's main window ("Torvan") by the pad vendor's software:
// wParam 0; lParam bit 1 marks a mode notice, bit 0 then says which mode.
constexpr UINT WM_FSPMSG = WM_USER + 103;
constexpr LPARAM LPARAM_FSP_NOTICE = 2;
constexpr LPARAM LPARAM_FSP_MODE_ICON = 1;

// Posted to the service's main window by Ressin: wParam 0; lParam says whether
// some network is available.
constexpr UINT WM_RESSINMSG = WM_USER + 104;
constexpr LPARAM LPARAM_RESSIN_NET_NAVA = 0;
constexpr LPARAM LPARAM_RESSIN_NET_AVA = 1;

// The layout codes OnMonitorLayout takes (ATI's configuration codes are the same).
enum MonitorLayout { kLayoutExternalOnly = 1, kLayoutPanelOnly = 2, kLayoutBoth = 3 };

// The Windows generations the service tells apart and hands InitRessin.
enum OsGeneration { kOsOther = -1, kOsXP = 0, kOsVista = 1, kOsSeven = 2 };

// The WLAN adapter's maker, from the Net-class hardware scan.
enum WlanVendor { kWlanVendorNone = 0, kWlanVendorIntel = 1, kWlanVendorAtheros = 2 };

// Pictures TouchPadCtrl returns for the service to show; 0 means nothing toggled.
constexpr int kTouchPadTurnedOn = 541;
constexpr int kTouchPadTurnedOff = 542;

// The notebook's keyboard-hook library ("QKBD.dll").
typedef void(__cdecl* PFN_InitHook)();
typedef void(__cdecl* PFN_UnHook)();
// Lumex.dll
typedef void(__cdecl* PFN_OnMonitorLayout)(int layoutCode);
// Fennic.dll, and the notebook's "Sorrel.dll" with the same entry.
typedef int(__cdecl* PFN_TouchPadCtrl)(int request);
// Ressin.dll
typedef int(__cdecl* PFN_InitRessin)(int osGeneration);
typedef int(__cdecl* PFN_UnInitRessin)();
typedef int(__cdecl* PFN_WLANOnOff)(int on);
// Pelvari.dll, and the notebook's "Pelvara.dll" with the same entries. The service
// binds them through Ressin's types: it passes PelvarInit the OS generation, which
// the library does not declare, and never reads a radio call's result. Both are
// harmless under __cdecl, where the caller pops what it pushed.
typedef int(__cdecl* PFN_PelvarInit)();
typedef void(__cdecl* PFN_PelvarRadio)(int bRadioEnable);
typedef PFN_InitRessin PFN_WlanInit;
typedef PFN_WLANOnOff PFN_WlanRadio;
// Pallion.dll
typedef int(__cdecl* PFN_SwitchNextScheme)();
