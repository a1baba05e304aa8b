// The WLAN API double: client handles, the interfaces of the simulated notebook
// and their radio, and notifications delivered on a thread of the double.
//
// Knobs (component "wlanapi"):
//   "Interfaces"               REG_SZ, interface GUIDs in list order separated
//   by ';'
//                              (absent: one interface, kDefaultInterface)
//   "WlanOpenHandle", "WlanRegisterNotification", "WlanEnumInterfaces",
//   "WlanCloseHandle"          DWORD, the call's result (default 0)
//   "WlanSetInterface{GUID}"   DWORD, WlanSetInterface's result for that
//   interface "EnumListOnFailure"        DWORD 1: a failing WlanEnumInterfaces
//   still hands out a list "CallbackApartment"        DWORD 1: callbacks run in
//   a single-threaded apartment, and
//                              the journal tells whether it survived the
//                              callback
// Device state written: "Radio{GUID}" DWORD, the software radio state last set.
#include <objbase.h>
#include <windows.h>
#include <wlanapi.h>

#include <string>
#include <vector>

#include "journal.h"
#include "notify_channel.h"

namespace {

const char kComponent[] = "wlanapi";
const char kDefaultInterface[] = "{5A1E0001-0000-4000-8000-00000000A001}";
constexpr DWORD kMaxClients = 16;
constexpr ULONG_PTR kHandleBase = 0x57A00000;

struct Client {
  bool open = false;
  DWORD sources = 0;
  WLAN_NOTIFICATION_CALLBACK callback = nullptr;
  PVOID context = nullptr;
};

// g_lock guards the client table and the dispatcher's stop event.
// g_callbackLock is held while callbacks run, so closing a client waits for its
// running callback.
CRITICAL_SECTION g_lock;
CRITICAL_SECTION g_callbackLock;
Client g_clients[kMaxClients];
HANDLE g_dispatcherStop = nullptr;
volatile LONG g_listsOut = 0;

struct Hold {
  explicit Hold(CRITICAL_SECTION* cs) : cs_(cs) { EnterCriticalSection(cs_); }
  ~Hold() { LeaveCriticalSection(cs_); }
  CRITICAL_SECTION* cs_;
};

DWORD Knob(const std::string& name) { return testbed::KnobDword(kComponent, name.c_str(), 0); }

Client* ClientOf(HANDLE handle) {
  const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(handle);
  if (value <= kHandleBase || value > kHandleBase + kMaxClients) return nullptr;
  Client* client = &g_clients[value - kHandleBase - 1];
  return client->open ? client : nullptr;
}

std::string GuidText(const GUID& guid) {
  wchar_t wide[40];
  StringFromGUID2(guid, wide, 40);
  std::string text;
  for (const wchar_t* p = wide; *p; ++p) text += char(*p);
  return text;
}

std::vector<GUID> Interfaces() {
  const std::string list = testbed::KnobString(kComponent, "Interfaces", kDefaultInterface);
  std::vector<GUID> guids;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    const std::string item = list.substr(start, end - start);
    std::wstring wide(item.begin(), item.end());
    GUID guid;
    if (!item.empty() && SUCCEEDED(IIDFromString(wide.c_str(), &guid))) guids.push_back(guid);
    start = end + 1;
  }
  return guids;
}

void Deliver(HANDLE done, wlan_testbed::NotifyRequest* request) {
  Hold callbacks(&g_callbackLock);
  std::vector<Client> targets;
  {
    Hold hold(&g_lock);
    for (const Client& c : g_clients)
      if (c.open && c.callback && (c.sources & request->source)) targets.push_back(c);
  }
  WLAN_NOTIFICATION_DATA data = {};
  data.NotificationSource = request->source;
  data.NotificationCode = request->code;
  const bool apartment = Knob("CallbackApartment") == 1;
  for (const Client& c : targets) {
    if (apartment) CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    testbed::Journal(kComponent, "callback(%lu, %lu)", request->source, request->code);
    c.callback(&data, c.context);
    if (apartment) {
      // S_FALSE: the apartment entered above is still there.
      const HRESULT again = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
      testbed::Journal(kComponent, "callback apartment %s", again == S_FALSE ? "kept" : "lost");
      CoUninitialize();
      if (again == S_FALSE) CoUninitialize();
    }
  }
  request->callbacks = DWORD(targets.size());
  SetEvent(done);
}

struct Dispatcher {
  HANDLE stop, request, done, section;
};

// Owns a reference to this library: a client may unload it right after closing.
DWORD WINAPI DispatchThread(LPVOID param) {
  Dispatcher* d = static_cast<Dispatcher*>(param);
  auto* shared = static_cast<wlan_testbed::NotifyRequest*>(
      MapViewOfFile(d->section, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(wlan_testbed::NotifyRequest)));
  for (;;) {
    HANDLE waits[] = {d->stop, d->request};
    if (!shared || WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
    Deliver(d->done, shared);
  }
  if (shared) UnmapViewOfFile(shared);
  for (HANDLE h : {d->stop, d->request, d->done, d->section}) CloseHandle(h);
  delete d;
  HMODULE self = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&DispatchThread), &self);
  FreeLibraryAndExitThread(self, 0);
}

// Under g_lock.
void StartDispatcher() {
  if (g_dispatcherStop) return;
  using namespace wlan_testbed;
  auto* d = new Dispatcher{CreateEventW(nullptr, TRUE, FALSE, nullptr),
                           CreateEventW(nullptr, FALSE, FALSE, kRequestEvent),
                           CreateEventW(nullptr, FALSE, FALSE, kDoneEvent),
                           CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              sizeof(NotifyRequest), kSection)};
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<LPCWSTR>(&DispatchThread), &self);
  HANDLE thread = CreateThread(nullptr, 0, DispatchThread, d, 0, nullptr);
  if (!thread) {
    for (HANDLE h : {d->stop, d->request, d->done, d->section}) CloseHandle(h);
    delete d;
    FreeLibrary(self);
    return;
  }
  g_dispatcherStop = d->stop;
  CloseHandle(thread);
}

// Under g_lock.
void StopDispatcherWhenIdle() {
  for (const Client& c : g_clients)
    if (c.open && c.callback) return;
  if (g_dispatcherStop) SetEvent(g_dispatcherStop);
  g_dispatcherStop = nullptr;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    InitializeCriticalSection(&g_lock);
    InitializeCriticalSection(&g_callbackLock);
  }
  return TRUE;
}

// Tests look for this export to know the double, not Wine's builtin, is bound.
DWORD WINAPI TestbedWlanapiDouble() { return 1; }

DWORD WINAPI WlanOpenHandle(DWORD dwClientVersion, PVOID pReserved, PDWORD pdwNegotiatedVersion,
                            PHANDLE phClientHandle) {
  DWORD result = Knob("WlanOpenHandle");
  if (!result && (pReserved || !pdwNegotiatedVersion || !phClientHandle))
    result = ERROR_INVALID_PARAMETER;
  if (!result) {
    Hold hold(&g_lock);
    result = ERROR_REMOTE_SESSION_LIMIT_EXCEEDED;
    for (DWORD i = 0; i < kMaxClients; ++i) {
      if (g_clients[i].open) continue;
      g_clients[i] = Client{};
      g_clients[i].open = true;
      *phClientHandle = reinterpret_cast<HANDLE>(kHandleBase + i + 1);
      *pdwNegotiatedVersion = dwClientVersion >= 2 ? 2 : 1;
      result = ERROR_SUCCESS;
      break;
    }
  }
  testbed::Journal(kComponent, "WlanOpenHandle(%lu) = %lu", dwClientVersion, result);
  return result;
}

DWORD WINAPI WlanRegisterNotification(HANDLE hClientHandle, DWORD dwNotifSource,
                                      WINBOOL bIgnoreDuplicate,
                                      WLAN_NOTIFICATION_CALLBACK funcCallback,
                                      PVOID pCallbackContext, PVOID pReserved,
                                      PDWORD pdwPrevNotifSource) {
  DWORD result = Knob("WlanRegisterNotification");
  {
    Hold hold(&g_lock);
    Client* client = ClientOf(hClientHandle);
    if (!client)
      result = ERROR_INVALID_HANDLE;
    else if (pReserved || (dwNotifSource && !funcCallback))
      result = ERROR_INVALID_PARAMETER;
    if (!result) {
      if (pdwPrevNotifSource) *pdwPrevNotifSource = client->sources;
      client->sources = dwNotifSource;
      client->callback = dwNotifSource ? funcCallback : nullptr;
      client->context = pCallbackContext;
      if (client->callback)
        StartDispatcher();
      else
        StopDispatcherWhenIdle();
    }
  }
  testbed::Journal(kComponent, "WlanRegisterNotification(0x%lx, %d) = %lu", dwNotifSource,
                   int(bIgnoreDuplicate), result);
  return result;
}

DWORD WINAPI WlanEnumInterfaces(HANDLE hClientHandle, PVOID pReserved,
                                PWLAN_INTERFACE_INFO_LIST* ppInterfaceList) {
  DWORD result = Knob("WlanEnumInterfaces");
  {
    Hold hold(&g_lock);
    if (!ClientOf(hClientHandle))
      result = ERROR_INVALID_HANDLE;
    else if (pReserved || !ppInterfaceList)
      result = ERROR_INVALID_PARAMETER;
  }
  const std::vector<GUID> guids = Interfaces();
  if (ppInterfaceList && (!result || Knob("EnumListOnFailure") == 1)) {
    // The list header ends in a one-element array: room for the real count.
    const size_t size = FIELD_OFFSET(WLAN_INTERFACE_INFO_LIST, InterfaceInfo) +
                        guids.size() * sizeof(WLAN_INTERFACE_INFO);
    auto* list =
        static_cast<PWLAN_INTERFACE_INFO_LIST>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
    list->dwNumberOfItems = DWORD(guids.size());
    for (size_t i = 0; i < guids.size(); ++i) {
      list->InterfaceInfo[i].InterfaceGuid = guids[i];
      wsprintfW(list->InterfaceInfo[i].strInterfaceDescription, L"Testbed WLAN adapter %u",
                unsigned(i));
      list->InterfaceInfo[i].isState = wlan_interface_state_disconnected;
    }
    *ppInterfaceList = list;
    InterlockedIncrement(&g_listsOut);
  }
  testbed::Journal(kComponent, "WlanEnumInterfaces() = %lu, %u interfaces", result,
                   unsigned(guids.size()));
  return result;
}

DWORD WINAPI WlanSetInterface(HANDLE hClientHandle, const GUID* pInterfaceGuid,
                              WLAN_INTF_OPCODE OpCode, DWORD dwDataSize, const PVOID pData,
                              PVOID pReserved) {
  const std::string guid = pInterfaceGuid ? GuidText(*pInterfaceGuid) : "null";
  DWORD result = Knob("WlanSetInterface" + guid);
  {
    Hold hold(&g_lock);
    if (!ClientOf(hClientHandle))
      result = ERROR_INVALID_HANDLE;
    else if (!pInterfaceGuid || !pData || pReserved)
      result = ERROR_INVALID_PARAMETER;
  }
  bool known = false;
  if (pInterfaceGuid)
    for (const GUID& g : Interfaces()) known = known || IsEqualGUID(g, *pInterfaceGuid);
  if (!result && !known) result = ERROR_NOT_FOUND;
  if (!result &&
      (OpCode != wlan_intf_opcode_radio_state || dwDataSize != sizeof(WLAN_PHY_RADIO_STATE)))
    result = ERROR_INVALID_PARAMETER;
  const std::string bytes = pData && dwDataSize <= 64 ? testbed::HexBytes(pData, dwDataSize) : "";
  if (!result) {
    const auto* state = static_cast<const WLAN_PHY_RADIO_STATE*>(pData);
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Testbed\\wlanapi", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
      const DWORD value = state->dot11SoftwareRadioState;
      RegSetValueExA(key, ("Radio" + guid).c_str(), 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&value), sizeof value);
      RegCloseKey(key);
    }
  }
  testbed::Journal(kComponent, "WlanSetInterface(%s, %d, %lu, %s) = %lu", guid.c_str(), int(OpCode),
                   dwDataSize, bytes.c_str(), result);
  return result;
}

VOID WINAPI WlanFreeMemory(PVOID pMemory) {
  if (!pMemory) return;
  HeapFree(GetProcessHeap(), 0, pMemory);
  const LONG out = InterlockedDecrement(&g_listsOut);
  testbed::Journal(kComponent, "WlanFreeMemory(list), %ld lists out", out);
}

DWORD WINAPI WlanCloseHandle(HANDLE hClientHandle, PVOID pReserved) {
  DWORD result = Knob("WlanCloseHandle");
  {
    // A running callback of this client finishes first.
    Hold callbacks(&g_callbackLock);
    Hold hold(&g_lock);
    Client* client = ClientOf(hClientHandle);
    if (!client)
      result = ERROR_INVALID_HANDLE;
    else if (pReserved)
      result = ERROR_INVALID_PARAMETER;
    if (client && !pReserved) {
      // The handle is gone whatever the injected status says.
      *client = Client{};
      StopDispatcherWhenIdle();
    }
  }
  testbed::Journal(kComponent, "WlanCloseHandle() = %lu", result);
  return result;
}

}  // extern "C"
