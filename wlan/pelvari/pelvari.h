// Pelvari.dll: the WLAN radio on Windows XP through Intel's wireless library.
#pragma once

#include <type_traits>

#include "contract.h"

// Puts every adapter that XP's zero configuration does not manage under it; 1.
extern "C" int __cdecl PelvarInit();
// 1 switches the radio of every switchable adapter on, 0 off.
extern "C" void __cdecl PelvarRadio(int bRadioEnable);
static_assert(std::is_same_v<decltype(&PelvarInit), PFN_PelvarInit> &&
                  std::is_same_v<decltype(&PelvarRadio), PFN_PelvarRadio>,
              "Pelvari's exports as the service binds them");
