// Pelvari.dll: the WLAN radio on Windows XP through Intel's wireless library.
#pragma once

// Puts every adapter that XP's zero configuration does not manage under it; 1.
extern "C" int __cdecl PelvarInit();
// 1 switches the radio of every switchable adapter on, 0 off.
extern "C" void __cdecl PelvarRadio(int bRadioEnable);
