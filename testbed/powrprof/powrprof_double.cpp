// Stand-in for the Windows Vista power-scheme functions of powrprof.dll, which
// Wine 8 stubs or lacks (calling PowerDuplicateScheme there ends the process).
//
// The power configuration outlives every process, as the Windows one does: it is
// kept in HKLM\Software\Testbed\Power and, when absent, seeded with the three
// Windows default schemes, Balanced active. Deleting that key gives a fresh one.
//   ActiveScheme             "{GUID}" of the active scheme
//   Schemes\{GUID}           one key per scheme: "Order" (enumeration order),
//                            "FriendlyName" and "Description" (the bytes written),
//                            "AC <subgroup> <setting>" / "DC ..." value indexes
//
// Knobs (HKCU\Software\Testbed\powrprof): "<Function>Fail" = a Win32 error code
// that function returns without doing anything.
// Journal (component "powrprof"): every call, GUIDs in lower case without braces.
#include <windows.h>
#include <objbase.h>
#include <powrprof.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "handles.h"
#include "journal.h"

namespace {

const char kComponent[] = "powrprof";
const wchar_t kPowerKey[] = L"Software\\Testbed\\Power";
const wchar_t kSchemesKey[] = L"Software\\Testbed\\Power\\Schemes";
const wchar_t kActiveValue[] = L"ActiveScheme";
const wchar_t kOrderValue[] = L"Order";
const wchar_t kFriendlyNameValue[] = L"FriendlyName";
const wchar_t kDescriptionValue[] = L"Description";

constexpr GUID kBalanced = {
    0x381b4222, 0xf694, 0x41f0, {0x96, 0x85, 0xff, 0x5b, 0xb2, 0x60, 0xdf, 0x2e}};
constexpr GUID kHighPerformance = {
    0x8c5e7fda, 0xe8bf, 0x4a96, {0x9a, 0x85, 0xa6, 0xe2, 0x3a, 0x8c, 0x63, 0x5c}};
constexpr GUID kPowerSaver = {
    0xa1841308, 0x3541, 0x4fab, {0xbc, 0x81, 0xf7, 0x15, 0x56, 0xf2, 0x0b, 0x4a}};
constexpr GUID kNoSubgroup = {
    0xfea3413e, 0x7e05, 0x4911, {0x9a, 0x71, 0x70, 0x03, 0x31, 0xf1, 0xc2, 0x94}};
constexpr GUID kVideoSubgroup = {
    0x7516b95f, 0xf776, 0x4464, {0x8c, 0x53, 0x06, 0x16, 0x7f, 0x40, 0xcc, 0x99}};
constexpr GUID kVideoPowerdown = {
    0x3c0bc021, 0xc8a8, 0x4e07, {0xa9, 0x73, 0x6b, 0x14, 0xcb, 0xcb, 0x2b, 0x7e}};
constexpr GUID kSleepSubgroup = {
    0x238c9fa8, 0x0aad, 0x41ed, {0x83, 0xf4, 0x97, 0xbe, 0x24, 0x2c, 0x8f, 0x20}};
constexpr GUID kStandbyTimeout = {
    0x29f6c1db, 0x86da, 0x48c5, {0x9f, 0xdb, 0xf2, 0xb6, 0x7b, 0x1f, 0x44, 0xda}};

struct DefaultScheme {
  const GUID* guid;
  const wchar_t* name;
  const wchar_t* description;
  DWORD videoAc, videoDc, standbyAc, standbyDc;
};

// In the order Windows 7 lists them.
const DefaultScheme kDefaultSchemes[] = {
    {&kBalanced, L"Balanced",
     L"Automatically balances performance with energy consumption on capable hardware.", 600, 300,
     1800, 900},
    {&kHighPerformance, L"High performance", L"Favors performance, but may use more energy.", 900,
     600, 0, 3600},
    {&kPowerSaver, L"Power saver",
     L"Saves energy by reducing your computer's performance where possible.", 300, 120, 900, 600},
};

std::string GuidText(const GUID* guid) {
  if (!guid) return "NULL";
  char text[40];
  wsprintfA(text, "%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", guid->Data1, guid->Data2,
            guid->Data3, guid->Data4[0], guid->Data4[1], guid->Data4[2], guid->Data4[3],
            guid->Data4[4], guid->Data4[5], guid->Data4[6], guid->Data4[7]);
  return text;
}

std::wstring GuidKey(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

// A name as the journal shows it: up to its terminator or the end of the bytes.
std::string NameText(const UCHAR* bytes, DWORD size) {
  if (!bytes) return "NULL";
  std::wstring name(reinterpret_cast<const wchar_t*>(bytes), size / sizeof(wchar_t));
  name = name.substr(0, name.find(L'\0'));
  char text[600] = {};
  WideCharToMultiByte(CP_UTF8, 0, name.c_str(), int(name.size()), text, sizeof text - 1, nullptr,
                      nullptr);
  return std::string("\"") + text + "\"";
}

DWORD InjectedFailure(const char* function) {
  return testbed::KnobDword(kComponent, (std::string(function) + "Fail").c_str(), ERROR_SUCCESS);
}

suite::UniqueRegKey CreateKey(const std::wstring& path) {
  suite::UniqueRegKey key;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  key.put(), nullptr);
  return key;
}

void SetDword(HKEY key, const wchar_t* name, DWORD value) {
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void SetText(HKEY key, const wchar_t* name, const wchar_t* text) {
  RegSetValueExW(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(text),
                 DWORD((lstrlenW(text) + 1) * sizeof(wchar_t)));
}

std::wstring ValueName(const char* column, const GUID* subgroup, const GUID* setting) {
  // Settings outside any subgroup are addressed by NO_SUBGROUP_GUID or by null.
  const GUID& group = subgroup ? *subgroup : kNoSubgroup;
  return std::wstring(column[0] == 'A' ? L"AC " : L"DC ") + GuidKey(group) + L" " +
         GuidKey(*setting);
}

void SeedDefaults() {
  DWORD order = 0;
  for (const DefaultScheme& scheme : kDefaultSchemes) {
    suite::UniqueRegKey key = CreateKey(std::wstring(kSchemesKey) + L"\\" + GuidKey(*scheme.guid));
    SetDword(key.get(), kOrderValue, order++);
    SetText(key.get(), kFriendlyNameValue, scheme.name);
    SetText(key.get(), kDescriptionValue, scheme.description);
    SetDword(key.get(), ValueName("AC", &kVideoSubgroup, &kVideoPowerdown).c_str(), scheme.videoAc);
    SetDword(key.get(), ValueName("DC", &kVideoSubgroup, &kVideoPowerdown).c_str(), scheme.videoDc);
    SetDword(key.get(), ValueName("AC", &kSleepSubgroup, &kStandbyTimeout).c_str(),
             scheme.standbyAc);
    SetDword(key.get(), ValueName("DC", &kSleepSubgroup, &kStandbyTimeout).c_str(),
             scheme.standbyDc);
  }
  suite::UniqueRegKey power = CreateKey(kPowerKey);
  const std::wstring active = GuidKey(kBalanced);
  RegSetValueExW(power.get(), kActiveValue, 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(active.c_str()),
                 DWORD((active.size() + 1) * sizeof(wchar_t)));
}

// The configuration, seeded on first use.
void EnsureConfiguration() {
  suite::UniqueRegKey schemes;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSchemesKey, 0, KEY_READ, schemes.put()) != ERROR_SUCCESS)
    SeedDefaults();
}

suite::UniqueRegKey OpenScheme(const GUID& scheme, REGSAM access) {
  EnsureConfiguration();
  suite::UniqueRegKey key;
  const std::wstring path = std::wstring(kSchemesKey) + L"\\" + GuidKey(scheme);
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, key.put()) != ERROR_SUCCESS)
    key.reset();
  return key;
}

// Schemes in enumeration order.
std::vector<GUID> ListSchemes() {
  EnsureConfiguration();
  std::vector<std::pair<DWORD, GUID>> found;
  suite::UniqueRegKey schemes;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSchemesKey, 0, KEY_READ, schemes.put()) != ERROR_SUCCESS)
    return {};
  for (DWORD i = 0;; ++i) {
    wchar_t name[64];
    DWORD chars = 64;
    if (RegEnumKeyExW(schemes.get(), i, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    GUID guid;
    if (FAILED(IIDFromString(name, &guid))) continue;
    DWORD order = 0, size = sizeof order;
    RegGetValueW(schemes.get(), name, kOrderValue, RRF_RT_REG_DWORD, nullptr, &order, &size);
    found.push_back({order, guid});
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<GUID> list;
  for (const auto& entry : found) list.push_back(entry.second);
  return list;
}

DWORD NextOrder() {
  DWORD next = 0;
  for (const GUID& guid : ListSchemes()) {
    suite::UniqueRegKey key = OpenScheme(guid, KEY_READ);
    DWORD order = 0, size = sizeof order;
    if (RegQueryValueExW(key.get(), kOrderValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&order),
                         &size) == ERROR_SUCCESS)
      next = std::max(next, order + 1);
  }
  return next;
}

// Reads a friendly name or description the way Windows hands out strings: a null
// buffer asks for the size, a short one gets ERROR_MORE_DATA and the size.
DWORD ReadText(const GUID* scheme, const GUID* subgroup, const GUID* setting, const wchar_t* value,
               UCHAR* buffer, DWORD* size) {
  if (!scheme || !size) return ERROR_INVALID_PARAMETER;
  // Only schemes carry names here.
  if (subgroup || setting) return ERROR_FILE_NOT_FOUND;
  suite::UniqueRegKey key = OpenScheme(*scheme, KEY_READ);
  if (!key) return ERROR_FILE_NOT_FOUND;
  DWORD stored = 0;
  if (RegQueryValueExW(key.get(), value, nullptr, nullptr, nullptr, &stored) != ERROR_SUCCESS)
    return ERROR_FILE_NOT_FOUND;
  if (!buffer) {
    *size = stored;
    return ERROR_SUCCESS;
  }
  if (*size < stored) {
    *size = stored;
    return ERROR_MORE_DATA;
  }
  *size = stored;
  return DWORD(RegQueryValueExW(key.get(), value, nullptr, nullptr, buffer, size));
}

DWORD WriteText(const GUID* scheme, const GUID* subgroup, const GUID* setting, const wchar_t* value,
                const UCHAR* buffer, DWORD size) {
  if (!scheme || !buffer) return ERROR_INVALID_PARAMETER;
  if (subgroup || setting) return ERROR_CALL_NOT_IMPLEMENTED;
  suite::UniqueRegKey key = OpenScheme(*scheme, KEY_WRITE);
  if (!key) return ERROR_FILE_NOT_FOUND;
  return DWORD(RegSetValueExW(key.get(), value, 0, REG_BINARY, buffer, size));
}

DWORD ReadIndex(const char* column, const GUID* scheme, const GUID* subgroup, const GUID* setting,
                DWORD* index) {
  if (!scheme || !setting || !index) return ERROR_INVALID_PARAMETER;
  suite::UniqueRegKey key = OpenScheme(*scheme, KEY_READ);
  if (!key) return ERROR_FILE_NOT_FOUND;
  DWORD value = 0, type = 0, size = sizeof value;
  const LONG rc = RegQueryValueExW(key.get(), ValueName(column, subgroup, setting).c_str(), nullptr,
                                   &type, reinterpret_cast<BYTE*>(&value), &size);
  if (rc != ERROR_SUCCESS || type != REG_DWORD) return ERROR_FILE_NOT_FOUND;
  *index = value;
  return ERROR_SUCCESS;
}

DWORD WriteIndex(const char* column, const GUID* scheme, const GUID* subgroup, const GUID* setting,
                 DWORD index) {
  if (!scheme || !setting) return ERROR_INVALID_PARAMETER;
  suite::UniqueRegKey key = OpenScheme(*scheme, KEY_WRITE);
  if (!key) return ERROR_FILE_NOT_FOUND;
  SetDword(key.get(), ValueName(column, subgroup, setting).c_str(), index);
  return ERROR_SUCCESS;
}

// Every value of the source scheme but its place in the enumeration.
void CopySchemeValues(HKEY from, HKEY to) {
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD chars = 256, type = 0;
    BYTE data[2048];
    DWORD size = sizeof data;
    if (RegEnumValueW(from, i, name, &chars, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    if (lstrcmpiW(name, kOrderValue) == 0) continue;
    RegSetValueExW(to, name, 0, type, data, size);
  }
}

}  // namespace

extern "C" {

// Lets tests prove this double, not Wine's builtin, is bound.
int __cdecl TestbedPowrprofDouble() { return 1; }

DWORD WINAPI PowerEnumerate(HKEY, const GUID*, const GUID*, POWER_DATA_ACCESSOR AccessFlags,
                            ULONG Index, UCHAR* Buffer, DWORD* BufferSize) {
  DWORD rc = InjectedFailure("PowerEnumerate");
  GUID found = {};
  if (rc == ERROR_SUCCESS) {
    if (!BufferSize) {
      rc = ERROR_INVALID_PARAMETER;
    } else if (AccessFlags != ACCESS_SCHEME) {
      // Only the scheme list is faked; for it Windows ignores the scheme and
      // subgroup arguments.
      rc = ERROR_CALL_NOT_IMPLEMENTED;
    } else {
      const std::vector<GUID> schemes = ListSchemes();
      if (Index >= schemes.size()) {
        rc = ERROR_NO_MORE_ITEMS;
      } else if (!Buffer || *BufferSize < sizeof(GUID)) {
        *BufferSize = sizeof(GUID);
        rc = ERROR_MORE_DATA;
      } else {
        found = schemes[Index];
        memcpy(Buffer, &found, sizeof found);
        *BufferSize = sizeof(GUID);
      }
    }
  }
  testbed::Journal(kComponent, "PowerEnumerate(%d, %lu) = %lu %s", int(AccessFlags), Index, rc,
                   rc == ERROR_SUCCESS && Buffer ? GuidText(&found).c_str() : "-");
  return rc;
}

DWORD WINAPI PowerReadFriendlyName(HKEY, const GUID* SchemeGuid,
                                   const GUID* SubGroupOfPowerSettingsGuid,
                                   const GUID* PowerSettingGuid, PUCHAR Buffer,
                                   LPDWORD BufferSize) {
  const DWORD sizeIn = BufferSize ? *BufferSize : 0;
  DWORD rc = InjectedFailure("PowerReadFriendlyName");
  if (rc == ERROR_SUCCESS)
    rc = ReadText(SchemeGuid, SubGroupOfPowerSettingsGuid, PowerSettingGuid, kFriendlyNameValue,
                  Buffer, BufferSize);
  testbed::Journal(kComponent, "PowerReadFriendlyName(%s, %lu) = %lu %s",
                   GuidText(SchemeGuid).c_str(), sizeIn, rc,
                   rc == ERROR_SUCCESS && Buffer ? NameText(Buffer, *BufferSize).c_str() : "-");
  return rc;
}

DWORD WINAPI PowerWriteFriendlyName(HKEY, const GUID* SchemeGuid,
                                    const GUID* SubGroupOfPowerSettingsGuid,
                                    const GUID* PowerSettingGuid, UCHAR* Buffer, DWORD BufferSize) {
  DWORD rc = InjectedFailure("PowerWriteFriendlyName");
  if (rc == ERROR_SUCCESS)
    rc = WriteText(SchemeGuid, SubGroupOfPowerSettingsGuid, PowerSettingGuid, kFriendlyNameValue,
                   Buffer, BufferSize);
  testbed::Journal(kComponent, "PowerWriteFriendlyName(%s, %s, %s, %s, %lu) = %lu",
                   GuidText(SchemeGuid).c_str(), GuidText(SubGroupOfPowerSettingsGuid).c_str(),
                   GuidText(PowerSettingGuid).c_str(), NameText(Buffer, BufferSize).c_str(),
                   BufferSize, rc);
  return rc;
}

DWORD WINAPI PowerWriteDescription(HKEY, const GUID* SchemeGuid,
                                   const GUID* SubGroupOfPowerSettingsGuid,
                                   const GUID* PowerSettingGuid, UCHAR* Buffer, DWORD BufferSize) {
  DWORD rc = InjectedFailure("PowerWriteDescription");
  if (rc == ERROR_SUCCESS)
    rc = WriteText(SchemeGuid, SubGroupOfPowerSettingsGuid, PowerSettingGuid, kDescriptionValue,
                   Buffer, BufferSize);
  testbed::Journal(kComponent, "PowerWriteDescription(%s, %s, %s, %s, %lu) = %lu",
                   GuidText(SchemeGuid).c_str(), GuidText(SubGroupOfPowerSettingsGuid).c_str(),
                   GuidText(PowerSettingGuid).c_str(), NameText(Buffer, BufferSize).c_str(),
                   BufferSize, rc);
  return rc;
}

DWORD WINAPI PowerDuplicateScheme(HKEY, const GUID* SourceSchemeGuid,
                                  GUID** DestinationSchemeGuid) {
  DWORD rc = InjectedFailure("PowerDuplicateScheme");
  GUID created = {};
  if (rc == ERROR_SUCCESS) {
    suite::UniqueRegKey source;
    if (!SourceSchemeGuid || !DestinationSchemeGuid) {
      rc = ERROR_INVALID_PARAMETER;
    } else if (!(source = OpenScheme(*SourceSchemeGuid, KEY_READ))) {
      rc = ERROR_FILE_NOT_FOUND;
    } else {
      // A caller's GUID names the copy; without one Windows makes a GUID and
      // hands it out in a buffer the caller frees with LocalFree.
      if (*DestinationSchemeGuid)
        created = **DestinationSchemeGuid;
      else
        CoCreateGuid(&created);
      if (OpenScheme(created, KEY_READ)) {
        rc = ERROR_ALREADY_EXISTS;
      } else {
        const DWORD order = NextOrder();
        suite::UniqueRegKey copy = CreateKey(std::wstring(kSchemesKey) + L"\\" + GuidKey(created));
        CopySchemeValues(source.get(), copy.get());
        SetDword(copy.get(), kOrderValue, order);
        if (!*DestinationSchemeGuid) {
          GUID* out = static_cast<GUID*>(LocalAlloc(LMEM_FIXED, sizeof(GUID)));
          *out = created;
          *DestinationSchemeGuid = out;
        }
      }
    }
  }
  testbed::Journal(kComponent, "PowerDuplicateScheme(%s) = %lu %s",
                   GuidText(SourceSchemeGuid).c_str(), rc,
                   rc == ERROR_SUCCESS ? GuidText(&created).c_str() : "-");
  return rc;
}

DWORD WINAPI PowerSetActiveScheme(HKEY, const GUID* SchemeGuid) {
  DWORD rc = InjectedFailure("PowerSetActiveScheme");
  if (rc == ERROR_SUCCESS) {
    if (!SchemeGuid) {
      rc = ERROR_INVALID_PARAMETER;
    } else if (!OpenScheme(*SchemeGuid, KEY_READ)) {
      rc = ERROR_FILE_NOT_FOUND;
    } else {
      suite::UniqueRegKey power = CreateKey(kPowerKey);
      const std::wstring active = GuidKey(*SchemeGuid);
      rc = DWORD(RegSetValueExW(power.get(), kActiveValue, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(active.c_str()),
                                DWORD((active.size() + 1) * sizeof(wchar_t))));
    }
  }
  testbed::Journal(kComponent, "PowerSetActiveScheme(%s) = %lu", GuidText(SchemeGuid).c_str(), rc);
  return rc;
}

// What a user does in the power options; Windows keeps the active scheme.
DWORD WINAPI PowerDeleteScheme(HKEY, const GUID* SchemeGuid) {
  DWORD rc = InjectedFailure("PowerDeleteScheme");
  if (rc == ERROR_SUCCESS) {
    wchar_t active[64] = {};
    DWORD size = sizeof active - sizeof(wchar_t);
    EnsureConfiguration();
    RegGetValueW(HKEY_LOCAL_MACHINE, kPowerKey, kActiveValue, RRF_RT_REG_SZ, nullptr, active,
                 &size);
    if (!SchemeGuid) {
      rc = ERROR_INVALID_PARAMETER;
    } else if (!OpenScheme(*SchemeGuid, KEY_READ)) {
      rc = ERROR_FILE_NOT_FOUND;
    } else if (lstrcmpiW(active, GuidKey(*SchemeGuid).c_str()) == 0) {
      rc = ERROR_ACCESS_DENIED;
    } else {
      suite::UniqueRegKey schemes;
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSchemesKey, 0, KEY_ALL_ACCESS, schemes.put());
      rc = DWORD(RegDeleteKeyW(schemes.get(), GuidKey(*SchemeGuid).c_str()));
    }
  }
  testbed::Journal(kComponent, "PowerDeleteScheme(%s) = %lu", GuidText(SchemeGuid).c_str(), rc);
  return rc;
}

DWORD WINAPI PowerGetActiveScheme(HKEY, GUID** ActivePolicyGuid) {
  DWORD rc = InjectedFailure("PowerGetActiveScheme");
  GUID active = {};
  if (rc == ERROR_SUCCESS) {
    EnsureConfiguration();
    wchar_t text[64] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    if (!ActivePolicyGuid) {
      rc = ERROR_INVALID_PARAMETER;
    } else if (RegGetValueW(HKEY_LOCAL_MACHINE, kPowerKey, kActiveValue, RRF_RT_REG_SZ, nullptr,
                            text, &size) != ERROR_SUCCESS ||
               FAILED(IIDFromString(text, &active))) {
      rc = ERROR_FILE_NOT_FOUND;
    } else {
      GUID* out = static_cast<GUID*>(LocalAlloc(LMEM_FIXED, sizeof(GUID)));
      *out = active;
      *ActivePolicyGuid = out;
    }
  }
  testbed::Journal(kComponent, "PowerGetActiveScheme() = %lu %s", rc,
                   rc == ERROR_SUCCESS ? GuidText(&active).c_str() : "-");
  return rc;
}

DWORD WINAPI PowerReadACValueIndex(HKEY, const GUID* SchemeGuid,
                                   const GUID* SubGroupOfPowerSettingsGuid,
                                   const GUID* PowerSettingGuid, LPDWORD AcValueIndex) {
  DWORD rc = InjectedFailure("PowerReadACValueIndex");
  if (rc == ERROR_SUCCESS)
    rc = ReadIndex("AC", SchemeGuid, SubGroupOfPowerSettingsGuid, PowerSettingGuid, AcValueIndex);
  testbed::Journal(kComponent, "PowerReadACValueIndex(%s, %s, %s) = %lu %lu",
                   GuidText(SchemeGuid).c_str(), GuidText(SubGroupOfPowerSettingsGuid).c_str(),
                   GuidText(PowerSettingGuid).c_str(), rc,
                   rc == ERROR_SUCCESS ? *AcValueIndex : 0ul);
  return rc;
}

DWORD WINAPI PowerReadDCValueIndex(HKEY, const GUID* SchemeGuid,
                                   const GUID* SubGroupOfPowerSettingsGuid,
                                   const GUID* PowerSettingGuid, LPDWORD DcValueIndex) {
  DWORD rc = InjectedFailure("PowerReadDCValueIndex");
  if (rc == ERROR_SUCCESS)
    rc = ReadIndex("DC", SchemeGuid, SubGroupOfPowerSettingsGuid, PowerSettingGuid, DcValueIndex);
  testbed::Journal(kComponent, "PowerReadDCValueIndex(%s, %s, %s) = %lu %lu",
                   GuidText(SchemeGuid).c_str(), GuidText(SubGroupOfPowerSettingsGuid).c_str(),
                   GuidText(PowerSettingGuid).c_str(), rc,
                   rc == ERROR_SUCCESS ? *DcValueIndex : 0ul);
  return rc;
}

DWORD WINAPI PowerWriteACValueIndex(HKEY, const GUID* SchemeGuid,
                                    const GUID* SubGroupOfPowerSettingsGuid,
                                    const GUID* PowerSettingGuid, DWORD AcValueIndex) {
  DWORD rc = InjectedFailure("PowerWriteACValueIndex");
  if (rc == ERROR_SUCCESS)
    rc = WriteIndex("AC", SchemeGuid, SubGroupOfPowerSettingsGuid, PowerSettingGuid, AcValueIndex);
  testbed::Journal(kComponent, "PowerWriteACValueIndex(%s, %s, %s, %lu) = %lu",
                   GuidText(SchemeGuid).c_str(), GuidText(SubGroupOfPowerSettingsGuid).c_str(),
                   GuidText(PowerSettingGuid).c_str(), AcValueIndex, rc);
  return rc;
}

DWORD WINAPI PowerWriteDCValueIndex(HKEY, const GUID* SchemeGuid,
                                    const GUID* SubGroupOfPowerSettingsGuid,
                                    const GUID* PowerSettingGuid, DWORD DcValueIndex) {
  DWORD rc = InjectedFailure("PowerWriteDCValueIndex");
  if (rc == ERROR_SUCCESS)
    rc = WriteIndex("DC", SchemeGuid, SubGroupOfPowerSettingsGuid, PowerSettingGuid, DcValueIndex);
  testbed::Journal(kComponent, "PowerWriteDCValueIndex(%s, %s, %s, %lu) = %lu",
                   GuidText(SchemeGuid).c_str(), GuidText(SubGroupOfPowerSettingsGuid).c_str(),
                   GuidText(PowerSettingGuid).c_str(), DcValueIndex, rc);
  return rc;
}

}  // extern "C"
