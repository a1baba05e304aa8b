// Lumex, the display-switch library: graphics vendor detection and the monitor
// layout switch. Everything runs on the caller's thread (the service's hotkey
// thread), one request at a time, so the process-wide state below takes no lock.
#pragma once

#include <windows.h>

#include <type_traits>

#include "contract.h"
#include "handles.h"
#include "vendors.h"

constexpr int GRAPHIC_VENDER_NONE = -1;
constexpr int GRAPHIC_VENDER_NVIDIA = 0;
constexpr int GRAPHIC_VENDER_ATI = 1;
constexpr int GRAPHIC_VENDER_INTEL = 2;

enum IntelLayout { OUTPUT_INTEL_LCDONLY, OUTPUT_INTEL_CRTONLY, OUTPUT_INTEL_LCDCRT };
enum NVidiaLayout { NVIDIA_LCD_ONLY, NVIDIA_CRT_ONLY, NVIDIA_LCD_CRT };

constexpr int kNvDisplayHandles = 128;
// Devices past this index are not asked for: a driver that never reports the end
// must not hold the hotkey thread.
constexpr DWORD kIntelMaxDeviceIndexes = 32;

// The vendor found by the last successful detection; never goes back to none.
extern int g_iGraphicVender;
// Held from its creation in a detection until the end of that request.
extern suite::UniqueCom<ICUIExternal3> m_pCUIExternal3;
extern PdlCalls pPdlCalls;
extern int g_iNvApiStatus;
extern DWORD g_hNvDisplay[kNvDisplayHandles];
extern NvViewTargetInfo g_nvViewTarget;
extern DWORD g_dwAtiConfiguration;

// Detection (run at the start of every layout step).
int InitGraphics();
int InitGraphicsIntel();
int InitGraphicsNVidia();
int InitGraphicsATI();
// Loads "atitmmxx.dll" and resolves its seven entries; on failure the library is
// released and the table left empty.
bool AtiPdlLoad(PdlCalls* table);
void NVIDIA_NvApiError(const char* operation);
// Ends the COM use of a request: gives the Intel interface back, then undoes the
// library's own CoInitialize if it made one.
void ReleaseGraphicsCom();

// Switching.
int OnMonitorLayoutIntel(IntelLayout layout);
int OnMonitorLayoutATI(int code);
int OnMonitorLayoutNVidia(NVidiaLayout layout);
HRESULT CallChangeActiveDevices(IntelDisplayConfig* record);
int NVidia_GetMonitors();
// The record a layout gives the Intel interface.
void FillIntelRecord(IntelLayout layout, IntelDisplayConfig* record);
// The view-target record and view mode a layout gives NvAPI.
int FillNVidiaRecord(NVidiaLayout layout, NvViewTargetInfo* record);

extern "C" void __cdecl OnMonitorLayout(int layoutCode);
static_assert(std::is_same_v<decltype(&OnMonitorLayout), PFN_OnMonitorLayout>,
              "Lumex's export as the service calls it");
