// Fennic.dll: the touchpad toggle through the pad vendor's library.
#pragma once

// Pictures that confirm a toggle; 0 means nothing was toggled.
constexpr int kTouchPadTurnedOn = 541;
constexpr int kTouchPadTurnedOff = 542;

// 1 toggles the pad; any other request writes the configuration back unchanged.
extern "C" int __cdecl TouchPadCtrl(int request);
