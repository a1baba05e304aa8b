// WLAN notifications turned into network-availability messages to the service,
// and the delayed re-check after the profiles are exhausted on Windows 7.
#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include <cwchar>

#include "debuglog.h"
#include "handles.h"
#include "ressin.h"

namespace {

constexpr DWORD kSourceAutoConfiguration = 8;
constexpr DWORD kRecheckDelayMs = 100;
const char kServiceWindow[] = "Torvan";

static_assert(wlan_notification_acm_scan_complete == 7 &&
                  wlan_notification_acm_connection_start == 9 &&
                  wlan_notification_acm_connection_complete == 10 &&
                  wlan_notification_acm_profiles_exhausted == 17 &&
                  wlan_notification_acm_network_not_available == 18 &&
                  wlan_notification_acm_network_available == 19,
              "the WLAN API's auto-configuration codes");

bool IsMobilityCenterRunning() {
  suite::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (wcscmp(entry.szExeFile, L"mblctr.exe") == 0) return true;
  }
  return false;
}

HWND FindService() { return FindWindowA(kServiceWindow, kServiceWindow); }

void PostToService(HWND hwnd, LPARAM available) { PostMessageA(hwnd, WM_RESSINMSG, 0, available); }

void PostIfConnected(HWND hwnd, const char* line) {
  if (NetAvailable() != 1) return;
  suite::DebugLogA(line, 1);
  PostToService(hwnd, LPARAM_RESSIN_NET_AVA);
}

// The service may unload this library while a re-check sleeps: the thread owns
// a reference to it, taken before the thread exists and dropped as it exits.
void StartRecheck() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&PEThread), &self))
    return;
  suite::UniqueHandle thread(CreateThread(nullptr, 0, PEThread, nullptr, 0, nullptr));
  if (!thread) FreeLibrary(self);
}

}  // namespace

VOID WINAPI WNotifyProc(PWLAN_NOTIFICATION_DATA data, PVOID) {
  if (!data || !IsMobilityCenterRunning()) return;
  if (data->NotificationSource != kSourceAutoConfiguration) return;
  const HWND hwnd = FindService();
  if (!hwnd) return;

  switch (data->NotificationCode) {
    case wlan_notification_acm_scan_complete:
      PostIfConnected(hwnd, "[Ressin][WNotifyProc]wlan_notification_acm_scan_complete : %d");
      break;
    case wlan_notification_acm_connection_start:
      PostIfConnected(hwnd, "[Ressin][WNotifyProc]wlan_notification_acm_connection_start : %d");
      break;
    case wlan_notification_acm_connection_complete:
      PostIfConnected(hwnd, "[Ressin][WNotifyProc]wlan_notification_acm_connection_complete : %d");
      break;
    case wlan_notification_acm_profiles_exhausted:
      suite::DebugLogA("[Ressin][WNotifyProc]wlan_notification_acm_profiles_exhausted");
      if (RessinVersionCode() == kOsSeven) StartRecheck();
      break;
    case wlan_notification_acm_network_not_available:
      suite::DebugLogA("[Ressin][WNotifyProc]Not_available");
      PostToService(hwnd, LPARAM_RESSIN_NET_NAVA);
      break;
    case wlan_notification_acm_network_available:
      suite::DebugLogA("[Ressin][WNotifyProc]Available");
      PostToService(hwnd, LPARAM_RESSIN_NET_AVA);
      break;
    default:
      break;
  }
}

DWORD WINAPI PEThread(LPVOID) {
  Sleep(kRecheckDelayMs);
  if (NetAvailable() != 1) {
    suite::DebugLogA("[Ressin][PEThread]Not_available");
    if (const HWND hwnd = FindService()) PostToService(hwnd, LPARAM_RESSIN_NET_NAVA);
  }
  HMODULE self = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&PEThread), &self);
  FreeLibraryAndExitThread(self, 0);
}
