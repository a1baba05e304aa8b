// The monitor layout switch: Intel, then ATI, then NVIDIA; the step whose vendor
// the detection finds sends the layout through that vendor's interface.
#include <cstring>
#include <memory>
#include <new>

#include "debuglog.h"
#include "lumex.h"
#include "nvapi.h"

using suite::DebugLogA;
using suite::DebugLogAlwaysA;

NvViewTargetInfo g_nvViewTarget = {};

namespace {

const GUID kChangeActiveDevicesGuid = {
    0x381ECED3, 0xEFF1, 0x4DF2, {0xB5, 0x60, 0x66, 0x48, 0xE3, 0x52, 0xB1, 0x8E}};
const char kIntelDeviceName[] = "\\\\.\\Display1";

const char* const kIntelLayoutLines[] = {
    "[Lumex][OnMonitorLayoutIntel]OUTPUT_INTEL_LCDONLY",
    "[Lumex][OnMonitorLayoutIntel]OUTPUT_INTEL_CRTONLY",
    "[Lumex][OnMonitorLayoutIntel]OUTPUT_INTEL_LCDCRT",
};

// Steps 2 to 5 of the Intel switch, after a detection that found Intel.
void SwitchIntel(IntelLayout layout) {
  std::unique_ptr<IntelDisplayConfig> record(new (std::nothrow) IntelDisplayConfig());
  if (record) {
    DebugLogA("%s", kIntelLayoutLines[layout]);
    FillIntelRecord(layout, record.get());
    CallChangeActiveDevices(record.get());
  }
  record.reset();
  ReleaseGraphicsCom();
}

bool AtiTableLoaded() { return pPdlCalls.hModule != nullptr; }

// Through the table only while it is loaded.
int AtiConfiguration(PFN_Configuration entry, DWORD* configuration) {
  return AtiTableLoaded() && entry ? entry(0, 8, configuration) : -1;
}

}  // namespace

void FillIntelRecord(IntelLayout layout, IntelDisplayConfig* record) {
  *record = IntelDisplayConfig();
  record->dwSize = sizeof(IntelDisplayConfig);
  lstrcpynA(record->szDeviceName, kIntelDeviceName, sizeof record->szDeviceName);
  record->dwFlag = 1;
  switch (layout) {
    case OUTPUT_INTEL_LCDONLY:
      record->dwOperatingMode = 1;
      record->dwPrimaryDevice = kIntelPanel;
      break;
    case OUTPUT_INTEL_CRTONLY:
      record->dwOperatingMode = 1;
      record->dwPrimaryDevice = kIntelMonitor;
      break;
    case OUTPUT_INTEL_LCDCRT:
      record->dwOperatingMode = 3;
      record->dwSecondaryDevice = kIntelPanel;
      record->dwPrimaryDevice = kIntelMonitor;
      break;
  }
}

int FillNVidiaRecord(NVidiaLayout layout, NvViewTargetInfo* record) {
  *record = NvViewTargetInfo();
  record->version = kNvViewTargetInfoVersion;
  switch (layout) {
    case NVIDIA_LCD_ONLY:
      record->count = 1;
      record->target[0] = {kNvPanel, 0, 1};
      record->target[1] = {kNvMonitor, 1, 0};
      return 0;
    case NVIDIA_CRT_ONLY:
      record->count = 1;
      record->target[0] = {kNvMonitor, 0, 1};
      return 0;
    case NVIDIA_LCD_CRT:
      record->count = 2;
      record->target[0] = {kNvPanel, 0, 1};
      record->target[1] = {kNvMonitor, 0, 0};
      return 1;
  }
  return 0;
}

HRESULT CallChangeActiveDevices(IntelDisplayConfig* record) {
  DWORD dwError = 0;
  // Only an interface created in this request is called; after a detection that
  // found Intel only by an earlier request there is none.
  const HRESULT hr = m_pCUIExternal3 ? m_pCUIExternal3->ChangeActiveDevices(
                                           &kChangeActiveDevicesGuid, sizeof(IntelDisplayConfig),
                                           reinterpret_cast<BYTE*>(record), &dwError)
                                     : E_POINTER;
  if (SUCCEEDED(hr)) return hr;
  DebugLogA("[Lumex][CallChangeActiveDevices]ahRes : %d ,adwRes : %d", hr, dwError);
  if (dwError == 9) DebugLogA("[Lumex][CallChangeActiveDevices]Bad display configuration");
  return hr;
}

namespace {

// A detection that found the vendor; otherwise its line, written regardless, and
// the detection's apartment left: the caller's thread must not stay in one that
// nothing pumps.
bool DetectedVendor(int vendor, const char* errorLine) {
  if (InitGraphics() != 0 && g_iGraphicVender == vendor) return true;
  DebugLogAlwaysA("%s", errorLine);
  ReleaseGraphicsCom();
  return false;
}

}  // namespace

int OnMonitorLayoutIntel(IntelLayout layout) {
  if (!DetectedVendor(GRAPHIC_VENDER_INTEL, "[Vexil][HotkeyThread]IniGraphics(0x61) Error"))
    return 0;
  SwitchIntel(layout);
  return 1;
}

int OnMonitorLayoutATI(int code) {
  if (!DetectedVendor(GRAPHIC_VENDER_ATI, "[Lumex][HotkeyThread]IniGraphics(0x61) Error")) return 0;
  int status = AtiConfiguration(pPdlCalls.pGetConfiguration, &g_dwAtiConfiguration);
  if (status != 0) DebugLogA("[Lumex][OnMonitorLayoutATI]GetConfiguration() Error : %d", status);
  Sleep(1000);
  g_dwAtiConfiguration = DWORD(code);
  status = AtiConfiguration(pPdlCalls.pSetConfiguration, &g_dwAtiConfiguration);
  if (status != 0) DebugLogA("[Lumex][OnMonitorLayoutATI]SetConfiguration() Fail : %x", status);
  Sleep(1000);
  status = AtiConfiguration(pPdlCalls.pGetConfiguration, &g_dwAtiConfiguration);
  if (status != 0) DebugLogA("[Lumex][OnMonitorLayoutATI]GetConfiguration() Fail : %x", status);
  DebugLogA("[Lumex][OnMonitorLayoutATI]GetConfiguration(CurrentDisplay) :  %X",
            g_dwAtiConfiguration);
  ReleaseGraphicsCom();
  return 1;
}

int NVidia_GetMonitors() {
  g_iNvApiStatus = NVAPI_OK;
  int found = 0;
  while (found < kNvDisplayHandles) {
    g_iNvApiStatus = NvAPI_EnumNvidiaDisplayHandle(found, &g_hNvDisplay[found]);
    if (g_iNvApiStatus != NVAPI_OK) break;
    ++found;
  }
  if (found == 0) return 0;
  for (int i = 0; i < found; ++i)
    DebugLogA("[Lumex][NVidia_GetMonitors]NvAPI_EnumNvidiaDisplayHandle(%d): %08x", i,
              g_hNvDisplay[i]);
  return 1;
}

int OnMonitorLayoutNVidia(NVidiaLayout layout) {
  if (!DetectedVendor(GRAPHIC_VENDER_NVIDIA,
                      "[Lumex][OnMonitorLayoutNVidia]IniGraphics(0x61) Error"))
    return 0;
  const int viewMode = FillNVidiaRecord(layout, &g_nvViewTarget);
  NVidia_GetMonitors();
  g_iNvApiStatus = NvAPI_SetView(g_hNvDisplay[0], &g_nvViewTarget, viewMode);
  if (g_iNvApiStatus != NVAPI_OK && g_iNvApiStatus != NVAPI_ERROR)
    NVIDIA_NvApiError("NvAPI_SetView");
  ReleaseGraphicsCom();
  return 1;
}

extern "C" void __cdecl OnMonitorLayout(int layoutCode) {
  switch (layoutCode) {
    case kLayoutPanelOnly:
      if (OnMonitorLayoutIntel(OUTPUT_INTEL_LCDONLY) != 1 &&
          OnMonitorLayoutATI(kLayoutPanelOnly) != 1)
        OnMonitorLayoutNVidia(NVIDIA_LCD_ONLY);
      break;
    case kLayoutExternalOnly:
      if (InitGraphics() == 1 && g_iGraphicVender == GRAPHIC_VENDER_INTEL) {
        SwitchIntel(OUTPUT_INTEL_CRTONLY);
        break;
      }
      DebugLogAlwaysA("[Vexil][HotkeyThread]IniGraphics(0x61) Error");
      if (OnMonitorLayoutATI(kLayoutExternalOnly) != 1) OnMonitorLayoutNVidia(NVIDIA_CRT_ONLY);
      break;
    case kLayoutBoth:
      if (OnMonitorLayoutIntel(OUTPUT_INTEL_LCDCRT) != 1 && OnMonitorLayoutATI(kLayoutBoth) != 1)
        OnMonitorLayoutNVidia(NVIDIA_LCD_CRT);
      break;
    default:
      break;
  }
}
