// The three graphics vendors' interfaces as the library uses them: the Intel COM
// interface, NVIDIA's view-target record, and ATI's display library table. They
// are outside interfaces; only what the library calls is declared.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <cstddef>

// {70F8C65F-06AA-443B-9E6B-7C73808F07E5}
extern const IID IID_ICUIExternal3;

// Positions 3 to 10 of the table are never called; they hold the place of the
// entries that come before the two the library needs.
struct ICUIExternal3 : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved4() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved6() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
  virtual HRESULT STDMETHODCALLTYPE Reserved10() = 0;
  // Position 11.
  virtual HRESULT STDMETHODCALLTYPE ChangeActiveDevices(const GUID* pGuid, DWORD dwSize,
                                                        BYTE* pRecord, DWORD* pdwError) = 0;
  // Position 12; fails once the index is past the last device.
  virtual HRESULT STDMETHODCALLTYPE EnumAttachableDevices(BSTR bstrDevice, DWORD dwIndex,
                                                          DWORD* puidMonitor, DWORD* pdwReserved,
                                                          DWORD* pdwDeviceType) = 0;
};

// The Intel display-configuration record, 120 bytes.
struct IntelDisplayConfig {
  DWORD dwSize;
  char szDeviceName[80];
  DWORD dwOperatingMode;    // 1 one display, 3 two displays
  DWORD dwSecondaryDevice;  // 0 none, 0x1000 built-in panel
  DWORD dwFlag;             // always 1
  DWORD dwPrimaryDevice;    // 0x1000 built-in panel, 1 external monitor
  BYTE reserved[20];
};
static_assert(sizeof(IntelDisplayConfig) == 120, "Intel record is 120 bytes");
static_assert(offsetof(IntelDisplayConfig, dwOperatingMode) == 84, "mode at 84");
static_assert(offsetof(IntelDisplayConfig, dwPrimaryDevice) == 96, "first device at 96");

constexpr DWORD kIntelPanel = 0x1000;
constexpr DWORD kIntelMonitor = 1;

// NVIDIA's view-target record, 32 bytes.
struct NvViewTarget {
  DWORD deviceMask;  // 0x10000 built-in panel, 1 external monitor
  DWORD parentIndex;
  DWORD flags;  // bit 0: primary
};
struct NvViewTargetInfo {
  DWORD version;
  DWORD count;
  NvViewTarget target[2];
};
static_assert(sizeof(NvViewTargetInfo) == 32, "view-target record is 32 bytes");

constexpr DWORD kNvViewTargetInfoVersion = 0x00010020;
constexpr DWORD kNvPanel = 0x10000;
constexpr DWORD kNvMonitor = 1;

// ATI's display library: three 32-bit arguments per entry.
typedef int(__cdecl* PFN_EnumDisplays)(int adapter, int kind, DWORD* displays);
typedef int(__cdecl* PFN_GetCapabilities)(int adapter, DWORD* first, DWORD* second);
typedef int(__cdecl* PFN_Configuration)(int adapter, int kind, DWORD* configuration);
typedef int(__cdecl* PFN_PdlUnused)(int, int, int);

struct PdlCalls {
  HMODULE hModule;
  PFN_EnumDisplays pEnumDisplays;
  PFN_PdlUnused pGetConnectedDisplays;
  PFN_PdlUnused pATIDL_GetAdapterID;
  PFN_PdlUnused pATIDL_DisplayGetDeviceConfig;
  PFN_Configuration pGetConfiguration;
  PFN_Configuration pSetConfiguration;
  PFN_GetCapabilities pGetCapabilities;
};
