// Fennic.dll: the touchpad toggle through the pad vendor's library.
#pragma once

#include <type_traits>

#include "contract.h"

// 1 toggles the pad; any other request writes the configuration back unchanged.
// The result is the picture that confirms a toggle (kTouchPadTurnedOn or Off), 0
// when nothing was toggled.
extern "C" int __cdecl TouchPadCtrl(int request);
static_assert(std::is_same_v<decltype(&TouchPadCtrl), PFN_TouchPadCtrl>,
              "Fennic's export as the service calls it");
