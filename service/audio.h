// Master volume and mute of the speakers: on Windows XP through the speaker
// line of winmm mixer device 0, on Windows Vista and 7 through the Core Audio
// endpoint volume of the default render endpoint. Every operation returns 1 on
// success and 0 on failure and writes the OSD picture and level the hotkey
// thread then shows.
#pragma once

#include <windows.h>

#include <endpointvolume.h>
#include <mmsystem.h>

// Open between InitMixer and CloseMixer of one key press; hotkey thread only.
extern HMIXER m_hMixer;
// Held between COMInit and the end of one endpoint operation; hotkey thread
// only.
extern IAudioEndpointVolume* pEndpointVolume;

int InitMixer();
int CloseMixer();
int XPMute(int mode);         // 1: make sure sound is on; 0: toggle
int XPVolume(int direction);  // 1: up; 0: down

int COMInit();
int VolumeMute(int mode);  // 1: make sure sound is on; 0: toggle
int VolumeIn();
int VolumeDe();

// What the last operation that set them left in iOSDIcon and iOSDLevel, from the
// hotkey thread's own copy. Hotkey thread only.
LONG LastAudioPicture();
LONG LastAudioLevel();

constexpr LONG kIconSoundOn = 461;
constexpr LONG kIconSoundOff = 462;
constexpr LONG kIconVolumeDown = 463;
constexpr LONG kIconVolumeUp = 478;

// The stepping rules, apart from the devices.
constexpr DWORD kMixerStep = 4369;
constexpr DWORD kMixerMax = 65535;
// Values beyond this many channels of a line are neither read nor written.
constexpr DWORD kMaxMixerChannels = 32;
// The single-precision number nearest to 1/15.
constexpr float kEndpointStep = 0.066666670143604278564453125f;

DWORD StepMixerValue(DWORD value, int direction);
LONG MixerLevel(DWORD value);
// The loudest channel, the first of equals.
DWORD LoudestChannel(const DWORD* values, DWORD count);
// quieter as a fraction of louder in units of 1/10000; 10000 when louder is 0.
float BalanceRatio(DWORD quieter, DWORD louder);
DWORD ScaleByRatio(DWORD value, float ratio);
// Steps the loudest channel and keeps every other one at its ratio to it;
// returns the stepped channel's new value.
DWORD StepMixerChannels(DWORD* values, DWORD count, int direction);

float StepEndpointUp(float value);
float StepEndpointDown(float value);
LONG EndpointLevel(float value);
