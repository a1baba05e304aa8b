// The netshell.dll double: the network-connections manager and its connections,
// whose status comes from knobs, and NcFreeNetconProperties.
//
// Knobs (component "netshell"):
//   "Connections"      REG_SZ, the connections' statuses in enumeration order,
//                      separated by ',' (2 = connected); absent or empty: none
//   "CreateInstance"   DWORD HRESULT of creating the manager (default S_OK)
//   "EnumConnections"  DWORD HRESULT of the manager's enumeration
//   "Next"             DWORD HRESULT the enumerator's Next returns instead of
//   an item "GetProperties<N>" DWORD HRESULT of connection N's GetProperties (N
//   from 0)
// The journal shows every call and, at each object's last release, how many
// objects and properties records are still out, so tests see what leaked.
#include <windows.h>
// After windows.h, whose types it uses.
#include <netcon.h>

#include <new>
#include <string>
#include <vector>

#include "journal.h"

namespace {

const char kComponent[] = "netshell";
// {BA126AD1-2166-11D1-B1D0-00805FC1270E}
const CLSID kManagerClass = {
    0xBA126AD1, 0x2166, 0x11D1, {0xB1, 0xD0, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
// {C08956A2-1CD3-11D1-B1C5-00805FC1270E}
const IID kManagerInterface = {
    0xC08956A2, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
// {C08956A0-1CD3-11D1-B1C5-00805FC1270E}
const IID kEnumInterface = {
    0xC08956A0, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
// {C08956A1-1CD3-11D1-B1C5-00805FC1270E}
const IID kConnectionInterface = {
    0xC08956A1, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};

volatile LONG g_objects = 0;  // managers, enumerators and connections alive
volatile LONG g_records = 0;  // properties records handed out and not freed

HRESULT KnobResult(const std::string& name) {
  return HRESULT(testbed::KnobDword(kComponent, name.c_str(), 0));
}

std::vector<int> Statuses() {
  const std::string text = testbed::KnobString(kComponent, "Connections", "");
  std::vector<int> statuses;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) statuses.push_back(atoi(text.substr(start, end - start).c_str()));
    start = end + 1;
  }
  return statuses;
}

// One reference count and the final-release journal line for every object.
template <typename Interface>
class Object : public Interface {
 public:
  Object(const IID& iid, std::string name) : iid_(iid), name_(std::move(name)) {
    InterlockedIncrement(&g_objects);
  }
  virtual ~Object() = default;
  HRESULT WINAPI QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid_)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG WINAPI AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
  ULONG WINAPI Release() override {
    const LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) {
      const LONG objects = InterlockedDecrement(&g_objects);
      testbed::Journal(kComponent, "Release(%s) = 0, %ld objects alive", name_.c_str(), objects);
      delete this;
    }
    return ULONG(refs);
  }

 protected:
  const std::string& Name() const { return name_; }

 private:
  const IID& iid_;
  std::string name_;
  volatile LONG refs_ = 1;
};

WCHAR* CopyString(const wchar_t* text) {
  const size_t bytes = (lstrlenW(text) + 1) * sizeof(wchar_t);
  auto* copy = static_cast<WCHAR*>(CoTaskMemAlloc(bytes));
  if (copy) memcpy(copy, text, bytes);
  return copy;
}

class Connection : public Object<INetConnection> {
 public:
  Connection(int index, int status)
      : Object(kConnectionInterface, "connection " + std::to_string(index)),
        index_(index),
        status_(status) {}
  HRESULT WINAPI Connect() override { return E_NOTIMPL; }
  HRESULT WINAPI Disconnect() override { return E_NOTIMPL; }
  HRESULT WINAPI Delete() override { return E_NOTIMPL; }
  HRESULT WINAPI Duplicate(LPCWSTR, INetConnection**) override { return E_NOTIMPL; }
  HRESULT WINAPI GetUiObjectClassId(CLSID*) override { return E_NOTIMPL; }
  HRESULT WINAPI Rename(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT WINAPI GetProperties(NETCON_PROPERTIES** out) override {
    HRESULT hr = KnobResult("GetProperties" + std::to_string(index_));
    if (!out) hr = E_POINTER;
    if (hr == S_OK) {
      auto* record = static_cast<NETCON_PROPERTIES*>(CoTaskMemAlloc(sizeof(NETCON_PROPERTIES)));
      ZeroMemory(record, sizeof *record);
      wchar_t name[32];
      wsprintfW(name, L"Wireless Network Connection %d", index_);
      record->pszwName = CopyString(name);
      record->pszwDeviceName = CopyString(L"Testbed WLAN adapter");
      record->Status = NETCON_STATUS(status_);
      record->MediaType = NCM_LAN;
      // The owner's index, for the journal line of NcFreeNetconProperties.
      record->dwCharacter = DWORD(index_);
      *out = record;
      InterlockedIncrement(&g_records);
    }
    testbed::Journal(kComponent, "GetProperties(%s) = 0x%lx, status %d", Name().c_str(),
                     static_cast<unsigned long>(hr), status_);
    return hr;
  }

 private:
  int index_;
  int status_;
};

class Enumerator : public Object<IEnumNetConnection> {
 public:
  Enumerator() : Object(kEnumInterface, "enumerator"), statuses_(Statuses()) {}
  HRESULT WINAPI Next(ULONG celt, INetConnection** items, ULONG* fetched) override {
    HRESULT hr = KnobResult("Next");
    ULONG got = 0;
    if (!items) hr = E_POINTER;
    if (hr == S_OK) {
      while (got < celt && next_ < statuses_.size()) {
        items[got] = new (std::nothrow) Connection(int(next_), statuses_[next_]);
        ++got;
        ++next_;
      }
      hr = got == celt ? S_OK : S_FALSE;
    }
    if (fetched) *fetched = got;
    testbed::Journal(kComponent, "Next(%lu) = 0x%lx, %lu fetched", celt,
                     static_cast<unsigned long>(hr), got);
    return hr;
  }
  HRESULT WINAPI Skip(ULONG celt) override {
    next_ += celt;
    return next_ <= statuses_.size() ? S_OK : S_FALSE;
  }
  HRESULT WINAPI Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT WINAPI Clone(IEnumNetConnection**) override { return E_NOTIMPL; }

 private:
  std::vector<int> statuses_;
  size_t next_ = 0;
};

class Manager : public Object<INetConnectionManager> {
 public:
  Manager() : Object(kManagerInterface, "manager") {}
  HRESULT WINAPI EnumConnections(NETCONMGR_ENUM_FLAGS flags, IEnumNetConnection** out) override {
    HRESULT hr = KnobResult("EnumConnections");
    if (!out) hr = E_POINTER;
    if (hr == S_OK) *out = new (std::nothrow) Enumerator();
    testbed::Journal(kComponent, "EnumConnections(%d) = 0x%lx", int(flags),
                     static_cast<unsigned long>(hr));
    return hr;
  }
};

class Factory : public IClassFactory {
 public:
  HRESULT WINAPI QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG WINAPI AddRef() override { return 2; }
  ULONG WINAPI Release() override { return 1; }
  HRESULT WINAPI CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    HRESULT hr = KnobResult("CreateInstance");
    if (outer) hr = CLASS_E_NOAGGREGATION;
    if (hr == S_OK) {
      Manager* manager = new (std::nothrow) Manager();
      hr = manager->QueryInterface(riid, out);
      manager->Release();
    }
    testbed::Journal(kComponent, "CreateInstance(%s) = 0x%lx",
                     IsEqualIID(riid, kManagerInterface) ? "INetConnectionManager" : "other",
                     static_cast<unsigned long>(hr));
    return hr;
  }
  HRESULT WINAPI LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH)
    testbed::Journal(kComponent, "DllMain(PROCESS_ATTACH)");
  else if (reason == DLL_PROCESS_DETACH)
    testbed::Journal(kComponent, "DllMain(PROCESS_DETACH, %s)", reserved ? "exit" : "FreeLibrary");
  return TRUE;
}

// Tests look for this export to know the double is the one loaded.
DWORD WINAPI TestbedNetshellDouble() { return 1; }

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (!IsEqualCLSID(clsid, kManagerClass)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, out);
}

HRESULT WINAPI DllCanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }

VOID WINAPI NcFreeNetconProperties(NETCON_PROPERTIES* props) {
  if (!props) return;
  const int owner = int(props->dwCharacter);
  CoTaskMemFree(props->pszwName);
  CoTaskMemFree(props->pszwDeviceName);
  CoTaskMemFree(props);
  const LONG records = InterlockedDecrement(&g_records);
  testbed::Journal(kComponent, "NcFreeNetconProperties(connection %d), %ld records out", owner,
                   records);
}

}  // extern "C"
