// Graphics vendor detection: Intel's COM object, then NvAPI, then ATI's library;
// the first that answers wins.
#include <objbase.h>

#include "debuglog.h"
#include "entry.h"
#include "handles.h"
#include "loadpath.h"
#include "lumex.h"
#include "nvapi.h"

using suite::DebugLogA;
using suite::DebugLogAlwaysA;

const IID IID_ICUIExternal3 = {
    0x70F8C65F, 0x06AA, 0x443B, {0x9E, 0x6B, 0x7C, 0x73, 0x80, 0x8F, 0x07, 0xE5}};

int g_iGraphicVender = GRAPHIC_VENDER_NONE;
suite::UniqueCom<ICUIExternal3> m_pCUIExternal3;
// The ATI library is deliberately never released once its table is loaded: each
// detection loads it again, and the switching step calls through the table.
PdlCalls pPdlCalls = {};
int g_iNvApiStatus = NVAPI_ERROR;
DWORD g_hNvDisplay[kNvDisplayHandles] = {};
DWORD g_dwAtiConfiguration = 0;

namespace {

char g_szNvApiError[kNvErrorTextChars] = {};
DWORD g_dwAtiDisplays = 0;
DWORD g_dwAtiCaps[2] = {};
// Set only by a CoInitialize of our own that succeeded, so that CoUninitialize
// never undoes an initialisation the caller made on its thread.
bool g_bComInitialised = false;

const wchar_t kIntelDeviceName[] = L"\\\\.\\Display1";

void LogIntelDevices() {
  // The AddRef of the enumeration is given back with the name string.
  m_pCUIExternal3->AddRef();
  BSTR device = SysAllocString(kIntelDeviceName);
  for (DWORD index = 0; device && index < kIntelMaxDeviceIndexes; ++index) {
    DWORD uidMonitor = 0, reserved = 0, deviceType = 0;
    if (FAILED(m_pCUIExternal3->EnumAttachableDevices(device, index, &uidMonitor, &reserved,
                                                      &deviceType)))
      break;
    if (deviceType & 0x10) DebugLogA("[Lumex][InitGraphicsIntel]uidMonitor is %x", uidMonitor);
    if (deviceType & 0x02) DebugLogA("[Lumex][InitGraphicsIntel]uidMonitor is %x", uidMonitor);
  }
  SysFreeString(device);
  m_pCUIExternal3->Release();
}

template <typename T>
bool ResolvePdl(HMODULE module, const char* name, T* entry) {
  *entry = suite::GetEntry<T>(module, name);
  if (*entry) return true;
  DebugLogAlwaysA("[Lumex][AtiPdlLoad]GetProcAddress(\"%s\") Error ", name);
  return false;
}

}  // namespace

void ReleaseGraphicsCom() {
  // The pointer belongs to the apartment being left: it must not outlive it.
  m_pCUIExternal3.reset();
  if (g_bComInitialised) {
    g_bComInitialised = false;
    CoUninitialize();
  }
}

int InitGraphics() {
  ReleaseGraphicsCom();
  if (InitGraphicsIntel() == 1) {
    g_iGraphicVender = GRAPHIC_VENDER_INTEL;
    DebugLogA("[Lumex][InitGraphics]Vendor : GRAPHIC_VENDER_INTEL");
  } else if (InitGraphicsNVidia() == 1) {
    g_iGraphicVender = GRAPHIC_VENDER_NVIDIA;
    DebugLogA("[Lumex][InitGraphics]Vendor : GRAPHIC_VENDER_NVIDIA");
  } else if (InitGraphicsATI() == 1) {
    g_iGraphicVender = GRAPHIC_VENDER_ATI;
    DebugLogA("[Lumex][InitGraphics]Vendor : GRAPHIC_VENDER_ATI");
  }
  return g_iGraphicVender != GRAPHIC_VENDER_NONE ? 1 : 0;
}

int InitGraphicsIntel() {
  DebugLogA("[Lumex][InitGraphicsIntel]Entry");
  int result = 0;
  const HRESULT init = CoInitialize(nullptr);
  if (FAILED(init)) {
    DebugLogA("[Lumex][InitGraphicsIntel]CoInitialize(0) Error : %d", GetLastError());
  } else {
    g_bComInitialised = true;
    CLSID clsid;
    const HRESULT hr = CLSIDFromProgID(L"IgfxExt.CUIExternal", &clsid);
    if (hr == REGDB_E_WRITEREGDB) {
      DebugLogA("[Lumex][InitGraphicsIntel]CLSIDFromProgID() failed : REGDB_E_WRITEREGDB");
    } else if (hr == CO_E_CLASSSTRING) {
      DebugLogA("[Lumex][InitGraphicsIntel]CLSIDFromProgID() failed : CO_E_CLASSSTRING");
    } else if (SUCCEEDED(hr)) {
      const HRESULT created = CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_ICUIExternal3,
                                               reinterpret_cast<void**>(m_pCUIExternal3.put()));
      if (FAILED(created) || !m_pCUIExternal3) {
        // A failing server may still have written something there: dropped, not released.
        if (FAILED(created)) m_pCUIExternal3.release();
        DebugLogA("[Lumex][InitGraphicsIntel]CoCreateInstance() failed:%d", GetLastError());
      } else {
        result = 1;
      }
    }
  }
  if (m_pCUIExternal3) {
    DebugLogA("[Lumex][InitGraphicsIntel]m_pCUIExternal3!=NULL");
    LogIntelDevices();
  }
  return result;
}

void NVIDIA_NvApiError(const char* operation) {
  NvAPI_GetErrorMessage(g_iNvApiStatus, g_szNvApiError);
  DebugLogA("[Lumex][NVIDIA_NvApiError]Msg : %s : %s", operation, g_szNvApiError);
}

int InitGraphicsNVidia() {
  DebugLogA("[Lumex][InitGraphicsNVidia]Enter");
  g_iNvApiStatus = NvAPI_Initialize();
  if (g_iNvApiStatus != NVAPI_OK) {
    NVIDIA_NvApiError("NvAPI_Initialize");
    return 0;
  }
  DebugLogA("[Lumex][InitGraphicsNVidia]NvAPI_Initialize() ok");
  return 1;
}

bool AtiPdlLoad(PdlCalls* table) {
  *table = PdlCalls{};
  suite::UniqueModule library(suite::LoadFromSystemFolder(L"atitmmxx.dll"));
  const HMODULE module = library.get();
  if (!module) {
    DebugLogAlwaysA("[Lumex][AtiPdlLoad]LoadLibrary(\"atitmmxx.dll\") Error ");
    return false;
  }
  PdlCalls loaded = {};
  loaded.hModule = module;
  // In the table's order; the first missing name ends the look-up.
  const bool complete =
      ResolvePdl(module, "EnumDisplays", &loaded.pEnumDisplays) &&
      ResolvePdl(module, "GetConnectedDisplays", &loaded.pGetConnectedDisplays) &&
      ResolvePdl(module, "ATIDL_GetAdapterID", &loaded.pATIDL_GetAdapterID) &&
      ResolvePdl(module, "ATIDL_DisplayGetDeviceConfig", &loaded.pATIDL_DisplayGetDeviceConfig) &&
      ResolvePdl(module, "GetConfiguration", &loaded.pGetConfiguration) &&
      ResolvePdl(module, "SetConfiguration", &loaded.pSetConfiguration) &&
      ResolvePdl(module, "GetCapabilities", &loaded.pGetCapabilities);
  // Entries of a released library must not stay where a later step finds them.
  if (!complete) return false;
  *table = loaded;
  library.release();  // kept for the table, for the life of the process
  return true;
}

int InitGraphicsATI() {
  DebugLogA("[Lumex][InitGraphicsATI]Enter");
  if (!AtiPdlLoad(&pPdlCalls)) return 0;
  if (pPdlCalls.pEnumDisplays(0, 2, &g_dwAtiDisplays) == 0)
    DebugLogA("[Lumex][InitGraphicsATI]EnumDisplays 2 is %x", g_dwAtiDisplays);
  pPdlCalls.pGetCapabilities(0, &g_dwAtiCaps[0], &g_dwAtiCaps[1]);
  DebugLogA("[Lumex][InitGraphicsATI]GetCapabilities() is %X-%x", g_dwAtiCaps[0], g_dwAtiCaps[1]);
  if (pPdlCalls.pGetConfiguration(0, 8, &g_dwAtiConfiguration) != 0) {
    DebugLogAlwaysA("[Lumex][InitGraphicsATI]GetConfiguration() Fail");
    return 0;
  }
  DebugLogA("[Lumex][InitGraphicsATI]GetConfiguration()  %x", g_dwAtiConfiguration);
  return 1;
}
