// Thin wrappers of the Windows value-index functions, for callers that pass
// GUIDs by value.
#include <windows.h>
#include <powrprof.h>

#include "brandtable.h"
#include "handles.h"
#include "pallion.h"

using namespace pallion;

extern "C" GUID* __cdecl GetActiveSchemeGUID(GUID* out) {
  if (!out) return out;
  *out = GUID();
  GUID* active = nullptr;
  if (PowerGetActiveScheme(nullptr, &active) != ERROR_SUCCESS || !active) return out;
  suite::UniqueLocal activeBuffer(active);
  *out = *active;
  return out;
}

extern "C" DWORD __cdecl GetPowerReadValueIndex(const GUID* scheme, GUID subgroup, GUID setting,
                                                DWORD selector) {
  DWORD value = 0;
  DWORD result = ERROR_INVALID_PARAMETER;
  if (selector == kSelectorAC)
    result = PowerReadACValueIndex(nullptr, scheme, &subgroup, &setting, &value);
  else if (selector == kSelectorDC)
    result = PowerReadDCValueIndex(nullptr, scheme, &subgroup, &setting, &value);
  // A failed read may leave anything in value.
  return result == ERROR_SUCCESS ? value : 0;
}

extern "C" DWORD __cdecl SetPowerWriteValueIndex(const GUID* scheme, GUID subgroup, GUID setting,
                                                 DWORD value, DWORD selector) {
  if (selector == kSelectorAC)
    return PowerWriteACValueIndex(nullptr, scheme, &subgroup, &setting, value);
  if (selector == kSelectorDC)
    return PowerWriteDCValueIndex(nullptr, scheme, &subgroup, &setting, value);
  return ERROR_INVALID_PARAMETER;
}
