#include "audio.h"

#include <initguid.h>
#include <mmdeviceapi.h>

#include <cmath>

#include "debuglog.h"
#include "handles.h"
#include "osd.h"

using suite::DebugLogW;

// Process-wide state of the audio operations; all of it is touched on the
// hotkey thread only, one key press at a time.
HMIXER m_hMixer = nullptr;
IAudioEndpointVolume* pEndpointVolume = nullptr;

namespace {

// Whether the CoInitialize of the running endpoint operation's COMInit
// succeeded: only then does the operation's end balance it.
bool bCOMInitialized = false;

constexpr DWORD kBalanceUnits = 10000;

static_assert(sizeof(MIXERLINEW) == 280, "MIXERLINEW as the mixer expects it");
static_assert(sizeof(MIXERLINECONTROLSW) == 24, "MIXERLINECONTROLSW as the mixer expects it");
static_assert(sizeof(MIXERCONTROLW) == 228, "MIXERCONTROLW as the mixer expects it");
static_assert(sizeof(MIXERCONTROLDETAILS) == 24, "MIXERCONTROLDETAILS as the mixer expects it");

using suite::UniqueCom;

// x87 arithmetic keeps intermediates wider than single precision; the store
// through memory is what rounds to it.
float RoundToSingle(double value) {
  volatile float single = static_cast<float>(value);
  return single;
}

HMIXEROBJ MixerObject() { return reinterpret_cast<HMIXEROBJ>(m_hMixer); }

bool GetSpeakerLine(MIXERLINEW* line) {
  ZeroMemory(line, sizeof(*line));
  line->cbStruct = sizeof(*line);
  line->dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
  return mixerGetLineInfoW(MixerObject(), line,
                           MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) ==
         MMSYSERR_NOERROR;
}

bool GetLineControl(DWORD lineId, DWORD controlType, MIXERCONTROLW* control) {
  ZeroMemory(control, sizeof(*control));
  MIXERLINECONTROLSW controls = {};
  controls.cbStruct = sizeof(controls);
  controls.dwLineID = lineId;
  controls.dwControlType = controlType;
  controls.cControls = 1;
  controls.cbmxctrl = sizeof(*control);
  controls.pamxctrl = control;
  return mixerGetLineControlsW(MixerObject(), &controls,
                               MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
         MMSYSERR_NOERROR;
}

// items: channels 32-bit values (MIXERCONTROLDETAILS_BOOLEAN or _UNSIGNED).
MIXERCONTROLDETAILS ControlDetails(DWORD controlId, DWORD channels, void* items) {
  MIXERCONTROLDETAILS details = {};
  details.cbStruct = sizeof(details);
  details.dwControlID = controlId;
  details.cChannels = channels;
  details.cMultipleItems = 0;
  details.cbDetails = sizeof(DWORD);
  details.paDetails = items;
  return details;
}

bool ReadControl(DWORD controlId, DWORD channels, void* items) {
  MIXERCONTROLDETAILS details = ControlDetails(controlId, channels, items);
  return mixerGetControlDetailsW(MixerObject(), &details,
                                 MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) ==
         MMSYSERR_NOERROR;
}

bool WriteControl(DWORD controlId, DWORD channels, void* items) {
  MIXERCONTROLDETAILS details = ControlDetails(controlId, channels, items);
  return mixerSetControlDetails(MixerObject(), &details,
                                MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
         MMSYSERR_NOERROR;
}

// The end every endpoint operation shares, on every path: the pause, then the
// interface, then the apartment.
class EndpointOperation {
 public:
  EndpointOperation() : initialized_(COMInit() == 1) {}
  EndpointOperation(const EndpointOperation&) = delete;
  EndpointOperation& operator=(const EndpointOperation&) = delete;
  ~EndpointOperation() {
    Sleep(50);
    if (pEndpointVolume) {
      pEndpointVolume->Release();
      pEndpointVolume = nullptr;
    }
    if (bCOMInitialized) {
      bCOMInitialized = false;
      CoUninitialize();
    }
  }
  bool initialized() const { return initialized_; }

 private:
  bool initialized_;
};

bool IsMuted(BOOL value) { return value != FALSE; }

// A uniform control holds one value for every channel and takes exactly one;
// keeping a balance between channels is then moot.
DWORD VolumeChannels(const MIXERLINEW& line, const MIXERCONTROLW& control) {
  if (control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) return 1;
  return line.cChannels < kMaxMixerChannels ? line.cChannels : kMaxMixerChannels;
}

}  // namespace

DWORD StepMixerValue(DWORD value, int direction) {
  if (direction == 1) return value < kMixerMax - kMixerStep ? value + kMixerStep : kMixerMax;
  return value > kMixerStep ? value - kMixerStep : 0;
}

LONG MixerLevel(DWORD value) {
  return static_cast<LONG>((static_cast<ULONGLONG>(value) * 15) / kMixerMax);
}

DWORD LoudestChannel(const DWORD* values, DWORD count) {
  DWORD loudest = 0;
  for (DWORD i = 1; i < count; ++i)
    if (values[i] > values[loudest]) loudest = i;
  return loudest;
}

float BalanceRatio(DWORD quieter, DWORD louder) {
  if (louder == 0) return static_cast<float>(kBalanceUnits);
  // Wide product: a value beyond the mixer's bounds must not wrap.
  return static_cast<float>((static_cast<ULONGLONG>(quieter) * kBalanceUnits) / louder);
}

DWORD ScaleByRatio(DWORD value, float ratio) {
  return static_cast<DWORD>(RoundToSingle(static_cast<double>(value) * ratio / kBalanceUnits));
}

DWORD StepMixerChannels(DWORD* values, DWORD count, int direction) {
  if (count == 0) return 0;
  const DWORD iMax = LoudestChannel(values, count);
  const DWORD louder = values[iMax];
  const DWORD stepped = StepMixerValue(louder, direction);
  for (DWORD i = 0; i < count; ++i)
    if (i != iMax) values[i] = ScaleByRatio(stepped, BalanceRatio(values[i], louder));
  values[iMax] = stepped;
  return stepped;
}

float StepEndpointUp(float value) {
  const float headroom = RoundToSingle(1.0 - value);
  if (headroom > kEndpointStep) return RoundToSingle(static_cast<double>(value) + kEndpointStep);
  return 1.0f;
}

float StepEndpointDown(float value) {
  // Written so that a value that is not a number also gives 0.0.
  if (value <= 1.0f && value > kEndpointStep)
    return RoundToSingle(static_cast<double>(value) - kEndpointStep);
  return 0.0f;
}

LONG EndpointLevel(float value) {
  return static_cast<LONG>(std::floor(static_cast<double>(value) * 15 + 0.5));
}

int InitMixer() {
  if (mixerGetNumDevs() == 0) return 1;
  HMIXER mixer = nullptr;
  if (mixerOpen(&mixer, 0, 0, 0, 0) != MMSYSERR_NOERROR) {
    DebugLogW(L"[Vexil][InitMixer]mixerOpen() Error");
    return 0;
  }
  m_hMixer = mixer;
  MIXERCAPSW caps = {};
  static_assert(sizeof(caps) == 80, "MIXERCAPSW as the mixer expects it");
  if (mixerGetDevCapsW(reinterpret_cast<UINT_PTR>(m_hMixer), &caps, sizeof(caps)) !=
      MMSYSERR_NOERROR) {
    DebugLogW(L"[Vexil][InitMixer]mixerGetDevCaps() Error");
    return 0;
  }
  return 1;
}

int CloseMixer() {
  if (!m_hMixer) return 0;
  const MMRESULT result = mixerClose(m_hMixer);
  m_hMixer = nullptr;
  return result == MMSYSERR_NOERROR ? 1 : 0;
}

int XPMute(int mode) {
  if (!m_hMixer) {
    DebugLogW(L"[Vexil][XPMute]m_hMixer == NULL");
    return 0;
  }
  MIXERLINEW line;
  if (!GetSpeakerLine(&line)) {
    DebugLogW(L"[Vexil][XPMute]mixerGetLineInfo() Error");
    return 0;
  }
  MIXERCONTROLW control;
  if (!GetLineControl(line.dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, &control)) {
    DebugLogW(L"[Vexil][XPMute]mixerGetLineControls() Error");
    return 0;
  }
  MIXERCONTROLDETAILS_BOOLEAN value = {};
  if (!ReadControl(control.dwControlID, 1, &value)) {
    DebugLogW(L"[Vexil][XPMute]mixerGetControlDetails() Error");
    return 0;
  }
  // Any non-zero value is muted: the picture and the value written agree.
  const bool muted = IsMuted(value.fValue);
  if (mode == 1 && !muted) return 1;
  iOSDIcon = muted ? kIconSoundOn : kIconSoundOff;
  value.fValue = muted ? 0 : 1;
  if (!WriteControl(control.dwControlID, 1, &value)) {
    DebugLogW(L"[Vexil][XPMute]mixerSetControlDetails() Error");
    return 0;
  }
  return 1;
}

int XPVolume(int direction) {
  if (!m_hMixer) {
    DebugLogW(L"[Vexil][XPVolume]m_hMixer == NULL");
    return 0;
  }
  MIXERLINEW line;
  if (!GetSpeakerLine(&line)) {
    DebugLogW(L"[Vexil][XPVolume]mixerGetLineInfo() Error");
    return 0;
  }
  MIXERCONTROLW control;
  if (!GetLineControl(line.dwLineID, MIXERCONTROL_CONTROLTYPE_VOLUME, &control)) {
    DebugLogW(L"[Vexil][XPVolume]mixerGetLineControls() Error");
    return 0;
  }
  // A line without channels has no volume to step.
  if (line.cChannels == 0) {
    DebugLogW(L"[Vexil][XPVolume]cChannels == 0");
    return 0;
  }
  const DWORD channels = VolumeChannels(line, control);
  DWORD values[kMaxMixerChannels] = {};
  if (!ReadControl(control.dwControlID, channels, values)) {
    DebugLogW(L"[Vexil][XPVolume]mixerGetControlDetails() Error");
    return 0;
  }
  const DWORD stepped = StepMixerChannels(values, channels, direction);
  iOSDIcon = direction == 1 ? kIconVolumeUp : kIconVolumeDown;
  iOSDLevel = MixerLevel(stepped);
  if (!WriteControl(control.dwControlID, channels, values)) {
    DebugLogW(L"[Vexil][XPVolume]mixerSetControlDetails() Error");
    return 0;
  }
  return 1;
}

int COMInit() {
  bCOMInitialized = false;
  if (FAILED(CoInitialize(nullptr))) {
    DebugLogW(L"[Media Buttons][COMInit]CoInitialize() Error : %d", GetLastError());
    return 0;
  }
  bCOMInitialized = true;
  UniqueCom<IMMDeviceEnumerator> enumerator;
  if (FAILED(CoCreateInstance(CLSID_MMDeviceEnumerator, nullptr, CLSCTX_INPROC_SERVER,
                              __uuidof(IMMDeviceEnumerator),
                              reinterpret_cast<void**>(enumerator.put())))) {
    DebugLogW(L"[Media Buttons][COMInit]CoCreateInstance() Error : %d", GetLastError());
    return 0;
  }
  UniqueCom<IMMDevice> device;
  HRESULT hr = enumerator.get()->GetDefaultAudioEndpoint(eRender, eConsole, device.put());
  if (FAILED(hr)) {
    DebugLogW(L"[Media Buttons][COMInit]GetDefaultAudioEndpoint() Error : %d", hr);
    return 0;
  }
  hr = device.get()->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr,
                              reinterpret_cast<void**>(&pEndpointVolume));
  if (FAILED(hr)) {
    pEndpointVolume = nullptr;
    DebugLogW(L"[Media Buttons][COMInit]Activate() Error : %d", hr);
    return 0;
  }
  return 1;
}

int VolumeMute(int mode) {
  EndpointOperation operation;
  if (!operation.initialized()) {
    DebugLogW(L"[Media Buttons][Volume Mute]COMInit() Error");
    return 0;
  }
  BOOL muted = FALSE;
  if (FAILED(pEndpointVolume->GetMute(&muted))) {
    DebugLogW(L"[Media Buttons][Volume Mute]GetMute() Error : %d", GetLastError());
    return 0;
  }
  if (mode == 1 && !IsMuted(muted)) return 1;
  if (FAILED(pEndpointVolume->SetMute(IsMuted(muted) ? FALSE : TRUE, nullptr))) {
    DebugLogW(L"[Media Buttons][Volume Mute]SetMute() Error : %d", GetLastError());
    return 0;
  }
  iOSDIcon = IsMuted(muted) ? kIconSoundOn : kIconSoundOff;
  return 1;
}

int VolumeIn() {
  EndpointOperation operation;
  if (!operation.initialized()) {
    DebugLogW(L"[Media Buttons][VolumeIn]COMInit() Error");
    return 0;
  }
  float value = 0.0f;
  if (FAILED(pEndpointVolume->GetMasterVolumeLevelScalar(&value))) {
    DebugLogW(L"[Media Buttons][Volume In]GetMasterVolumeLevelScalar() Error");
    return 0;
  }
  const float stepped = StepEndpointUp(value);
  if (FAILED(pEndpointVolume->SetMasterVolumeLevelScalar(stepped, nullptr))) {
    DebugLogW(L"[Media Buttons][Volume In]SetMasterVolumeLevelScalar() Error");
    return 0;
  }
  iOSDIcon = kIconVolumeUp;
  iOSDLevel = EndpointLevel(stepped);
  return 1;
}

int VolumeDe() {
  EndpointOperation operation;
  if (!operation.initialized()) {
    DebugLogW(L"[Media Buttons][VolumeDe]COMInit() Error");
    return 0;
  }
  float value = 0.0f;
  // The read failure reads as VolumeIn's: the same text.
  if (FAILED(pEndpointVolume->GetMasterVolumeLevelScalar(&value))) {
    DebugLogW(L"[Media Buttons][Volume In]GetMasterVolumeLevelScalar() Error");
    return 0;
  }
  const float stepped = StepEndpointDown(value);
  if (FAILED(pEndpointVolume->SetMasterVolumeLevelScalar(stepped, nullptr))) {
    DebugLogW(L"[Media Buttons][Volume De]SetMasterVolumeLevelScalar() Error");
    return 0;
  }
  iOSDIcon = kIconVolumeDown;
  iOSDLevel = EndpointLevel(stepped);
  return 1;
}
