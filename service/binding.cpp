#include "binding.h"

#include "acpi.h"
#include "debuglog.h"
#include "entry.h"
#include "handles.h"
#include "hotkey.h"
#include "loadpath.h"
#include "netscan.h"
#include "osd.h"
#include "xres.h"

using suite::DebugLogW;
using suite::UniqueModule;

BoundEntries g_entries = {};
volatile int g_iOSGeneration = kOsOther;
volatile int g_iWlanVendor = kWlanVendorNone;
HANDLE g_hNotifyEvent = nullptr;

namespace {

// Modules the teardown frees, in its order. "Lumex.dll" and the ACPI access
// library stay loaded for the life of the process.
UniqueModule g_hHookModule;
PFN_InitHook g_pInitHook = nullptr;
PFN_UnHook g_pUnHook = nullptr;
HMODULE g_hDisplayModule = nullptr;
UniqueModule g_hSorrelModule;
UniqueModule g_hFennicModule;
UniqueModule g_hWlanModule;
PFN_WlanInit g_pWlanInit = nullptr;
PFN_UnInitRessin g_pUnInitRessin = nullptr;
UniqueModule g_hPowerModule;

// How long teardown waits for the hotkey thread to finish the key it handles,
// and for a display cycle to end.
constexpr DWORD kHotkeyStopTimeoutMs = 10000;
constexpr DWORD kOsdStopTimeoutMs = 5000;

template <typename T>
T Entry(const UniqueModule& module, const char* name) {
  return suite::GetEntry<T>(module.get(), name);
}

void BindKeyboardHook() {
  g_hHookModule.reset(suite::LoadNotebookComponent(L"QKBD.dll"));
  if (!g_hHookModule) DebugLogW(L"[Vexil][OnInitDlg]LoadLibrary(QKBD) Error : %d", GetLastError());
  g_pInitHook = Entry<PFN_InitHook>(g_hHookModule, "InitHook");
  g_pUnHook = Entry<PFN_UnHook>(g_hHookModule, "UnHook");
  if (!g_pInitHook || !g_pUnHook)
    DebugLogW(L"[Vexil][OnInitDlg]GetProcAddress(InitHook / UnHook) Error : %d", GetLastError());
  if (g_pInitHook) g_pInitHook();
}

void BindDisplayLibrary() {
  g_hDisplayModule = suite::LoadFromProgramFolder(L"Lumex.dll");
  if (!g_hDisplayModule)
    DebugLogW(L"[Vexil][OnInitDlg]LoadLibrary(Lumex.dll) Error : %d", GetLastError());
  g_entries.pOnMonitorLayout =
      suite::GetEntry<PFN_OnMonitorLayout>(g_hDisplayModule, "OnMonitorLayout");
  if (!g_entries.pOnMonitorLayout)
    DebugLogW(L"[Vexil][OnInitDlg]GetProcAddress(OnMonitorLayout) Error : %d", GetLastError());
}

void BindTouchpadLibraries() {
  g_hSorrelModule.reset(suite::LoadNotebookComponent(L"Sorrel.dll"));
  if (!g_hSorrelModule)
    DebugLogW(L"[Vexil][OnInitDlg]LoadLibrary(Sorrel.dll) Error : %d", GetLastError());
  else
    DebugLogW(L"[Vexil][OnInitDlg]LoadLibrary(Sorrel.dll) ");
  g_entries.pTouchPadCtrlS = Entry<PFN_TouchPadCtrl>(g_hSorrelModule, "TouchPadCtrl");
  if (!g_entries.pTouchPadCtrlS)
    DebugLogW(L"[Vexil][OnInitDlg]GetProcAddress(TPCtrlS,Sorrel.dll) Error : %d", GetLastError());
  else
    DebugLogW(L"[Vexil][OnInitDlg]GetProcAddress(TPCtrlS,Sorrel.dll)");

  g_hFennicModule.reset(suite::LoadFromProgramFolder(L"Fennic.dll"));
  if (!g_hFennicModule)
    DebugLogW(L"[Vexil][OnInitDlg]LoadLibrary(Fennic.dll) Error : %d", GetLastError());
  else
    DebugLogW(L"[Vexil][OnInitDlg]LoadLibrary(Fennic.dll)");
  g_entries.pTouchPadCtrlF = Entry<PFN_TouchPadCtrl>(g_hFennicModule, "TouchPadCtrl");
  if (!g_entries.pTouchPadCtrlF)
    DebugLogW(L"[Vexil][OnInitDlg]GetProcAddress(TPCtrlF,Fennic.dll) Error : %d", GetLastError());
  else
    DebugLogW(L"[Vexil][OnInitDlg]GetProcAddress(TPCtrlF,Fennic.dll) ");
}

// ACPI access library, driver, notify event and hotkey thread. The three message
// boxes are the only things a user ever sees of the service.
void ConnectAcpiDriver(HWND dialog) {
  if (!BindAcpiLibrary()) MessageBoxW(dialog, L"Load ACPIDriverDLL Error", L"Hotkey", MB_OK);

  bool driverOpen = false;
  if (AcpiHasLoadDriver()) {
    driverOpen = AcpiLoadDriver();
    if (!driverOpen) MessageBoxW(dialog, L"Load ACPIDriver Error", L"Hotkey", MB_OK);
  }
  if (driverOpen) AcpiControl(IOCTL_TARN_ACPI_HELLO, nullptr, 0, nullptr, 0, nullptr);

  g_hNotifyEvent = CreateEventW(nullptr, FALSE, FALSE, L"MERA EVENT");
  if (!g_hNotifyEvent)
    MessageBoxW(dialog, L"[Hotkey]Can't create Event object for ACPI driver", L"Torvan",
                MB_OK | MB_ICONEXCLAMATION);

  // A hotkey loop without its event or driver would spin on failures.
  if (driverOpen && g_hNotifyEvent && StartHotkeyThread(&g_hNotifyEvent)) {
    HANDLE event = g_hNotifyEvent;
    DWORD unused = 0;
    AcpiControl(IOCTL_TARN_ACPI_SET_EVENT, &event, sizeof event, &unused, sizeof unused, nullptr);
  }
}

// The SFUN WLAN bit: bit 11 of the method's result; a call that writes nothing
// leaves the all-ones preset, which allows the WLAN library.
int ReadSfunWlanBit() {
  AcpiOneMethod(AcpiMethodName("INIT"), 0);
  DWORD sfun = 0xFFFFFFFF;
  AcpiNoneMethod(AcpiMethodName("SFUN"), &sfun);
  const int bit = (sfun >> 11) & 1;
  DebugLogW(L"[Vexil][OnInitDlg]pNoneMethodRaw(SFUN) : %d", bit);
  return bit;
}

void BindXpWlanLibrary(int vendor) {
  const wchar_t* name = XpWlanLibrary(vendor);
  // Pelvari is the suite's own; Pelvara belongs to the notebook.
  g_hWlanModule.reset(vendor == kWlanVendorIntel ? suite::LoadFromProgramFolder(name)
                                                 : suite::LoadNotebookComponent(name));
  if (!g_hWlanModule) {
    if (vendor == kWlanVendorIntel)
      DebugLogW(L"[Vexil][OnInitDlg]LoadLibrary(Pelvari.dll) Error : %d", GetLastError());
    else
      DebugLogW(L"[Vexil][OnInitDlg]LoadLibrary(Pelvara.dll) Error : %d", GetLastError());
    return;
  }
  g_pWlanInit = Entry<PFN_WlanInit>(g_hWlanModule, "PelvarInit");
  g_entries.pWlanRadio = Entry<PFN_WlanRadio>(g_hWlanModule, "PelvarRadio");
  if (!g_pWlanInit || !g_entries.pWlanRadio)
    DebugLogW(L"[Vexil][OnInitDlg]GetProcAddress(PelvarInit/Pelvar) Error : %d", GetLastError());
  if (g_pWlanInit) g_pWlanInit(g_iOSGeneration);
}

void BindRessin() {
  g_hWlanModule.reset(suite::LoadFromProgramFolder(L"Ressin.dll"));
  if (!g_hWlanModule)
    DebugLogW(L"[Vexil][OnInitDlg]LoadLibrary(Ressin.dll) Error : %d", GetLastError());
  g_pWlanInit = Entry<PFN_WlanInit>(g_hWlanModule, "InitRessin");
  g_pUnInitRessin = Entry<PFN_UnInitRessin>(g_hWlanModule, "UnInitRessin");
  g_entries.pWlanRadio = Entry<PFN_WlanRadio>(g_hWlanModule, "WLANOnOff");
  if (!g_pWlanInit || !g_pUnInitRessin || !g_entries.pWlanRadio)
    DebugLogW(L"[Vexil][OnInitDlg]GetProcAddress(InieRessin,UnInitRessin,WLANOnOff) Error : %d",
              GetLastError());
  if (g_pWlanInit) g_pWlanInit(g_iOSGeneration);
}

void BindPowerLibrary() {
  g_hPowerModule.reset(suite::LoadFromProgramFolder(L"Pallion.dll"));
  if (!g_hPowerModule)
    DebugLogW(L"[Vexil][OnInitDlg]LoadLibrary(Pallion.dll) Error : %d", GetLastError());
  g_entries.pSwitchNextScheme = Entry<PFN_SwitchNextScheme>(g_hPowerModule, "SwitchNextScheme");
  if (!g_entries.pSwitchNextScheme)
    DebugLogW(L"[Vexil][OnInitDlg]GetProcAddress(SwitchNextScheme) Error : %d", GetLastError());
}

// Windows version, adapter scan, and the WLAN and power libraries for them.
void BindPlatformLibraries(int sfunWlanBit) {
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  static_assert(sizeof version == 284, "the extended version record Windows fills");
  if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
    DebugLogW(L"[Vexil][OnInitDlg]GetVersionEx() Error : %d", GetLastError());
    return;
  }
  if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return;

  const int vendor = ScanWlanVendor();
  g_iWlanVendor = vendor;

  const int generation = OsGenerationFromVersion(version.dwMajorVersion, version.dwMinorVersion);
  if (generation == kOsOther) return;
  g_iOSGeneration = generation;

  if (generation == kOsXP) {
    if (sfunWlanBit && XpWlanLibrary(vendor)) BindXpWlanLibrary(vendor);
    return;  // no power library on XP
  }
  if (sfunWlanBit) BindRessin();
  BindPowerLibrary();
}

}  // namespace

int OsGenerationFromVersion(DWORD major, DWORD minor) {
  if (major == 5 && minor == 1) return kOsXP;
  if (major == 6 && minor == 0) return kOsVista;
  if (major == 6 && minor == 1) return kOsSeven;
  return kOsOther;
}

const wchar_t* XpWlanLibrary(int vendor) {
  if (vendor == kWlanVendorIntel) return L"Pelvari.dll";
  if (vendor == kWlanVendorAtheros) return L"Pelvara.dll";
  return nullptr;
}

void BindServiceLibraries(HWND dialog) {
  BindKeyboardHook();
  LoadImageLibrary();
  BindDisplayLibrary();
  BindTouchpadLibraries();
  CreateOSDWindow();
  ConnectAcpiDriver(dialog);
  const int sfunWlanBit = ReadSfunWlanBit();
  BindPlatformLibraries(sfunWlanBit);
}

void ReleaseServiceLibraries() {
  // Nothing the hotkey thread may be using goes before the thread has ended. If it
  // is stuck inside a library call, the libraries it calls stay loaded until the
  // process exits rather than being pulled from under it.
  const bool hotkeyStopped = StopHotkeyThread(kHotkeyStopTimeoutMs);
  if (!hotkeyStopped) {
    g_hSorrelModule.release();
    g_hFennicModule.release();
    g_hWlanModule.release();
  }

  if (g_pUnHook) g_pUnHook();
  // A hook installed without a way to remove it must keep its code loaded.
  if (g_pInitHook && !g_pUnHook) g_hHookModule.release();
  g_hHookModule.reset();
  g_hSorrelModule.reset();
  g_hFennicModule.reset();

  // A display cycle that would not end keeps what it draws with until exit, past
  // the exit-time destructors too. No new cycle starts once the OSD is stopping.
  if (StopOSD(kOsdStopTimeoutMs)) {
    ReleaseOSDHolders();
    ReleaseOSDSurface();
    FreeImageLibrary();
    ShutdownGdiplus();
  } else {
    KeepOSDHolders();
    KeepImageLibrary();
  }
  DestroyOSDWindow();

  // Ressin's state and the event belong to a stuck hotkey thread as much as the
  // libraries it calls: they stay until exit.
  if (hotkeyStopped && g_pUnInitRessin) g_pUnInitRessin();
  g_hWlanModule.reset();
  g_hPowerModule.reset();

  if (hotkeyStopped && g_hNotifyEvent) CloseHandle(g_hNotifyEvent);
  g_hNotifyEvent = nullptr;
  CloseHotkeyThreadHandle();
}
