#include "dispatch.h"

#include <shellapi.h>

#include "acpi.h"
#include "audio.h"
#include "binding.h"
#include "debuglog.h"
#include "display.h"
#include "handles.h"
#include "hotkey.h"
#include "mailpath.h"
#include "netscan.h"
#include "osd.h"

using suite::DebugLogW;

volatile LONG iSwitchW = 0;

namespace {

// The notify codes. Codes not listed are ignored.
const NotifyEntry kNotifyTable[] = {
    {17, 31, kLevelNotice, 516, 16},
    {32, 46, kLevelNotice, 501, 32},
    {48, 48, kVolumeUp, 0, 0},
    {49, 49, kVolumeDown, 0, 0},
    {50, 50, kMuteToggle, 0, 0},
    {51, 51, kNoticeOnly, 454, 0},
    {52, 52, kNoticeOnly, 455, 0},
    {80, 80, kLaunchMail, 0, 0},
    {81, 81, kLaunchBrowserOrMenu, 0, 0},
    {87, 87, kNoticeOnly, 416, 0},
    {88, 88, kNoticeOnly, 415, 0},
    {93, 93, kWlanToggle, 0, 0},
    {94, 94, kWlanOn, 431, 0},
    {95, 95, kWlanOff, 432, 0},
    {97, 97, kDisplayPanelOnly, 451, 0},
    {98, 98, kDisplayExternalOnly, 452, 0},
    {99, 99, kDisplayBoth, 453, 0},
    {107, 107, kTouchpadToggle, 0, 0},
    {110, 110, kHibernate, 0, 0},
    {125, 125, kNoticeOnly, 433, 0},
    {126, 126, kNoticeOnly, 434, 0},
};

const NotifyEntry kIgnoredEntry = {0, 0, kIgnored, 0, 0};

const wchar_t kInformationMenu[] = L"C:\\Program Files\\Ormix Direct\\Yarrow\\Yarrow.exe";

// What the first part decided about the picture.
struct OsdDecision {
  bool show;             // false: the code is ignored or its action failed
  bool iconFromAction;   // the audio operation has written the picture itself
  bool levelFromAction;  // ... and the level
  LONG icon;
  LONG level;
  LONG showLevel;
};

OsdDecision Ignore() { return {false, false, false, 0, -1, 0}; }
OsdDecision Picture(LONG icon) { return {true, false, false, icon, -1, 0}; }
OsdDecision PictureWithLevel(LONG icon, LONG level) { return {true, false, false, icon, level, 1}; }
// Volume keys: picture and level as the volume operation left them, marker on.
OsdDecision VolumePicture() { return {true, true, true, 0, 0, 1}; }
// Mute: the operation's picture, no level.
OsdDecision MutePicture() { return {true, true, false, 0, -1, 0}; }

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

// The shell may hand a launch to extensions that need COM on the calling thread,
// as Windows asks of ShellExecute's callers. Undone only if this call did it: the
// thread may already be in another apartment.
INT_PTR Launch(const wchar_t* file) {
  suite::CoInitGuard com(
      CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", file, L"", L"", SW_SHOW));
}

void LaunchMail() {
  GetMailClientPath();
  // An empty file would make the shell open a folder window: no client, no launch.
  const INT_PTR r = szExecLocation[0] ? Launch(szExecLocation) : 0;
  if (r < 32) DebugLogW(L"[Vexil][HotkeyThread]FilePath(Outlook) : %s", szExecLocation);
}

void LaunchBrowserOrMenu() {
  DWORD choice = 0xFFFFFFFF;
  if (!AcpiNoneMethod(AcpiMethodName("ORMX"), &choice)) choice = 0;
  DebugLogW(L"[Vexil][HotkeyThread]Method(ORMX) : %d", choice);
  if (choice == 0) {
    Launch(L"iexplore.exe");
  } else if (choice == 1) {
    if (Launch(kInformationMenu) < 32)
      DebugLogW(L"[Vexil][HotkeyThread]FilePath(ORMIX Information Menu) : %s", kInformationMenu);
  }
}

// The WLAN state from "RSTS"; a failed call is a failed action, nothing changes.
OsdDecision WlanToggle() {
  if (!g_entries.pWlanRadio || g_iWlanVendor == kWlanVendorNone) return Ignore();
  DWORD state = 0xFFFFFFFF;
  if (!AcpiNoneMethod(AcpiMethodName("RSTS"), &state)) return Ignore();
  iSwitchW = state & 1;
  return Picture(iSwitchW ? 431 : 432);
}

OsdDecision TouchpadToggle() {
  int r = 0;
  if (g_entries.pTouchPadCtrlS) r = g_entries.pTouchPadCtrlS(1);
  if (r == 0 && g_entries.pTouchPadCtrlF) r = g_entries.pTouchPadCtrlF(1);
  return r ? Picture(r) : Ignore();
}

void Hibernate() {
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    TOKEN_PRIVILEGES privileges = {};
    // Only a privilege that was found is enabled.
    if (LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
      privileges.PrivilegeCount = 1;
      privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
    CloseHandle(token);
  }
  if (!SetSystemPowerState(FALSE, FALSE))
    DebugLogW(L"[Vexil][HotkeyThread]SetSystemPowerState(Hibernates) Error: %d", GetLastError());
}

OsdDecision FirstDispatch(DWORD code, const NotifyEntry& entry) {
  switch (entry.kind) {
    case kLevelNotice:
      return PictureWithLevel(entry.icon, LONG(code - entry.levelBase));
    case kVolumeUp:
    case kVolumeDown:
      return VolumeStep(entry.kind == kVolumeUp) ? VolumePicture() : Ignore();
    case kMuteToggle:
      return MuteToggle() ? MutePicture() : Ignore();
    case kNoticeOnly:
    case kDisplayPanelOnly:
    case kDisplayExternalOnly:
    case kDisplayBoth:
      return Picture(entry.icon);
    case kLaunchMail:
      LaunchMail();
      return Picture(0);
    case kLaunchBrowserOrMenu:
      LaunchBrowserOrMenu();
      return Picture(0);
    case kWlanToggle:
      return WlanToggle();
    case kWlanOn:
    case kWlanOff:
      return g_iWlanVendor == kWlanVendorNone ? Ignore() : Picture(entry.icon);
    case kTouchpadToggle:
      return TouchpadToggle();
    case kHibernate:
      Hibernate();
      return Picture(0);
    case kIgnored:
    default:
      return Ignore();
  }
}

void SecondDispatch(const NotifyEntry& entry) {
  switch (entry.kind) {
    case kWlanToggle:
      g_entries.pWlanRadio(iSwitchW ? 0 : 1);
      DebugLogW(L"[Vexil][HotkeyThread]WLAN : iSwitchW:%d", iSwitchW);
      break;
    case kWlanOn:
      if (g_entries.pWlanRadio) g_entries.pWlanRadio(1);
      break;
    case kWlanOff:
      if (g_entries.pWlanRadio) g_entries.pWlanRadio(0);
      break;
    case kDisplayPanelOnly:
      SwitchToPanelOnly();
      break;
    case kDisplayExternalOnly:
      SwitchToExternalOnly();
      break;
    case kDisplayBoth:
      if (g_entries.pOnMonitorLayout) g_entries.pOnMonitorLayout(3);
      break;
    default:
      break;
  }
}

}  // namespace

const NotifyEntry& FindNotifyEntry(DWORD code) {
  for (const NotifyEntry& entry : kNotifyTable)
    if (code >= entry.first && code <= entry.last) return entry;
  return kIgnoredEntry;
}

void DispatchNotifyCode(DWORD code) {
  const NotifyEntry& entry = FindNotifyEntry(code);
  const OsdDecision osd = FirstDispatch(code, entry);
  if (!osd.show) return;
  if (!osd.iconFromAction) iOSDIcon = osd.icon;
  if (!osd.levelFromAction) iOSDLevel = osd.level;
  bShowLevel = osd.showLevel;
  RequestOSD();
  dPreNotifyCode = code;
  SecondDispatch(entry);
}
