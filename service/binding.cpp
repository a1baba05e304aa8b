#include "binding.h"

#include "debuglog.h"
#include "entry.h"
#include "handles.h"
#include "loadpath.h"

using suite::DebugLogW;
using suite::UniqueModule;

BoundEntries g_entries = {};

namespace {

// The modules teardown frees. "Lumex.dll" stays loaded for the life of the process.
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

template <typename T>
T Entry(const UniqueModule& module, const char* name) {
  return suite::GetEntry<T>(module.get(), name);
}

}  // namespace

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

void BindXpWlanLibrary(int vendor, int osGeneration) {
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
  if (g_pWlanInit) g_pWlanInit(osGeneration);
}

void BindRessin(int osGeneration) {
  g_hWlanModule.reset(suite::LoadFromProgramFolder(L"Ressin.dll"));
  if (!g_hWlanModule)
    DebugLogW(L"[Vexil][OnInitDlg]LoadLibrary(Ressin.dll) Error : %d", GetLastError());
  g_pWlanInit = Entry<PFN_WlanInit>(g_hWlanModule, "InitRessin");
  g_pUnInitRessin = Entry<PFN_UnInitRessin>(g_hWlanModule, "UnInitRessin");
  g_entries.pWlanRadio = Entry<PFN_WlanRadio>(g_hWlanModule, "WLANOnOff");
  if (!g_pWlanInit || !g_pUnInitRessin || !g_entries.pWlanRadio)
    DebugLogW(L"[Vexil][OnInitDlg]GetProcAddress(InieRessin,UnInitRessin,WLANOnOff) Error : %d",
              GetLastError());
  if (g_pWlanInit) g_pWlanInit(osGeneration);
}

void BindPowerLibrary() {
  g_hPowerModule.reset(suite::LoadFromProgramFolder(L"Pallion.dll"));
  if (!g_hPowerModule)
    DebugLogW(L"[Vexil][OnInitDlg]LoadLibrary(Pallion.dll) Error : %d", GetLastError());
  g_entries.pSwitchNextScheme = Entry<PFN_SwitchNextScheme>(g_hPowerModule, "SwitchNextScheme");
  if (!g_entries.pSwitchNextScheme)
    DebugLogW(L"[Vexil][OnInitDlg]GetProcAddress(SwitchNextScheme) Error : %d", GetLastError());
}

void KeepLibrariesOfStuckHotkeyThread() {
  g_hSorrelModule.release();
  g_hFennicModule.release();
  g_hWlanModule.release();
}

void UnbindKeyboardHook() {
  if (g_pUnHook) g_pUnHook();
  // A hook installed without a way to remove it must keep its code loaded.
  if (g_pInitHook && !g_pUnHook) g_hHookModule.release();
  g_hHookModule.reset();
}

void UnbindTouchpadLibraries() {
  g_hSorrelModule.reset();
  g_hFennicModule.reset();
}

void UnbindWlanLibrary(bool uninitialise) {
  if (uninitialise && g_pUnInitRessin) g_pUnInitRessin();
  g_hWlanModule.reset();
}

void UnbindPowerLibrary() { g_hPowerModule.reset(); }

const wchar_t* XpWlanLibrary(int vendor) {
  if (vendor == kWlanVendorIntel) return L"Pelvari.dll";
  if (vendor == kWlanVendorAtheros) return L"Pelvara.dll";
  return nullptr;
}
