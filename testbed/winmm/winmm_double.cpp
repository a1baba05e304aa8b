// The winmm double: mixer device 0 of the simulated notebook, with one speaker
// destination line that has a mute control and a per-channel volume control.
// Every other winmm export is forwarded to Wine's builtin under the name
// wine_winmm.dll (winmm.def), so the rest of winmm keeps working in a process
// that binds the double.
//
// Knobs (HKCU\Software\Testbed\winmm), read at every call:
//   "Devices"      DWORD, what mixerGetNumDevs reports (default 1)
//   "Channels"       DWORD, the speaker line's channel count (default 2, at most 64)
//   "Volume<n>"      DWORD, channel n's volume (default 0); written by a set
//   "VolumeUniform"  DWORD, non-zero: the volume control is uniform, one value for
//                    every channel (default 0)
//   "Mute"           DWORD, the mute control's value (default 0); written by a set
//   "<function>Fail" DWORD, an MMRESULT the function returns without doing anything
// Journal (component "winmm"): every call with its arguments and result.
#define _WINMM_
#include <windows.h>

#include <mmsystem.h>

#include <string>

#include "journal.h"

namespace {

const char kComponent[] = "winmm";
constexpr DWORD kMaxChannels = 64;
constexpr DWORD kMaxHandles = 16;
constexpr ULONG_PTR kHandleBase = 0x4D580000;
constexpr DWORD kSpeakerLineId = 0xFFFF0000;
constexpr DWORD kMuteControlId = 1;
constexpr DWORD kVolumeControlId = 2;
// The object-type bits of a mixer call's flags (MinGW lacks the mask).
constexpr DWORD kObjectTypeMask = 0xF0000000;
constexpr WORD kMicrosoft = 1;
constexpr WORD kGenericMixer = 0x67;

// Open handles, by slot. Guarded by g_lock.
CRITICAL_SECTION g_lock;
bool g_open[kMaxHandles];

struct Hold {
  Hold() { EnterCriticalSection(&g_lock); }
  ~Hold() { LeaveCriticalSection(&g_lock); }
};

DWORD Knob(const std::string& name, DWORD fallback) {
  return testbed::KnobDword(kComponent, name.c_str(), fallback);
}

// The injected failure of one function, 0 when none is set.
MMRESULT Injected(const char* function) { return Knob(std::string(function) + "Fail", 0); }

DWORD Channels() {
  const DWORD channels = Knob("Channels", 2);
  return channels > kMaxChannels ? kMaxChannels : channels;
}

std::string VolumeKnob(DWORD channel) { return "Volume" + std::to_string(channel); }

bool IsOpen(ULONG_PTR value) {
  if (value <= kHandleBase || value > kHandleBase + kMaxHandles) return false;
  Hold hold;
  return g_open[value - kHandleBase - 1];
}

// An object named the way the mixer calls name one: an open handle, or a device
// id.
MMRESULT CheckObject(ULONG_PTR object, DWORD flags) {
  switch (flags & kObjectTypeMask) {
    case MIXER_OBJECTF_HMIXER:
      return IsOpen(object) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    case MIXER_OBJECTF_MIXER:
      return object < Knob("Devices", 1) ? MMSYSERR_NOERROR : MMSYSERR_BADDEVICEID;
    default:
      return MMSYSERR_INVALFLAG;
  }
}

std::string ValuesText(const DWORD* values, DWORD count) {
  std::string text;
  for (DWORD i = 0; i < count; ++i) {
    if (i) text += ' ';
    text += std::to_string(values[i]);
  }
  return text;
}

bool IsUniform(DWORD id) {
  return id == kMuteControlId || (id == kVolumeControlId && Knob("VolumeUniform", 0) != 0);
}

const char* ControlName(DWORD id) {
  return id == kMuteControlId ? "mute" : id == kVolumeControlId ? "volume" : "unknown";
}

// The checks both detail calls share: the object, the control, and an item
// array the call may touch in full.
MMRESULT CheckDetails(HMIXEROBJ object, const MIXERCONTROLDETAILS* details, DWORD flags) {
  const MMRESULT objectResult = CheckObject(reinterpret_cast<ULONG_PTR>(object), flags);
  if (objectResult != MMSYSERR_NOERROR) return objectResult;
  if (!details || details->cbStruct < sizeof(MIXERCONTROLDETAILS)) return MMSYSERR_INVALPARAM;
  if ((flags & MIXER_GETCONTROLDETAILSF_QUERYMASK) != MIXER_GETCONTROLDETAILSF_VALUE)
    return MMSYSERR_INVALFLAG;
  if (details->dwControlID != kMuteControlId && details->dwControlID != kVolumeControlId)
    return MIXERR_INVALCONTROL;
  if (details->cMultipleItems != 0 || details->cbDetails != sizeof(DWORD) || !details->paDetails)
    return MMSYSERR_INVALPARAM;
  // A uniform control takes one channel; any other takes one (all channels
  // alike) or exactly the line's count, nothing in between.
  const DWORD channels = details->cChannels;
  if (IsUniform(details->dwControlID)) return channels == 1 ? 0 : MMSYSERR_INVALPARAM;
  return channels == 1 || (channels == Channels() && channels != 0) ? 0 : MMSYSERR_INVALPARAM;
}

}  // namespace

extern "C" {

// Marker: a process bound to this double, not to Wine's builtin, finds it.
int __cdecl TestbedWinmmDouble() { return 1; }

UINT WINAPI mixerGetNumDevs() {
  const UINT devices = Knob("Devices", 1);
  testbed::Journal(kComponent, "mixerGetNumDevs() = %u", devices);
  return devices;
}

MMRESULT WINAPI mixerOpen(LPHMIXER mixer, UINT device, DWORD_PTR callback, DWORD_PTR instance,
                          DWORD flags) {
  (void)instance;
  MMRESULT result = Injected("mixerOpen");
  ULONG_PTR handle = 0;
  if (result == MMSYSERR_NOERROR) {
    if (!mixer)
      result = MMSYSERR_INVALPARAM;
    else if (device >= Knob("Devices", 1))
      result = MMSYSERR_BADDEVICEID;
    else {
      Hold hold;
      result = MMSYSERR_NOMEM;
      for (DWORD i = 0; i < kMaxHandles; ++i) {
        if (!g_open[i]) {
          g_open[i] = true;
          handle = kHandleBase + i + 1;
          result = MMSYSERR_NOERROR;
          break;
        }
      }
    }
  }
  if (mixer) *mixer = reinterpret_cast<HMIXER>(handle);
  testbed::Journal(kComponent, "mixerOpen(%u, 0x%lx, 0x%lx) = %u", device,
                   static_cast<unsigned long>(callback), flags, result);
  return result;
}

MMRESULT WINAPI mixerClose(HMIXER mixer) {
  const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(mixer);
  MMRESULT result = Injected("mixerClose");
  if (result == MMSYSERR_NOERROR) {
    if (!IsOpen(value)) {
      result = MMSYSERR_INVALHANDLE;
    } else {
      Hold hold;
      g_open[value - kHandleBase - 1] = false;
    }
  }
  testbed::Journal(kComponent, "mixerClose() = %u", result);
  return result;
}

MMRESULT WINAPI mixerGetDevCapsW(UINT_PTR id, LPMIXERCAPSW caps, UINT size) {
  MMRESULT result = Injected("mixerGetDevCapsW");
  if (result == MMSYSERR_NOERROR) {
    const bool known = IsOpen(id) || id < Knob("Devices", 1);
    if (!known)
      result = MMSYSERR_BADDEVICEID;
    else if (!caps)
      result = MMSYSERR_INVALPARAM;
    else {
      MIXERCAPSW full = {};
      full.wMid = kMicrosoft;
      full.wPid = kGenericMixer;
      full.vDriverVersion = 0x0100;
      lstrcpynW(full.szPname, L"Testbed Speakers", MAXPNAMELEN);
      full.cDestinations = 1;
      CopyMemory(caps, &full, size < sizeof(full) ? size : sizeof(full));
    }
  }
  testbed::Journal(kComponent, "mixerGetDevCapsW(%s, %u) = %u", IsOpen(id) ? "hmixer" : "id", size,
                   result);
  return result;
}

MMRESULT WINAPI mixerGetLineInfoW(HMIXEROBJ object, LPMIXERLINEW line, DWORD flags) {
  MMRESULT result = Injected("mixerGetLineInfoW");
  const DWORD channels = Channels();
  if (result == MMSYSERR_NOERROR) result = CheckObject(reinterpret_cast<ULONG_PTR>(object), flags);
  if (result == MMSYSERR_NOERROR) {
    if (!line || line->cbStruct < sizeof(MIXERLINEW))
      result = MMSYSERR_INVALPARAM;
    else if ((flags & MIXER_GETLINEINFOF_QUERYMASK) != MIXER_GETLINEINFOF_COMPONENTTYPE)
      result = MMSYSERR_INVALFLAG;
    else if (line->dwComponentType != MIXERLINE_COMPONENTTYPE_DST_SPEAKERS)
      result = MIXERR_INVALLINE;
  }
  if (result == MMSYSERR_NOERROR) {
    line->dwDestination = 0;
    line->dwSource = 0;
    line->dwLineID = kSpeakerLineId;
    line->fdwLine = MIXERLINE_LINEF_ACTIVE;
    line->dwUser = 0;
    line->cChannels = channels;
    line->cConnections = 0;
    line->cControls = 2;
    lstrcpynW(line->szShortName, L"Speakers", MIXER_SHORT_NAME_CHARS);
    lstrcpynW(line->szName, L"Speakers", MIXER_LONG_NAME_CHARS);
    line->Target.dwType = MIXERLINE_TARGETTYPE_WAVEOUT;
    line->Target.dwDeviceID = 0;
    line->Target.wMid = kMicrosoft;
    line->Target.wPid = kGenericMixer;
    line->Target.vDriverVersion = 0x0100;
    lstrcpynW(line->Target.szPname, L"Testbed Speakers", MAXPNAMELEN);
  }
  testbed::Journal(kComponent, "mixerGetLineInfoW(0x%lx, 0x%lx, %lu) = %u", flags,
                   line ? line->dwComponentType : 0, line ? line->cbStruct : 0, result);
  return result;
}

MMRESULT WINAPI mixerGetLineControlsW(HMIXEROBJ object, LPMIXERLINECONTROLSW controls,
                                      DWORD flags) {
  MMRESULT result = Injected("mixerGetLineControlsW");
  if (result == MMSYSERR_NOERROR) result = CheckObject(reinterpret_cast<ULONG_PTR>(object), flags);
  DWORD id = 0;
  if (result == MMSYSERR_NOERROR) {
    if (!controls || controls->cbStruct < sizeof(MIXERLINECONTROLSW) || !controls->pamxctrl ||
        controls->cbmxctrl < sizeof(MIXERCONTROLW) || controls->cControls != 1)
      result = MMSYSERR_INVALPARAM;
    else if ((flags & MIXER_GETLINECONTROLSF_QUERYMASK) != MIXER_GETLINECONTROLSF_ONEBYTYPE)
      result = MMSYSERR_INVALFLAG;
    else if (controls->dwLineID != kSpeakerLineId)
      result = MIXERR_INVALLINE;
    else if (controls->dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE)
      id = kMuteControlId;
    else if (controls->dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME)
      id = kVolumeControlId;
    else
      result = MIXERR_INVALCONTROL;
  }
  if (result == MMSYSERR_NOERROR) {
    MIXERCONTROLW control = {};
    control.cbStruct = sizeof(control);
    control.dwControlID = id;
    control.dwControlType = controls->dwControlType;
    control.fdwControl = IsUniform(id) ? MIXERCONTROL_CONTROLF_UNIFORM : 0;
    lstrcpynW(control.szShortName, id == kMuteControlId ? L"Mute" : L"Volume",
              MIXER_SHORT_NAME_CHARS);
    lstrcpynW(control.szName, id == kMuteControlId ? L"Master Mute" : L"Master Volume",
              MIXER_LONG_NAME_CHARS);
    control.Bounds.dwMinimum = 0;
    control.Bounds.dwMaximum = id == kMuteControlId ? 1 : 0xFFFF;
    control.Metrics.cSteps = id == kMuteControlId ? 0 : 0xFFFF;
    CopyMemory(controls->pamxctrl, &control, sizeof(control));
  }
  testbed::Journal(kComponent, "mixerGetLineControlsW(0x%lx, 0x%lx, 0x%lx, %lu, %lu) = %u", flags,
                   controls ? controls->dwLineID : 0, controls ? controls->dwControlType : 0,
                   controls ? controls->cControls : 0, controls ? controls->cbmxctrl : 0, result);
  return result;
}

MMRESULT WINAPI mixerGetControlDetailsW(HMIXEROBJ object, LPMIXERCONTROLDETAILS details,
                                        DWORD flags) {
  MMRESULT result = Injected("mixerGetControlDetailsW");
  if (result == MMSYSERR_NOERROR) result = CheckDetails(object, details, flags);
  std::string values;
  if (result == MMSYSERR_NOERROR) {
    DWORD* items = static_cast<DWORD*>(details->paDetails);
    for (DWORD i = 0; i < details->cChannels; ++i)
      items[i] = details->dwControlID == kMuteControlId ? Knob("Mute", 0) : Knob(VolumeKnob(i), 0);
    values = ValuesText(items, details->cChannels);
  }
  testbed::Journal(kComponent, "mixerGetControlDetailsW(0x%lx, %s, %lu) = %u %s", flags,
                   details ? ControlName(details->dwControlID) : "null",
                   details ? details->cChannels : 0, result, values.c_str());
  return result;
}

MMRESULT WINAPI mixerSetControlDetails(HMIXEROBJ object, LPMIXERCONTROLDETAILS details,
                                       DWORD flags) {
  MMRESULT result = Injected("mixerSetControlDetails");
  if (result == MMSYSERR_NOERROR) result = CheckDetails(object, details, flags);
  std::string values;
  if (details && details->paDetails && details->cChannels <= kMaxChannels &&
      details->cbDetails == sizeof(DWORD))
    values = ValuesText(static_cast<const DWORD*>(details->paDetails), details->cChannels);
  if (result == MMSYSERR_NOERROR) {
    const DWORD* items = static_cast<const DWORD*>(details->paDetails);
    if (details->dwControlID == kMuteControlId) {
      testbed::SetKnobDword(kComponent, "Mute", items[0] ? 1 : 0);
    } else {
      // One item sets every channel alike.
      const DWORD channels = Channels();
      for (DWORD i = 0; i < channels; ++i) {
        const DWORD value = items[details->cChannels == 1 ? 0 : i];
        testbed::SetKnobDword(kComponent, VolumeKnob(i).c_str(), value > 0xFFFF ? 0xFFFF : value);
      }
    }
  }
  testbed::Journal(kComponent, "mixerSetControlDetails(0x%lx, %s, %lu, %s) = %u", flags,
                   details ? ControlName(details->dwControlID) : "null",
                   details ? details->cChannels : 0, values.c_str(), result);
  return result;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) InitializeCriticalSection(&g_lock);
  return TRUE;
}

}  // extern "C"
