// The constant data of the power-scheme library: the four brand schemes with
// their values, the Windows schemes that never count as brand schemes, and the
// nineteen settings written into a new scheme.
#pragma once

#include <windows.h>

namespace pallion {

constexpr int kBrandCount = 4;
constexpr int kSettingCount = 19;
constexpr int kBrandNameChars = 128;
// Every friendly name passes through a buffer of this many wide characters.
constexpr int kNameChars = 260;
constexpr DWORD kNameBytes = kNameChars * sizeof(wchar_t);

constexpr DWORD kSelectorAC = 0;
constexpr DWORD kSelectorDC = 1;

struct BrandScheme {
  wchar_t szName[kBrandNameChars];
  // Per settings-list row: [kSelectorAC], [kSelectorDC].
  DWORD values[kSettingCount][2];
};

struct SchemeSetting {
  GUID subgroup;
  GUID setting;
};

extern const BrandScheme g_brandSchemes[kBrandCount];
extern const SchemeSetting g_schemeSettings[kSettingCount];
constexpr int kExcludedCount = 3;
extern const GUID g_excludedSchemes[kExcludedCount];
// New brand schemes are copies of the Windows High performance scheme.
extern const GUID g_baseScheme;

}  // namespace pallion
