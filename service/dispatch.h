// What each notify code does: the action on the hotkey thread, the picture that
// confirms it, and the part that runs after the picture is up, one table row each.
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

// What a row's action decided about the picture.
struct OsdDecision {
  bool show;  // false: the code is ignored or its action failed
  LONG icon;
  LONG level;
  LONG showLevel;
};

struct NotifyEntry;
// The action on the hotkey thread, before the picture; it decides the picture.
typedef OsdDecision (*NotifyAction)(DWORD code, const NotifyEntry& entry);
// What runs once the picture is up; null for nothing.
typedef void (*AfterPicture)();

// One row of the notify-code table: all a code does is named here.
struct NotifyEntry {
  DWORD first;  // codes first..last
  DWORD last;
  NotifyKind kind;
  LONG icon;        // picture, where the table fixes it
  DWORD levelBase;  // level notices only
  NotifyAction action;
  AfterPicture afterPicture;
};

// The table row for a code; a row of kind kIgnored for codes it does not list.
const NotifyEntry& FindNotifyEntry(DWORD code);

// Bit 0 of the last "RSTS" result, kept between key events.
extern volatile LONG iSwitchW;

// Carries out one key event: the row's action, the picture, then what runs after it.
void DispatchNotifyCode(DWORD code);
