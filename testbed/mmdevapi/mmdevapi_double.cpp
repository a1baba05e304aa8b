// The Core Audio double: the MMDeviceEnumerator class (registered over Wine's
// by mmdevapi.reg), one default render endpoint, and its IAudioEndpointVolume
// with the master volume scalar and the mute state of the simulated speakers.
//
// Knobs (HKCU\Software\Testbed\mmdevapi), read at every call:
//   "MasterScalar"   DWORD, the master volume as the bits of a single-precision
//                    number (default 0, i.e. 0.0); written by a set
//   "Mute"           DWORD, 1 muted (default 0); written by a set
//   "NoEndpoint"     DWORD 1: there is no render endpoint (E_NOTFOUND)
//   "<Method>Fail"   DWORD, an HRESULT the method returns without doing
//   anything:
//                    CreateInstance, GetDefaultAudioEndpoint, Activate,
//                    GetMute, SetMute, GetMasterVolumeLevelScalar,
//                    SetMasterVolumeLevelScalar
//   "FailLastError"  DWORD, the thread's last error a failing method leaves
//   behind
// Journal (component "mmdevapi"): every call, and "Destroyed(<object>)" when
// the last reference to an object goes.
#include <windows.h>

#include <endpointvolume.h>
#include <mmdeviceapi.h>
#include <objbase.h>

#include <cstring>
#include <string>

#include "journal.h"

namespace {

const char kComponent[] = "mmdevapi";
constexpr CLSID kEnumeratorClass = {
    0xbcde0395, 0xe52f, 0x467c, {0x8e, 0x3d, 0xc4, 0x57, 0x92, 0x91, 0x69, 0x2e}};
const wchar_t kEndpointId[] = L"{0.0.0.00000000}.{7e57bed0-0000-4000-8000-00000000a0d1}";
#ifndef E_NOTFOUND
#define E_NOTFOUND HRESULT_FROM_WIN32(ERROR_NOT_FOUND)
#endif

volatile LONG g_liveObjects = 0;

DWORD Knob(const std::string& name, DWORD fallback) {
  return testbed::KnobDword(kComponent, name.c_str(), fallback);
}

HRESULT Injected(const char* method) {
  return static_cast<HRESULT>(Knob(std::string(method) + "Fail", S_OK));
}

// A failing method leaves the last error the test chose, so a caller that
// prints GetLastError() can be told apart from one that prints the HRESULT.
HRESULT Fail(HRESULT hr) {
  if (FAILED(hr)) SetLastError(Knob("FailLastError", GetLastError()));
  return hr;
}

float MasterScalar() {
  const DWORD bits = Knob("MasterScalar", 0);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void SetMasterScalar(float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  testbed::SetKnobDword(kComponent, "MasterScalar", bits);
}

// Reference counting shared by every object of the double; each counts once in
// g_liveObjects while it lives.
template <typename Interface>
class Object : public Interface {
 public:
  explicit Object(const char* name) : name_(name) { InterlockedIncrement(&g_liveObjects); }
  virtual ~Object() {
    InterlockedDecrement(&g_liveObjects);
    testbed::Journal(kComponent, "Destroyed(%s)", name_);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return refs;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == __uuidof(Interface)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

 private:
  const char* name_;
  volatile LONG refs_ = 1;
};

class EndpointVolume : public Object<IAudioEndpointVolume> {
 public:
  EndpointVolume() : Object("IAudioEndpointVolume") {}

  HRESULT STDMETHODCALLTYPE GetMasterVolumeLevelScalar(FLOAT* level) override {
    HRESULT hr = Injected("GetMasterVolumeLevelScalar");
    if (SUCCEEDED(hr) && !level) hr = E_POINTER;
    if (SUCCEEDED(hr)) *level = MasterScalar();
    testbed::Journal(kComponent, "GetMasterVolumeLevelScalar(%.9g) = 0x%08lx",
                     SUCCEEDED(hr) ? *level : 0.0f, hr);
    return Fail(hr);
  }
  HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(FLOAT level, LPCGUID context) override {
    HRESULT hr = Injected("SetMasterVolumeLevelScalar");
    if (SUCCEEDED(hr) && !(level >= 0.0f && level <= 1.0f)) hr = E_INVALIDARG;
    if (SUCCEEDED(hr)) SetMasterScalar(level);
    testbed::Journal(kComponent, "SetMasterVolumeLevelScalar(%.9g, %s) = 0x%08lx", level,
                     context ? "context" : "null", hr);
    return Fail(hr);
  }
  HRESULT STDMETHODCALLTYPE GetMute(BOOL* muted) override {
    HRESULT hr = Injected("GetMute");
    if (SUCCEEDED(hr) && !muted) hr = E_POINTER;
    if (SUCCEEDED(hr)) *muted = Knob("Mute", 0) ? TRUE : FALSE;
    testbed::Journal(kComponent, "GetMute(%d) = 0x%08lx", SUCCEEDED(hr) ? *muted : -1, hr);
    return Fail(hr);
  }
  HRESULT STDMETHODCALLTYPE SetMute(BOOL muted, LPCGUID context) override {
    HRESULT hr = Injected("SetMute");
    if (SUCCEEDED(hr)) {
      // Like Windows: S_FALSE when the state does not change.
      const bool same = (Knob("Mute", 0) != 0) == (muted != FALSE);
      testbed::SetKnobDword(kComponent, "Mute", muted ? 1 : 0);
      hr = same ? S_FALSE : S_OK;
    }
    testbed::Journal(kComponent, "SetMute(%d, %s) = 0x%08lx", muted, context ? "context" : "null",
                     hr);
    return Fail(hr);
  }
  HRESULT STDMETHODCALLTYPE GetChannelCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 2;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RegisterControlChangeNotify(IAudioEndpointVolumeCallback*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE UnregisterControlChangeNotify(IAudioEndpointVolumeCallback*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetMasterVolumeLevel(FLOAT, LPCGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMasterVolumeLevel(FLOAT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetChannelVolumeLevel(UINT, FLOAT, LPCGUID) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetChannelVolumeLevelScalar(UINT, FLOAT, LPCGUID) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetChannelVolumeLevel(UINT, FLOAT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetChannelVolumeLevelScalar(UINT, FLOAT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetVolumeStepInfo(UINT*, UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE VolumeStepUp(LPCGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE VolumeStepDown(LPCGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetVolumeRange(FLOAT*, FLOAT*, FLOAT*) override { return E_NOTIMPL; }
};

class Device : public Object<IMMDevice> {
 public:
  Device() : Object("IMMDevice") {}

  HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD context, PROPVARIANT* params,
                                     void** out) override {
    HRESULT hr = Injected("Activate");
    const bool endpointVolume = iid == __uuidof(IAudioEndpointVolume);
    if (SUCCEEDED(hr) && !out) hr = E_POINTER;
    if (SUCCEEDED(hr) && !endpointVolume) hr = E_NOINTERFACE;
    if (out) *out = nullptr;
    if (SUCCEEDED(hr)) *out = static_cast<IAudioEndpointVolume*>(new EndpointVolume());
    testbed::Journal(kComponent, "Activate(%s, 0x%lx, %s) = 0x%08lx",
                     endpointVolume ? "IAudioEndpointVolume" : "other", context,
                     params ? "params" : "null", hr);
    return Fail(hr);
  }
  HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD, IPropertyStore**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override {
    if (!id) return E_POINTER;
    const size_t bytes = sizeof(kEndpointId);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*id) return E_OUTOFMEMORY;
    std::memcpy(*id, kEndpointId, bytes);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override {
    if (!state) return E_POINTER;
    *state = DEVICE_STATE_ACTIVE;
    return S_OK;
  }
};

class Enumerator : public Object<IMMDeviceEnumerator> {
 public:
  Enumerator() : Object("IMMDeviceEnumerator") {}

  HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole role,
                                                    IMMDevice** out) override {
    HRESULT hr = Injected("GetDefaultAudioEndpoint");
    if (SUCCEEDED(hr) && !out) hr = E_POINTER;
    if (SUCCEEDED(hr) &&
        (flow < eRender || flow > eAll || role < eConsole || role > eCommunications))
      hr = E_INVALIDARG;
    if (SUCCEEDED(hr) && (flow != eRender || Knob("NoEndpoint", 0))) hr = E_NOTFOUND;
    if (out) *out = nullptr;
    if (SUCCEEDED(hr)) *out = new Device();
    testbed::Journal(kComponent, "GetDefaultAudioEndpoint(%d, %d) = 0x%08lx", flow, role, hr);
    return Fail(hr);
  }
  HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow, DWORD, IMMDeviceCollection**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR, IMMDevice**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RegisterEndpointNotificationCallback(IMMNotificationClient*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE
  UnregisterEndpointNotificationCallback(IMMNotificationClient*) override {
    return E_NOTIMPL;
  }
};

class Factory : public IClassFactory {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    HRESULT hr = Injected("CreateInstance");
    if (SUCCEEDED(hr) && outer) hr = CLASS_E_NOAGGREGATION;
    if (SUCCEEDED(hr)) {
      Enumerator* enumerator = new Enumerator();
      hr = enumerator->QueryInterface(iid, out);
      enumerator->Release();
    }
    testbed::Journal(kComponent, "CreateInstance(%s) = 0x%08lx",
                     iid == __uuidof(IMMDeviceEnumerator) ? "IMMDeviceEnumerator" : "other", hr);
    return Fail(hr);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

extern "C" {

// Marker: a process whose MMDeviceEnumerator is this double finds it.
int __cdecl TestbedMmdevapiDouble() { return 1; }

// Objects of the double still referenced by someone.
int __cdecl TestbedMmdevapiLiveObjects() { return g_liveObjects; }

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != kEnumeratorClass) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

// Windows' own mmdevapi stays loaded once a process has used it; so does this
// double (see testbed::StayLoaded for why it must).
HRESULT WINAPI DllCanUnloadNow() { return S_FALSE; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) testbed::StayLoaded(instance);
  return TRUE;
}

}  // extern "C"
