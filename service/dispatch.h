// What each notify code does: the action on the hotkey thread, the picture that
// confirms it, and the part that runs after the picture is up.
#pragma once

#include <windows.h>

enum NotifyKind {
  kIgnored,
  kLevelNotice,  // picture with a level marker; level = code - levelBase
  kVolumeUp,
  kVolumeDown,
  kMuteToggle,
  kNoticeOnly,  // fixed picture, no action
  kLaunchMail,
  kLaunchBrowserOrMenu,
  kWlanToggle,
  kWlanOn,
  kWlanOff,
  kDisplayPanelOnly,
  kDisplayExternalOnly,
  kDisplayBoth,
  kTouchpadToggle,
  kHibernate,
};

struct NotifyEntry {
  DWORD first;  // codes first..last
  DWORD last;
  NotifyKind kind;
  LONG icon;        // picture, where the table fixes it
  DWORD levelBase;  // level notices only
};

// The table row for a code; a row of kind kIgnored for codes it does not list.
const NotifyEntry& FindNotifyEntry(DWORD code);

// Bit 0 of the last "RSTS" result, kept between key events.
extern volatile LONG iSwitchW;

// Carries out one key event: first part, picture, second part.
void DispatchNotifyCode(DWORD code);
