#include "schemes.h"

#include <windows.h>
#include <objbase.h>
#include <powrprof.h>
#include <shlwapi.h>

#include "handles.h"
#include "pallion.h"

namespace pallion {

GUID g_schemeSlots[kBrandCount] = {};

namespace {

// Bounded and always terminated: a name read from the power configuration may
// fill its buffer without a terminator.
void CopyName(wchar_t* to, const wchar_t* from) { wnsprintfW(to, kNameChars, L"%s", from); }

bool IsBrandName(const wchar_t* name, int brandIndex) {
  return lstrcmpW(name, g_brandSchemes[brandIndex].szName) == 0;
}

bool IsExcludedScheme(const GUID& scheme) {
  wchar_t text[kNameChars] = {};
  StringFromGUID2(scheme, text, kNameChars);
  for (const GUID& excluded : g_excludedSchemes) {
    wchar_t excludedText[kNameChars] = {};
    StringFromGUID2(excluded, excludedText, kNameChars);
    if (lstrcmpW(text, excludedText) == 0) return true;
  }
  return false;
}

// Index of the brand whose name equals name exactly, or -1.
int BrandIndexOfName(const wchar_t* name) {
  for (int i = 0; i < kBrandCount; ++i)
    if (IsBrandName(name, i)) return i;
  return -1;
}

// A slot is present only while its scheme carries its own brand's exact name.
// Otherwise it is missing: unreadable (never found, deleted) or renamed by the
// user — even to another brand's name, which a slot from an earlier scan may
// still hold — and must get a new scheme beside it.
bool SlotIsPresent(int brandIndex) {
  wchar_t name[kNameChars] = {};
  ReadSchemeFriendlyName(g_schemeSlots[brandIndex], name);
  return IsBrandName(name, brandIndex);
}

void CreateMissingBrandSchemes() {
  for (int i = 0; i < kBrandCount; ++i)
    if (!SlotIsPresent(i)) CreateBrandScheme(g_brandSchemes[i].szName);
}

}  // namespace

void ReadSchemeFriendlyName(const GUID& scheme, wchar_t* name) {
  wchar_t buffer[kNameChars] = {};
  DWORD size = kNameBytes;
  if (PowerReadFriendlyName(nullptr, &scheme, nullptr, nullptr, reinterpret_cast<UCHAR*>(buffer),
                            &size) != ERROR_SUCCESS)
    buffer[0] = L'\0';
  buffer[kNameChars - 1] = L'\0';
  CopyName(name, buffer);
}

int FindBrandSchemes() {
  for (ULONG index = 0;; ++index) {
    GUID scheme = {};
    // The size is in and out: a call may leave it changed for the next.
    DWORD size = sizeof scheme;
    if (PowerEnumerate(nullptr, nullptr, nullptr, ACCESS_SCHEME, index,
                       reinterpret_cast<UCHAR*>(&scheme), &size) != ERROR_SUCCESS)
      break;
    if (IsExcludedScheme(scheme)) continue;
    wchar_t name[kNameChars] = {};
    ReadSchemeFriendlyName(scheme, name);
    const int brand = BrandIndexOfName(name);
    // The last scheme of a name keeps the slot.
    if (brand >= 0) g_schemeSlots[brand] = scheme;
  }
  // Brands, not matches: two schemes of one name must not stand in for a
  // missing brand, or its slot would be activated under a name it does not carry.
  int found = 0;
  for (int i = 0; i < kBrandCount; ++i) found += SlotIsPresent(i) ? 1 : 0;
  return found;
}

void CreateBrandScheme(const wchar_t* brandName) {
  wchar_t name[kNameChars] = {};
  CopyName(name, brandName);
  GUID* created = nullptr;
  if (PowerDuplicateScheme(nullptr, &g_baseScheme, &created) != ERROR_SUCCESS || !created) return;
  suite::UniqueLocal createdBuffer(created);
  PowerWriteFriendlyName(nullptr, created, nullptr, nullptr, reinterpret_cast<UCHAR*>(name),
                         kNameBytes);
  PowerWriteDescription(nullptr, created, nullptr, nullptr, reinterpret_cast<UCHAR*>(name),
                        kNameBytes);
  const int brand = BrandIndexOfName(name);
  WriteSchemeSettings(brand < 0 ? 0 : brand, *created, kSelectorAC);
  WriteSchemeSettings(brand < 0 ? 0 : brand, *created, kSelectorDC);
}

void WriteSchemeSettings(int brandIndex, const GUID& scheme, DWORD selector) {
  if (brandIndex < 0 || brandIndex >= kBrandCount || selector > kSelectorDC) return;
  for (int row = 0; row < kSettingCount; ++row)
    SetPowerWriteValueIndex(&scheme, g_schemeSettings[row].subgroup, g_schemeSettings[row].setting,
                            g_brandSchemes[brandIndex].values[row][selector], selector);
}

int GetActiveBrandIndex() {
  GUID* active = nullptr;
  if (PowerGetActiveScheme(nullptr, &active) != ERROR_SUCCESS || !active) return -1;
  suite::UniqueLocal activeBuffer(active);
  const GUID scheme = *active;
  wchar_t name[kNameChars] = {};
  ReadSchemeFriendlyName(scheme, name);
  return BrandIndexOfName(name);
}

}  // namespace pallion

using namespace pallion;

extern "C" int __cdecl SwitchNextScheme() {
  // One create pass and one rescan at most: a scheme that can't be created must
  // neither hang the caller nor pile up copies in the power configuration.
  if (FindBrandSchemes() < kBrandCount) {
    CreateMissingBrandSchemes();
    if (FindBrandSchemes() < kBrandCount) return -1;
  }
  int next = GetActiveBrandIndex() + 1;
  if (next == kBrandCount) next = 0;
  if (PowerSetActiveScheme(nullptr, &g_schemeSlots[next]) != ERROR_SUCCESS) return -1;
  return next;
}
