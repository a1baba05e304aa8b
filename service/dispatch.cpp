#include "dispatch.h"

#include "acpi.h"
#include "audio.h"
#include "binding.h"
#include "lifecycle.h"
#include "debuglog.h"
#include "outputswitch.h"
#include "handles.h"
#include "hotkey.h"
#include "launch.h"
#include "mailpath.h"
#include "netscan.h"
#include "osd.h"

using suite::DebugLogW;

volatile LONG iSwitchW = 0;

namespace {

const wchar_t kInformationMenu[] = L"C:\\Program Files\\Ormix Direct\\Yarrow\\Yarrow.exe";

OsdDecision Ignore() { return {false, 0, -1, 0}; }
OsdDecision Picture(LONG icon) { return {true, icon, -1, 0}; }
OsdDecision PictureWithLevel(LONG icon, LONG level) { return {true, icon, level, 1}; }

// The actions, one per kind of row, and what they share.

int VolumeStep(bool up) {
  switch (g_iOSGeneration) {
    case kOsXP: {
      InitMixer();
      int r = XPMute(1);
      if (r == 1) r = XPVolume(up ? 1 : 0);
      CloseMixer();
      return r;
    }
    case kOsVista:
    case kOsSeven: {
      int r = VolumeMute(1);
      if (r == 1) r = up ? VolumeIn() : VolumeDe();
      return r;
    }
    default:
      return 0;
  }
}

int MuteToggle() {
  switch (g_iOSGeneration) {
    case kOsXP: {
      InitMixer();
      const int r = XPMute(0);
      CloseMixer();
      return r;
    }
    case kOsVista:
    case kOsSeven:
      return VolumeMute(0);
    default:
      return 0;
  }
}

OsdDecision Mail(DWORD, const NotifyEntry&) {
  GetMailClientPath();
  // An empty file would make the shell open a folder window: no client, no launch.
  const INT_PTR r = szExecLocation[0] ? Launch(szExecLocation) : 0;
  if (r < 32) DebugLogW(L"[Vexil][HotkeyThread]FilePath(Outlook) : %s", szExecLocation);
  return Picture(0);
}

OsdDecision BrowserOrMenu(DWORD, const NotifyEntry&) {
  DWORD choice = 0xFFFFFFFF;
  if (!AcpiNoneMethod(AcpiMethodName("ORMX"), &choice)) choice = 0;
  DebugLogW(L"[Vexil][HotkeyThread]Method(ORMX) : %d", choice);
  if (choice == 0) {
    wchar_t browser[MAX_PATH];
    if (GetBrowserPath(browser)) Launch(browser);
  } else if (choice == 1) {
    if (Launch(kInformationMenu) < 32)
      DebugLogW(L"[Vexil][HotkeyThread]FilePath(ORMIX Information Menu) : %s", kInformationMenu);
  }
  return Picture(0);
}

// The WLAN state from "RSTS"; a failed call is a failed action, nothing changes.
// Shows nothing, so nothing switches, without a radio entry to switch with.
OsdDecision WlanToggle(DWORD, const NotifyEntry&) {
  if (!g_entries.pWlanRadio || g_iWlanVendor == kWlanVendorNone) return Ignore();
  DWORD state = 0xFFFFFFFF;
  if (!AcpiNoneMethod(AcpiMethodName("RSTS"), &state)) return Ignore();
  iSwitchW = state & 1;
  return Picture(iSwitchW ? 431 : 432);
}

OsdDecision Touchpad(DWORD, const NotifyEntry&) {
  int r = 0;
  if (g_entries.pTouchPadCtrlS) r = g_entries.pTouchPadCtrlS(1);
  if (r == 0 && g_entries.pTouchPadCtrlF) r = g_entries.pTouchPadCtrlF(1);
  return r ? Picture(r) : Ignore();
}

OsdDecision Hibernate(DWORD, const NotifyEntry&) {
  suite::UniqueHandle token;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
    TOKEN_PRIVILEGES privileges = {};
    // Only a privilege that was found is enabled.
    if (LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
      privileges.PrivilegeCount = 1;
      privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
      AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
    }
  }
  if (!SetSystemPowerState(FALSE, FALSE))
    DebugLogW(L"[Vexil][HotkeyThread]SetSystemPowerState(Hibernates) Error: %d", GetLastError());
  return Picture(0);
}

OsdDecision LevelNotice(DWORD code, const NotifyEntry& entry) {
  return PictureWithLevel(entry.icon, LONG(code - entry.levelBase));
}

OsdDecision FixedPicture(DWORD, const NotifyEntry& entry) { return Picture(entry.icon); }

// The audio operations write the picture and level they stepped to; read back
// from their own copy, which no other requester writes.
OsdDecision VolumeUp(DWORD, const NotifyEntry&) {
  return VolumeStep(true) ? PictureWithLevel(LastAudioPicture(), LastAudioLevel()) : Ignore();
}

OsdDecision VolumeDown(DWORD, const NotifyEntry&) {
  return VolumeStep(false) ? PictureWithLevel(LastAudioPicture(), LastAudioLevel()) : Ignore();
}

OsdDecision Mute(DWORD, const NotifyEntry&) {
  return MuteToggle() ? Picture(LastAudioPicture()) : Ignore();
}

// The fixed WLAN pictures need an adapter; the radio entry is checked when switching.
OsdDecision WlanPicture(DWORD, const NotifyEntry& entry) {
  return g_iWlanVendor == kWlanVendorNone ? Ignore() : Picture(entry.icon);
}

// What runs once the picture is up.

// Reached only after WlanToggle found the radio entry bound: unchecked here.
void SwitchRadioFromRsts() {
  g_entries.pWlanRadio(iSwitchW ? 0 : 1);
  DebugLogW(L"[Vexil][HotkeyThread]WLAN : iSwitchW:%d", iSwitchW);
}

void RadioOn() {
  if (g_entries.pWlanRadio) g_entries.pWlanRadio(1);
}

void RadioOff() {
  if (g_entries.pWlanRadio) g_entries.pWlanRadio(0);
}

void BothDisplays() {
  if (g_entries.pOnMonitorLayout) g_entries.pOnMonitorLayout(kLayoutBoth);
}

// The notify codes. Codes not listed are ignored.
const NotifyEntry kNotifyTable[] = {
    {17, 31, kLevelNotice, 516, 16, LevelNotice, nullptr},
    {32, 46, kLevelNotice, 501, 32, LevelNotice, nullptr},
    {48, 48, kVolumeUp, 0, 0, VolumeUp, nullptr},
    {49, 49, kVolumeDown, 0, 0, VolumeDown, nullptr},
    {50, 50, kMuteToggle, 0, 0, Mute, nullptr},
    {51, 51, kNoticeOnly, 454, 0, FixedPicture, nullptr},
    {52, 52, kNoticeOnly, 455, 0, FixedPicture, nullptr},
    {80, 80, kLaunchMail, 0, 0, Mail, nullptr},
    {81, 81, kLaunchBrowserOrMenu, 0, 0, BrowserOrMenu, nullptr},
    {87, 87, kNoticeOnly, 416, 0, FixedPicture, nullptr},
    {88, 88, kNoticeOnly, 415, 0, FixedPicture, nullptr},
    {93, 93, kWlanToggle, 0, 0, WlanToggle, SwitchRadioFromRsts},
    {94, 94, kWlanOn, 431, 0, WlanPicture, RadioOn},
    {95, 95, kWlanOff, 432, 0, WlanPicture, RadioOff},
    {97, 97, kDisplayPanelOnly, 451, 0, FixedPicture, SwitchToPanelOnly},
    {98, 98, kDisplayExternalOnly, 452, 0, FixedPicture, SwitchToExternalOnly},
    {99, 99, kDisplayBoth, 453, 0, FixedPicture, BothDisplays},
    {107, 107, kTouchpadToggle, 0, 0, Touchpad, nullptr},
    {110, 110, kHibernate, 0, 0, Hibernate, nullptr},
    {125, 125, kNoticeOnly, 433, 0, FixedPicture, nullptr},
    {126, 126, kNoticeOnly, 434, 0, FixedPicture, nullptr},
};

const NotifyEntry kIgnoredEntry = {0, 0, kIgnored, 0, 0, nullptr, nullptr};

}  // namespace

const NotifyEntry& FindNotifyEntry(DWORD code) {
  for (const NotifyEntry& entry : kNotifyTable)
    if (code >= entry.first && code <= entry.last) return entry;
  return kIgnoredEntry;
}

void DispatchNotifyCode(DWORD code) {
  const NotifyEntry& entry = FindNotifyEntry(code);
  if (!entry.action) return;
  const OsdDecision osd = entry.action(code, entry);
  if (!osd.show) return;
  RequestOSDPicture(osd.icon, osd.level, osd.showLevel);
  dPreNotifyCode = code;
  if (entry.afterPicture) entry.afterPicture();
}
