// Finding, creating and cycling the four brand power schemes.
#pragma once

#include <windows.h>

#include "brandtable.h"

namespace pallion {

// The scheme GUID found for each brand index. Kept while the library stays
// loaded; calls into the library must not overlap (one caller thread).
extern GUID g_schemeSlots[kBrandCount];

// The scheme's friendly name in name (kNameChars), empty when it can't be read.
void ReadSchemeFriendlyName(const GUID& scheme, wchar_t* name);
// Fills the slots from the non-excluded schemes carrying a brand name; returns the
// number of brands whose slot carries that brand's name (at most four).
int FindBrandSchemes();
// A copy of the Windows High performance scheme named after brandName, with the
// brand's values written into it. Not activated.
void CreateBrandScheme(const wchar_t* brandName);
// One column (selector 0 AC, 1 DC) of the value table into scheme.
void WriteSchemeSettings(int brandIndex, const GUID& scheme, DWORD selector);
// Brand index whose name the active scheme carries, or -1.
int GetActiveBrandIndex();

}  // namespace pallion
