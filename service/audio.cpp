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

// Whether the running endpoint operation's COMInit entered an apartment; only
// one that was entered is left at the operation's end. A plain flag, not an owner
// object: a hotkey thread stuck inside an operation still holds its apartment
// while the process exits, and no exit-time destructor may leave it for that
// thread from the main thread.
bool g_bEndpointApartment = false;

constexpr DWORD kBalanceUnits = 10000;

// The picture and level the last operation set, kept also where only the hotkey
// thread writes them: the main thread may request its own picture (message 1127)
// between an operation and the hotkey thread's request of what it set.
LONG g_lastIcon = 0;
LONG g_lastLevel = -1;

void SetPicture(LONG icon) {
  g_lastIcon = icon;
  iOSDIcon = icon;
}

void SetLevel(LONG level) {
  g_lastLevel = level;
  iOSDLevel = level;
}

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

// An endpoint operation from COMInit to the end every one shares, on every path:
// the pause, then the interface, then the apartment.
class EndpointOperation {
 public:
  // Logs "<operation>COMInit() Error" when there is no interface to work with.
  explicit EndpointOperation(const wchar_t* operation) {
    if (COMInit() != 1) DebugLogW(L"[Media Buttons][%s]COMInit() Error", operation);
  }
  EndpointOperation(const EndpointOperation&) = delete;
  EndpointOperation& operator=(const EndpointOperation&) = delete;
  ~EndpointOperation() {
    Sleep(50);
    if (pEndpointVolume) {
      pEndpointVolume->Release();
      pEndpointVolume = nullptr;
    }
    if (g_bEndpointApartment) CoUninitialize();
    g_bEndpointApartment = false;
  }
  // Set by a COMInit that succeeded; every path before it leaves it null.
  IAudioEndpointVolume* endpoint() const { return pEndpointVolume; }
};

// What stands between the two XP operations and their control: the open mixer,
// the speaker line and its control of the type. Logs as operation when it fails.
bool GetSpeakerControl(const wchar_t* operation, DWORD controlType, MIXERLINEW* line,
                       MIXERCONTROLW* control) {
  if (!m_hMixer) {
    DebugLogW(L"[Vexil][%s]m_hMixer == NULL", operation);
    return false;
  }
  if (!GetSpeakerLine(line)) {
    DebugLogW(L"[Vexil][%s]mixerGetLineInfo() Error", operation);
    return false;
  }
  if (!GetLineControl(line->dwLineID, controlType, control)) {
    DebugLogW(L"[Vexil][%s]mixerGetLineControls() Error", operation);
    return false;
  }
  return true;
}

// VolumeIn and VolumeDe: one step of the master volume. Both report a failed read
// with VolumeIn's text.
int StepEndpointVolume(bool up) {
  EndpointOperation operation(up ? L"VolumeIn" : L"VolumeDe");
  IAudioEndpointVolume* endpoint = operation.endpoint();
  if (!endpoint) return 0;
  float value = 0.0f;
  if (FAILED(endpoint->GetMasterVolumeLevelScalar(&value))) {
    DebugLogW(L"[Media Buttons][Volume In]GetMasterVolumeLevelScalar() Error");
    return 0;
  }
  const float stepped = up ? StepEndpointUp(value) : StepEndpointDown(value);
  if (FAILED(endpoint->SetMasterVolumeLevelScalar(stepped, nullptr))) {
    DebugLogW(up ? L"[Media Buttons][Volume In]SetMasterVolumeLevelScalar() Error"
                 : L"[Media Buttons][Volume De]SetMasterVolumeLevelScalar() Error");
    return 0;
  }
  SetPicture(up ? kIconVolumeUp : kIconVolumeDown);
  SetLevel(EndpointLevel(stepped));
  return 1;
}

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
  MIXERLINEW line;
  MIXERCONTROLW control;
  if (!GetSpeakerControl(L"XPMute", MIXERCONTROL_CONTROLTYPE_MUTE, &line, &control)) return 0;
  MIXERCONTROLDETAILS_BOOLEAN value = {};
  if (!ReadControl(control.dwControlID, 1, &value)) {
    DebugLogW(L"[Vexil][XPMute]mixerGetControlDetails() Error");
    return 0;
  }
  // Any non-zero value is muted: the picture and the value written agree.
  const bool muted = IsMuted(value.fValue);
  if (mode == 1 && !muted) return 1;
  SetPicture(muted ? kIconSoundOn : kIconSoundOff);
  value.fValue = muted ? 0 : 1;
  if (!WriteControl(control.dwControlID, 1, &value)) {
    DebugLogW(L"[Vexil][XPMute]mixerSetControlDetails() Error");
    return 0;
  }
  return 1;
}

int XPVolume(int direction) {
  MIXERLINEW line;
  MIXERCONTROLW control;
  if (!GetSpeakerControl(L"XPVolume", MIXERCONTROL_CONTROLTYPE_VOLUME, &line, &control)) return 0;
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
  SetPicture(direction == 1 ? kIconVolumeUp : kIconVolumeDown);
  SetLevel(MixerLevel(stepped));
  if (!WriteControl(control.dwControlID, channels, values)) {
    DebugLogW(L"[Vexil][XPVolume]mixerSetControlDetails() Error");
    return 0;
  }
  return 1;
}

int COMInit() {
  // A COMInit that no operation ended (called on its own) is its caller's to balance.
  g_bEndpointApartment = SUCCEEDED(CoInitialize(nullptr));
  if (!g_bEndpointApartment) {
    DebugLogW(L"[Media Buttons][COMInit]CoInitialize() Error : %d", GetLastError());
    return 0;
  }
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
  EndpointOperation operation(L"Volume Mute");
  IAudioEndpointVolume* endpoint = operation.endpoint();
  if (!endpoint) return 0;
  BOOL muted = FALSE;
  if (FAILED(endpoint->GetMute(&muted))) {
    DebugLogW(L"[Media Buttons][Volume Mute]GetMute() Error : %d", GetLastError());
    return 0;
  }
  if (mode == 1 && !IsMuted(muted)) return 1;
  if (FAILED(endpoint->SetMute(IsMuted(muted) ? FALSE : TRUE, nullptr))) {
    DebugLogW(L"[Media Buttons][Volume Mute]SetMute() Error : %d", GetLastError());
    return 0;
  }
  SetPicture(IsMuted(muted) ? kIconSoundOn : kIconSoundOff);
  return 1;
}

int VolumeIn() { return StepEndpointVolume(true); }

int VolumeDe() { return StepEndpointVolume(false); }

LONG LastAudioPicture() { return g_lastIcon; }

LONG LastAudioLevel() { return g_lastLevel; }
