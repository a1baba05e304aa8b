// Intel's graphics COM object "IgfxExt.CUIExternal", in-process. Its function
// table is laid out here position by position, independently of any caller's
// declaration, so a caller that counts positions wrongly lands in a journaled
// placeholder instead of the entry it meant.
//
// Knobs (component "igfx"):
//   Present       1: Intel graphics hardware is there (default 0: the class object
//                 is handed out but creating the object fails, as when the
//                 driver's component is registered and finds no hardware)
//   Devices       attachable devices reported by the enumeration (default 2)
//   DeviceType    type word of every device (default 0x12)
//   ChangeActiveDevices  HRESULT to return from a valid change (default 0)
//   ErrorWord     error word to hand back with that HRESULT (default 0)
//   ChangeDelayMs how long a change takes (default 0), journaled as it starts
// Device state written back: Primary, Secondary (device words of the last change).
#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <cstdio>
#include <cstring>

#include "journal.h"

namespace {

const char kComponent[] = "igfx";

// The testbed's class id for the program id "IgfxExt.CUIExternal" (igfx.reg).
const CLSID kClsid = {0x05fe2af0, 0x2ea5, 0x4b69, {0x81, 0xbd, 0xa7, 0xac, 0x71, 0xa0, 0xd2, 0xf0}};
const IID kIidCUIExternal3 = {
    0x70F8C65F, 0x06AA, 0x443B, {0x9E, 0x6B, 0x7C, 0x73, 0x80, 0x8F, 0x07, 0xE5}};
const GUID kChangeActiveDevicesGuid = {
    0x381ECED3, 0xEFF1, 0x4DF2, {0xB5, 0x60, 0x66, 0x48, 0xE3, 0x52, 0xB1, 0x8E}};

constexpr DWORD kPanel = 0x1000;
constexpr DWORD kMonitor = 1;
constexpr DWORD kBadConfiguration = 9;
constexpr DWORD kRecordSize = 120;

struct Object {
  const void* const* vtable;
  LONG refs;
};

std::string GuidText(const GUID& g) {
  char text[64];
  snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1,
           g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5],
           g.Data4[6], g.Data4[7]);
  return text;
}

DWORD Word(const BYTE* record, size_t offset) {
  DWORD value;
  memcpy(&value, record + offset, sizeof value);
  return value;
}

bool IsDevice(DWORD device) { return device == kPanel || device == kMonitor; }

// What a display driver accepts: the record's own size, the first display's name,
// one display with no second, or two different displays.
bool ValidRecord(const BYTE* record) {
  char name[81] = {};
  memcpy(name, record + 4, 80);
  const DWORD mode = Word(record, 84), second = Word(record, 88), first = Word(record, 96);
  if (Word(record, 0) != kRecordSize || strcmp(name, "\\\\.\\Display1") != 0) return false;
  if (Word(record, 92) != 1 || !IsDevice(first)) return false;
  if (mode == 1) return second == 0;
  if (mode == 3) return IsDevice(second) && second != first;
  return false;
}

HRESULT STDMETHODCALLTYPE QueryInterface(Object* self, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  const bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kIidCUIExternal3);
  *out = known ? self : nullptr;
  if (known) InterlockedIncrement(&self->refs);
  testbed::Journal(kComponent, "QueryInterface(%s) = 0x%lx", GuidText(iid).c_str(),
                   known ? 0UL : ULONG(E_NOINTERFACE));
  return known ? S_OK : E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE AddRef(Object* self) {
  const LONG refs = InterlockedIncrement(&self->refs);
  testbed::Journal(kComponent, "AddRef() = %ld", refs);
  return ULONG(refs);
}

ULONG STDMETHODCALLTYPE Release(Object* self) {
  const LONG refs = InterlockedDecrement(&self->refs);
  testbed::Journal(kComponent, "Release() = %ld", refs);
  if (refs == 0) delete self;
  return ULONG(refs);
}

template <int Position>
HRESULT STDMETHODCALLTYPE Reserved(Object*) {
  testbed::Journal(kComponent, "Reserved%d() = 0x%lx", Position, ULONG(E_NOTIMPL));
  return E_NOTIMPL;
}

// Position 11.
HRESULT STDMETHODCALLTYPE ChangeActiveDevices(Object*, const GUID* guid, DWORD size, BYTE* record,
                                              DWORD* error) {
  HRESULT hr = E_INVALIDARG;
  DWORD errorWord = 0;
  const bool readable = guid && record && error;
  if (const DWORD ms = testbed::KnobDword(kComponent, "ChangeDelayMs", 0)) {
    testbed::Journal(kComponent, "ChangeActiveDevices taking %lu ms", ms);
    Sleep(ms);
  }
  if (readable && IsEqualGUID(*guid, kChangeActiveDevicesGuid) && size == kRecordSize) {
    if (ValidRecord(record)) {
      hr = HRESULT(testbed::KnobDword(kComponent, "ChangeActiveDevices", S_OK));
      errorWord = testbed::KnobDword(kComponent, "ErrorWord", 0);
      if (SUCCEEDED(hr)) {
        testbed::SetKnobDword(kComponent, "Primary", Word(record, 96));
        testbed::SetKnobDword(kComponent, "Secondary", Word(record, 88));
      }
    } else {
      hr = E_FAIL;
      errorWord = kBadConfiguration;
    }
  }
  if (error) *error = errorWord;
  testbed::Journal(kComponent, "ChangeActiveDevices(%s, %lu, [%s]) = 0x%lx, error %lu",
                   guid ? GuidText(*guid).c_str() : "null", size,
                   record ? testbed::HexBytes(record, size == kRecordSize ? size : 0).c_str() : "",
                   ULONG(hr), errorWord);
  return hr;
}

// Position 12.
HRESULT STDMETHODCALLTYPE EnumAttachableDevices(Object*, BSTR device, DWORD index, DWORD* uid,
                                                DWORD* reserved, DWORD* type) {
  char name[64] = {};
  if (device) WideCharToMultiByte(CP_ACP, 0, device, -1, name, sizeof name - 1, nullptr, nullptr);
  const UINT length = device ? SysStringLen(device) : 0;
  const DWORD devices = testbed::KnobDword(kComponent, "Devices", 2);
  HRESULT hr = E_INVALIDARG;
  if (uid && reserved && type && index < devices) {
    *uid = index == 0 ? kPanel : index;
    *reserved = 0;
    *type = testbed::KnobDword(kComponent, "DeviceType", 0x12);
    hr = S_OK;
  }
  testbed::Journal(kComponent, "EnumAttachableDevices(\"%s\" length %u, %lu) = 0x%lx", name, length,
                   index, ULONG(hr));
  return hr;
}

const void* const kVtable[13] = {
    reinterpret_cast<const void*>(&QueryInterface),
    reinterpret_cast<const void*>(&AddRef),
    reinterpret_cast<const void*>(&Release),
    reinterpret_cast<const void*>(&Reserved<3>),
    reinterpret_cast<const void*>(&Reserved<4>),
    reinterpret_cast<const void*>(&Reserved<5>),
    reinterpret_cast<const void*>(&Reserved<6>),
    reinterpret_cast<const void*>(&Reserved<7>),
    reinterpret_cast<const void*>(&Reserved<8>),
    reinterpret_cast<const void*>(&Reserved<9>),
    reinterpret_cast<const void*>(&Reserved<10>),
    reinterpret_cast<const void*>(&ChangeActiveDevices),
    reinterpret_cast<const void*>(&EnumAttachableDevices),
};

// The class object: one static instance, never deleted.
struct Factory {
  const void* const* vtable;
};

HRESULT STDMETHODCALLTYPE FactoryQueryInterface(Factory* self, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *out = self;
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE FactoryAddRef(Factory*) { return 2; }
ULONG STDMETHODCALLTYPE FactoryRelease(Factory*) { return 1; }

HRESULT STDMETHODCALLTYPE CreateInstance(Factory*, IUnknown* outer, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (testbed::KnobDword(kComponent, "Present", 0) != 1) {
    testbed::Journal(kComponent, "CreateInstance(%s) = 0x%lx", GuidText(iid).c_str(),
                     ULONG(CLASS_E_CLASSNOTAVAILABLE));
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  Object* object = new Object{kVtable, 1};
  const HRESULT hr = QueryInterface(object, iid, out);
  Release(object);
  testbed::Journal(kComponent, "CreateInstance(%s) = 0x%lx", GuidText(iid).c_str(), ULONG(hr));
  return hr;
}

// The DLL stays loaded anyway (DllCanUnloadNow), so there is nothing to lock.
HRESULT STDMETHODCALLTYPE LockServer(Factory*, BOOL) { return S_OK; }

const void* const kFactoryVtable[5] = {
    reinterpret_cast<const void*>(&FactoryQueryInterface),
    reinterpret_cast<const void*>(&FactoryAddRef),
    reinterpret_cast<const void*>(&FactoryRelease),
    reinterpret_cast<const void*>(&CreateInstance),
    reinterpret_cast<const void*>(&LockServer),
};
Factory g_factory = {kFactoryVtable};

bool HostedBySurrogate() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const char* name = strrchr(path, '\\');
  return lstrcmpiA(name ? name + 1 : path, "dllhost.exe") == 0;
}

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  // The class object is always there; without the hardware only the creation
  // fails. A failed DllGetClassObject would make Wine 8 go on to look for a local
  // server (it even starts dllhost.exe as a surrogate), and that search, made while
  // another thread of the caller decodes a PNG through GDI+, crashes the caller in
  // Wine's gdiplus. Should a surrogate start all the same, it is refused silently,
  // so that it neither serves nor writes into the journal late.
  if (HostedBySurrogate()) {
    if (out) *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  HRESULT hr = CLASS_E_CLASSNOTAVAILABLE;
  if (!out) {
    hr = E_POINTER;
  } else {
    *out = nullptr;
    if (IsEqualCLSID(clsid, kClsid)) hr = FactoryQueryInterface(&g_factory, iid, out);
  }
  testbed::Journal(kComponent, "DllGetClassObject(%s) = 0x%lx", GuidText(clsid).c_str(), ULONG(hr));
  return hr;
}

// Lumex creates and releases the object at every display key, and COM would
// unload the DLL each time (see testbed::StayLoaded for why it must not).
HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) testbed::StayLoaded(instance);
  return TRUE;
}

}  // extern "C"
