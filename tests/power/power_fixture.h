// The power configuration as the powrprof double keeps it, and Pallion.dll
// loaded afresh for each test (its scheme slots live as long as it stays loaded).
#pragma once

#include <windows.h>
#include <objbase.h>
#include <powrprof.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contract.h"
#include "entry.h"
#include "handles.h"
#include "notebook.h"

namespace power {

constexpr GUID kBalanced = {
    0x381b4222, 0xf694, 0x41f0, {0x96, 0x85, 0xff, 0x5b, 0xb2, 0x60, 0xdf, 0x2e}};
constexpr GUID kHighPerformance = {
    0x8c5e7fda, 0xe8bf, 0x4a96, {0x9a, 0x85, 0xa6, 0xe2, 0x3a, 0x8c, 0x63, 0x5c}};
constexpr GUID kPowerSaver = {
    0xa1841308, 0x3541, 0x4fab, {0xbc, 0x81, 0xf7, 0x15, 0x56, 0xf2, 0x0b, 0x4a}};

const wchar_t* const kBrandNames[4] = {L"Pallion High Performance", L"Pallion Entertainment",
                                       L"Pallion Quiet Office", L"Pallion Battery Saving"};

inline GUID ParseGuid(const char* text) {
  wchar_t wide[64];
  wsprintfW(wide, L"{%S}", text);
  GUID guid = {};
  EXPECT_EQ(S_OK, IIDFromString(wide, &guid)) << text;
  return guid;
}

// As the double's journal writes GUIDs.
inline std::string GuidText(const GUID& g) {
  char text[40];
  wsprintfA(text, "%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", g.Data1, g.Data2, g.Data3,
            g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
            g.Data4[7]);
  return text;
}

inline std::vector<GUID> Schemes() {
  std::vector<GUID> list;
  for (ULONG i = 0;; ++i) {
    GUID guid;
    DWORD size = sizeof guid;
    if (PowerEnumerate(nullptr, nullptr, nullptr, ACCESS_SCHEME, i, reinterpret_cast<UCHAR*>(&guid),
                       &size) != ERROR_SUCCESS)
      break;
    list.push_back(guid);
  }
  return list;
}

inline std::wstring FriendlyName(const GUID& scheme) {
  wchar_t name[300] = {};
  DWORD size = sizeof name - sizeof(wchar_t);
  if (PowerReadFriendlyName(nullptr, &scheme, nullptr, nullptr, reinterpret_cast<UCHAR*>(name),
                            &size) != ERROR_SUCCESS)
    return L"<unreadable>";
  return name;
}

inline std::vector<GUID> SchemesNamed(const wchar_t* name) {
  std::vector<GUID> found;
  for (const GUID& scheme : Schemes())
    if (FriendlyName(scheme) == name) found.push_back(scheme);
  return found;
}

inline GUID ActiveScheme() {
  GUID* active = nullptr;
  GUID copy = {};
  if (PowerGetActiveScheme(nullptr, &active) == ERROR_SUCCESS) {
    copy = *active;
    LocalFree(active);
  }
  return copy;
}

inline std::wstring ActiveName() { return FriendlyName(ActiveScheme()); }

inline DWORD Rename(const GUID& scheme, const wchar_t* name) {
  return PowerWriteFriendlyName(nullptr, &scheme, nullptr, nullptr,
                                reinterpret_cast<UCHAR*>(const_cast<wchar_t*>(name)),
                                DWORD((lstrlenW(name) + 1) * sizeof(wchar_t)));
}

// A user's own scheme: a copy of Balanced under a name of its own.
inline GUID AddUserScheme(const wchar_t* name) {
  GUID* created = nullptr;
  EXPECT_EQ(0u, PowerDuplicateScheme(nullptr, &kBalanced, &created));
  if (!created) return GUID();
  const GUID copy = *created;
  LocalFree(created);
  EXPECT_EQ(0u, Rename(copy, name));
  return copy;
}

// Journal calls of the double, without the component, made by this process or pid.
inline std::vector<std::string> PowerCalls(const char* function = "",
                                           DWORD pid = GetCurrentProcessId()) {
  std::vector<std::string> calls;
  for (const auto& line : testkit::ReadJournal())
    if (line.component == "powrprof" && line.pid == pid && line.call.find(function) == 0)
      calls.push_back(line.call);
  return calls;
}

class PowerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testkit::ClearKnobs();
    // A fresh power configuration: the double seeds the Windows defaults again.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Testbed\\Power");
    testkit::ResetJournal();
    ASSERT_NE(nullptr, GetProcAddress(GetModuleHandleW(L"powrprof.dll"), "TestbedPowrprofDouble"))
        << "Wine's own powrprof is bound, not the double";
  }
  void TearDown() override { testkit::ClearKnobs(); }
};

typedef GUID*(__cdecl* PFN_GetActiveSchemeGUID)(GUID*);
typedef DWORD(__cdecl* PFN_GetPowerReadValueIndex)(const GUID*, GUID, GUID, DWORD);
typedef DWORD(__cdecl* PFN_SetPowerWriteValueIndex)(const GUID*, GUID, GUID, DWORD, DWORD);

// The real Pallion.dll, loaded fresh: its scheme slots start at zero.
class Pallion {
 public:
  Pallion() { Load(); }
  void Load() {
    module_.reset();
    module_.reset(LoadLibraryW((testkit::BinDir() + L"\\Pallion.dll").c_str()));
    EXPECT_TRUE(module_) << "Pallion.dll did not load: " << GetLastError();
    SwitchNextScheme = suite::GetEntry<PFN_SwitchNextScheme>(module_.get(), "SwitchNextScheme");
    GetActiveSchemeGUID =
        suite::GetEntry<PFN_GetActiveSchemeGUID>(module_.get(), "GetActiveSchemeGUID");
    GetPowerReadValueIndex =
        suite::GetEntry<PFN_GetPowerReadValueIndex>(module_.get(), "GetPowerReadValueIndex");
    SetPowerWriteValueIndex =
        suite::GetEntry<PFN_SetPowerWriteValueIndex>(module_.get(), "SetPowerWriteValueIndex");
    EXPECT_TRUE(SwitchNextScheme && GetActiveSchemeGUID && GetPowerReadValueIndex &&
                SetPowerWriteValueIndex);
  }

  PFN_SwitchNextScheme SwitchNextScheme = nullptr;
  PFN_GetActiveSchemeGUID GetActiveSchemeGUID = nullptr;
  PFN_GetPowerReadValueIndex GetPowerReadValueIndex = nullptr;
  PFN_SetPowerWriteValueIndex SetPowerWriteValueIndex = nullptr;

 private:
  suite::UniqueModule module_;
};

}  // namespace power
