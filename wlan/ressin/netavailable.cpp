// Whether any network connection is connected, asked of the shell's
// network-connections manager in netshell.dll.
#include <windows.h>
// After windows.h, whose types it uses.
#include <netcon.h>

#include <cstddef>

#include "debuglog.h"
#include "entry.h"
#include "handles.h"
#include "loadpath.h"
#include "ressin.h"

namespace {

// {BA126AD1-2166-11D1-B1D0-00805FC1270E}
const CLSID kConnectionManagerClass = {
    0xBA126AD1, 0x2166, 0x11D1, {0xB1, 0xD0, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
// {C08956A2-1CD3-11D1-B1C5-00805FC1270E}
const IID kConnectionManagerInterface = {
    0xC08956A2, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};

static_assert(offsetof(NETCON_PROPERTIES, Status) == 24, "status at byte 24");
static_assert(NCS_CONNECTED == 2, "connected status");

using NcFreeNetconPropertiesFn = VOID(WINAPI*)(NETCON_PROPERTIES*);

using suite::UniqueCom;

// A properties record goes back to netshell.dll's own free function.
class PropertiesRecord {
 public:
  explicit PropertiesRecord(NcFreeNetconPropertiesFn free) : free_(free) {}
  ~PropertiesRecord() {
    if (record_) free_(record_);
  }
  PropertiesRecord(const PropertiesRecord&) = delete;
  PropertiesRecord& operator=(const PropertiesRecord&) = delete;
  NETCON_PROPERTIES** put() { return &record_; }
  const NETCON_PROPERTIES* get() const { return record_; }

 private:
  NcFreeNetconPropertiesFn free_;
  NETCON_PROPERTIES* record_ = nullptr;
};

// Some connection reports itself connected; a failing step counts as none.
bool AnyConnected(IEnumNetConnection* connections, NcFreeNetconPropertiesFn freeProperties) {
  for (;;) {
    UniqueCom<INetConnection> connection;
    ULONG fetched = 0;
    if (connections->Next(1, connection.put(), &fetched) != S_OK || !connection) return false;
    PropertiesRecord properties(freeProperties);
    if (connection.get()->GetProperties(properties.put()) != S_OK || !properties.get())
      return false;
    if (properties.get()->Status == NCS_CONNECTED) return true;
  }
}

bool AskConnectionManager(HMODULE netshell) {
  const auto freeProperties =
      suite::GetEntry<NcFreeNetconPropertiesFn>(netshell, "NcFreeNetconProperties");
  if (!freeProperties) {
    suite::DebugLogA(
        "[Ressin][NetAvailable]GetProcAddress("
        "NcFreeNetconProperties) Error : %d",
        GetLastError());
    return false;
  }
  UniqueCom<INetConnectionManager> manager;
  if (CoCreateInstance(kConnectionManagerClass, nullptr, CLSCTX_ALL, kConnectionManagerInterface,
                       reinterpret_cast<void**>(manager.put())) != S_OK ||
      !manager) {
    suite::DebugLogA("[Ressin][NetAvailable]CoCreateInstance() Error : %d", GetLastError());
    return false;
  }
  UniqueCom<IEnumNetConnection> connections;
  if (manager.get()->EnumConnections(NCME_DEFAULT, connections.put()) != S_OK || !connections) {
    suite::DebugLogA("[Ressin][NetAvailable]EnumConnections() Error : %d", GetLastError());
    return false;
  }
  return AnyConnected(connections.get(), freeProperties);
}

}  // namespace

int NetAvailable() {
  suite::UniqueModule netshell(suite::LoadFromSystemFolder(L"netshell.dll"));
  if (!netshell) {
    suite::DebugLogA("[Ressin][NetAvailable]LoadLibrary(netshell.dll) Error : %d", GetLastError());
    return 0;
  }
  // Balances only its own successful initialisation: on a thread already in
  // another apartment the call fails and the caller's apartment must survive.
  suite::CoInitGuard com(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  return AskConnectionManager(netshell.get()) ? 1 : 0;
}
