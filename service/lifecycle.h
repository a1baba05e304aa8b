// What the main dialog sets up when it initialises and takes down when it ends,
// each in its fixed order, and the facts about the machine that start-up learns.
#pragma once

#include <windows.h>

#include "contract.h"

// Learnt once by dialog initialisation, before anything reads them.
extern volatile int g_iOSGeneration;  // an OsGeneration
extern volatile int g_iWlanVendor;    // a WlanVendor

// Dialog initialisation after the base steps: hook, images, GDI+, libraries, OSD
// window, ACPI driver, notify event, hotkey thread, Windows version, adapter scan
// and the WLAN and power libraries.
void InitialiseService(HWND dialog);

// Teardown when the main dialog ends. Nothing a thread that would not stop may
// still use is freed under it.
void TearDownService();

int OsGenerationFromVersion(DWORD major, DWORD minor);
