// The libraries the service binds by name: the notebook's keyboard hook, Lumex,
// the two touchpad libraries, the WLAN library for the Windows version and
// adapter, and Pallion. Each is loaded from where it belongs and logged as it
// binds; the entries the hotkey thread calls are process-wide.
#pragma once

#include <windows.h>

#include "contract.h"

// Written by dialog initialisation before the hotkey thread reads them; a null
// entry means its library or entry is missing.
struct BoundEntries {
  PFN_OnMonitorLayout pOnMonitorLayout;
  PFN_TouchPadCtrl pTouchPadCtrlS;  // "Sorrel.dll", first choice
  PFN_TouchPadCtrl pTouchPadCtrlF;  // "Fennic.dll"
  PFN_WlanRadio pWlanRadio;
  PFN_SwitchNextScheme pSwitchNextScheme;
};

extern BoundEntries g_entries;

void BindKeyboardHook();
void BindDisplayLibrary();
void BindTouchpadLibraries();
// The XP vendor library for the adapter's vendor, handed the OS generation.
void BindXpWlanLibrary(int vendor, int osGeneration);
void BindRessin(int osGeneration);
void BindPowerLibrary();

// Teardown. A hotkey thread that would not stop may still be inside the touchpad
// and WLAN libraries: they stay loaded until the process exits.
void KeepLibrariesOfStuckHotkeyThread();
void UnbindKeyboardHook();
void UnbindTouchpadLibraries();
// UnInitRessin only when told: not under a hotkey thread that still runs.
void UnbindWlanLibrary(bool uninitialise);
void UnbindPowerLibrary();

// The XP WLAN library for a vendor, or null.
const wchar_t* XpWlanLibrary(int vendor);
