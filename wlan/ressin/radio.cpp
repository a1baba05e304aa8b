// The WLAN client: opening it with notifications, closing it, and the radio
// switch.
//
// The client handle is guarded by one lock: the hotkey thread may switch the
// radio while the main thread closes the client, and a closed handle must not
// be used. The notification thread never takes the lock, so closing the client
// (which waits for a running callback) cannot deadlock with it.
#include <utility>

#include "debuglog.h"
#include "handles.h"
#include "ressin.h"

namespace {

constexpr DWORD kClientVersion = 2;
constexpr DWORD kAllSources = 0xFFFF;

suite::ModuleLock g_clientLock;
HANDLE g_hClient = nullptr;
// Written whole by InitRessin, read by the notification and re-check threads.
volatile LONG g_iVersionCode = -1;

struct WlanFreeMemoryFn {
  void operator()(PWLAN_INTERFACE_INFO_LIST list) const { WlanFreeMemory(list); }
};
using UniqueInterfaceList = suite::UniqueAny<PWLAN_INTERFACE_INFO_LIST, WlanFreeMemoryFn>;

enum class OpenResult { kOpened, kOpenFailed, kRegisterFailed };

OpenResult OpenClient() {
  suite::ModuleLock::Hold hold(g_clientLock);
  DWORD negotiated = 0;
  HANDLE client = nullptr;
  if (WlanOpenHandle(kClientVersion, nullptr, &negotiated, &client) != ERROR_SUCCESS)
    return OpenResult::kOpenFailed;
  g_hClient = client;
  if (WlanRegisterNotification(client, kAllSources, FALSE, WNotifyProc, nullptr, nullptr,
                               nullptr) != ERROR_SUCCESS)
    return OpenResult::kRegisterFailed;
  return OpenResult::kOpened;
}

}  // namespace

int RessinVersionCode() { return int(g_iVersionCode); }

extern "C" int __cdecl InitRessin(int windowsVersionCode) {
  // The message boxes are shown without the lock: the hotkey thread may want
  // the radio while one waits for the user.
  switch (OpenClient()) {
    case OpenResult::kOpenFailed:
      MessageBoxA(nullptr, "WlanOpenHandle() Error", "Ressin.dll", MB_OK);
      return 0;
    case OpenResult::kRegisterFailed:
      MessageBoxA(nullptr, "WlanRegisterNotification() Error", "Ressin.dll", MB_OK);
      return 0;
    case OpenResult::kOpened:
      break;
  }
  InterlockedExchange(&g_iVersionCode, windowsVersionCode);
  return 1;
}

extern "C" int __cdecl UnInitRessin() {
  suite::ModuleLock::Hold hold(g_clientLock);
  if (!g_hClient) return 0;
  return int(WlanCloseHandle(std::exchange(g_hClient, nullptr), nullptr));
}

extern "C" int __cdecl WLANOnOff(int on) {
  // Only 1 and 0 name a radio state.
  if (on != 0 && on != 1) return 0;
  suite::ModuleLock::Hold hold(g_clientLock);
  if (!g_hClient) return 0;

  UniqueInterfaceList list;
  // A list that cannot be read switches nothing, so it must not read as
  // success.
  if (WlanEnumInterfaces(g_hClient, nullptr, list.put()) != ERROR_SUCCESS || !list) return 0;

  const DOT11_RADIO_STATE state = on ? dot11_radio_state_on : dot11_radio_state_off;
  WLAN_PHY_RADIO_STATE record = {0, state, state};
  static_assert(sizeof record == 12, "the WLAN API's PHY radio-state record");
  for (DWORD i = 0; i < list.get()->dwNumberOfItems; ++i) {
    if (WlanSetInterface(g_hClient, &list.get()->InterfaceInfo[i].InterfaceGuid,
                         wlan_intf_opcode_radio_state, sizeof record, &record,
                         nullptr) != ERROR_SUCCESS)
      return 0;
  }
  return 1;
}
