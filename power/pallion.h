// Pallion.dll's exports: brand power-scheme cycling and thin wrappers of the
// Windows value-index functions. Plain __cdecl functions looked up by name.
#pragma once

#include <windows.h>

#include <type_traits>

#include "contract.h"

extern "C" {

// Brand index (0..3) of the scheme it activated, or -1.
int __cdecl SwitchNextScheme();
// Writes the active scheme's GUID (the zero GUID when it can't be read) to out.
GUID* __cdecl GetActiveSchemeGUID(GUID* out);
// Selector 0 reads the AC value index, 1 the DC one; 0 when the read fails.
DWORD __cdecl GetPowerReadValueIndex(const GUID* scheme, GUID subgroup, GUID setting,
                                     DWORD selector);
// Win32 error code of the write; ERROR_INVALID_PARAMETER for an unknown selector.
DWORD __cdecl SetPowerWriteValueIndex(const GUID* scheme, GUID subgroup, GUID setting, DWORD value,
                                      DWORD selector);
}
static_assert(std::is_same_v<decltype(&SwitchNextScheme), PFN_SwitchNextScheme>,
              "Pallion's export as the service calls it");
