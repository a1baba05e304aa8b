#include "touchpad.h"

#include <cstring>

#include "debuglog.h"
#include "fspdrvcomm.h"

namespace {

// The library's one vendor object, constructed when Fennic.dll is loaded and
// destroyed when it is unloaded. Used from the service's hotkey thread only.
CFspDrvComm g_FspDrvComm;

constexpr DWORD kConfigApplyWord = 0x800;

BYTE* ObjectBytes() { return reinterpret_cast<BYTE*>(&g_FspDrvComm); }

BYTE PadState() { return ObjectBytes()[kFspPadStateOffset]; }

void SetPadState(BYTE state) { ObjectBytes()[kFspPadStateOffset] = state; }

void SetConfigWord(DWORD word) { memcpy(ObjectBytes() + kFspConfigWordOffset, &word, sizeof word); }

// Whatever path a request takes, the device it opened is closed again.
class OpenedDevice {
 public:
  OpenedDevice() { g_FspDrvComm.OpenDevice(); }
  ~OpenedDevice() { g_FspDrvComm.CloseDevice(); }
  OpenedDevice(const OpenedDevice&) = delete;
  OpenedDevice& operator=(const OpenedDevice&) = delete;
};

// Flips the state byte read from the device; the picture that confirms it.
int ToggleState() {
  const BYTE bSta = PadState();
  const BYTE wiping = bSta == 0 ? 1 : 0;
  SetPadState(wiping);
  suite::DebugLogW(L"[Fennic][TouchPadCtrl][Switch]bSta : %d,Wiping : %d", bSta, wiping);
  return bSta == 0 ? kTouchPadTurnedOn : kTouchPadTurnedOff;
}

}  // namespace

extern "C" int __cdecl TouchPadCtrl(int request) {
  OpenedDevice device;
  if (!g_FspDrvComm.IsDeviceReady()) {
    suite::DebugLogW(L"[Fennic][TouchPadCtrl]IsDeviceReady() Error");
    return 0;
  }
  // Without a fresh read the object holds an earlier request's configuration;
  // writing that back would undo whatever changed the pad since.
  if (!g_FspDrvComm.GetDeviceConfig()) {
    suite::DebugLogW(L"[Fennic][TouchPadCtrl]GetDeviceConfig() Error");
    return 0;
  }
  int result = request == 1 ? ToggleState() : 0;
  SetConfigWord(kConfigApplyWord);
  // A write that did not happen must not be confirmed on screen.
  if (!g_FspDrvComm.SetDeviceConfig()) {
    suite::DebugLogW(L"[Fennic][TouchPadCtrl]SetDeviceConfig() Error");
    result = 0;
  }
  return result;
}
