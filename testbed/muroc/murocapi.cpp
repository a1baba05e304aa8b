// Stand-in for Intel's XP wireless library "MurocApi.dll", exported by ordinal
// only. The adapters are knobs under HKCU\Software\Testbed\MurocApi:
//   AdapterCount        the signed count the list reports (default 0)
//   AdapterList         status of ordinal 273 (default 0 = the list is valid)
//   Adapter<i>Handle    handle of adapter i (default 0xA000 + i)
//   Adapter<i>Switch    the word at byte 1228 of its entry (default 1)
//   Adapter<i>ZeroConfig          its zero-configuration answer (default 1);
//                                 ordinal 16 with 1 stores 1 here
//   Adapter<i>ZeroConfigStatus    status of ordinal 107 (default 0)
//   Adapter<i>ZeroConfigSilent    1: ordinal 107 succeeds without writing
//   Adapter<i>Radio     radio state ordinal 148 stores
// Handles name adapters in ordinals 107, 16 and 148; an unknown handle gets 87.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "journal.h"

namespace {

const char kComponent[] = "MurocApi";

constexpr size_t kEntryBytes = 1256;
constexpr size_t kSwitchOffset = 1228;
// The list is the library's own and reused by every call; it never holds more
// entries than this, whatever count it reports.
constexpr int kMaxEntries = 64;

std::vector<BYTE> g_list;

DWORD AdapterKnob(int index, const char* name, DWORD fallback) {
  char knob[64];
  snprintf(knob, sizeof knob, "Adapter%d%s", index, name);
  return testbed::KnobDword(kComponent, knob, fallback);
}

void SetAdapterKnob(int index, const char* name, DWORD value) {
  char knob[64];
  snprintf(knob, sizeof knob, "Adapter%d%s", index, name);
  testbed::SetKnobDword(kComponent, knob, value);
}

DWORD AdapterHandle(int index) { return AdapterKnob(index, "Handle", 0xA000 + index); }

int ReportedCount() { return int(testbed::KnobDword(kComponent, "AdapterCount", 0)); }

int StoredEntries() {
  const int count = ReportedCount();
  return count < 0 ? 0 : (count > kMaxEntries ? kMaxEntries : count);
}

// The adapter a handle names, or -1.
int AdapterIndex(DWORD handle) {
  for (int i = 0; i < StoredEntries(); ++i)
    if (AdapterHandle(i) == handle) return i;
  return -1;
}

void BuildList() {
  const int entries = StoredEntries();
  g_list.assign(sizeof(LONG) + entries * kEntryBytes, 0);
  const LONG count = ReportedCount();
  memcpy(g_list.data(), &count, sizeof count);
  for (int i = 0; i < entries; ++i) {
    BYTE* entry = g_list.data() + sizeof(LONG) + i * kEntryBytes;
    const DWORD handle = AdapterHandle(i);
    const DWORD word = AdapterKnob(i, "Switch", 1);
    memcpy(entry, &handle, sizeof handle);
    memcpy(entry + kSwitchOffset, &word, sizeof word);
  }
}

}  // namespace

extern "C" {

DWORD __cdecl MurocGetAdapterList(const DWORD* request, void** list) {
  const DWORD status = testbed::KnobDword(kComponent, "AdapterList", 0);
  const DWORD first = request ? request[0] : 0;
  const DWORD second = request ? request[1] : 0;
  if (status == 0 && list) {
    BuildList();
    *list = g_list.data();
  }
  testbed::Journal(kComponent, "GetAdapterList(%lu, 0x%lx) = %lu [count %d]",
                   static_cast<unsigned long>(first), static_cast<unsigned long>(second),
                   static_cast<unsigned long>(status), status == 0 ? ReportedCount() : 0);
  return status;
}

DWORD __cdecl IsXpZeroConfigEnabled(DWORD handle, DWORD* enabled) {
  const int index = AdapterIndex(handle);
  DWORD status = index < 0 ? ERROR_INVALID_PARAMETER : AdapterKnob(index, "ZeroConfigStatus", 0);
  const bool writes = status == 0 && enabled && AdapterKnob(index, "ZeroConfigSilent", 0) == 0;
  const DWORD answer = index < 0 ? 0 : AdapterKnob(index, "ZeroConfig", 1);
  if (writes) *enabled = answer;
  char written[16] = "none";
  if (writes) snprintf(written, sizeof written, "%lu", static_cast<unsigned long>(answer));
  testbed::Journal(kComponent, "IsXpZeroConfigEnabled(0x%lx) = %lu [answer %s]",
                   static_cast<unsigned long>(handle), static_cast<unsigned long>(status), written);
  return status;
}

DWORD __cdecl MurocSetZeroConfig(DWORD handle, DWORD value) {
  const int index = AdapterIndex(handle);
  const DWORD status = index < 0 ? ERROR_INVALID_PARAMETER : 0;
  if (index >= 0) SetAdapterKnob(index, "ZeroConfig", value);
  testbed::Journal(kComponent, "SetZeroConfig(0x%lx, %lu) = %lu",
                   static_cast<unsigned long>(handle), static_cast<unsigned long>(value),
                   static_cast<unsigned long>(status));
  return status;
}

DWORD __cdecl MurocSetRadio(DWORD handle, DWORD radio) {
  const int index = AdapterIndex(handle);
  const DWORD status = index < 0 ? ERROR_INVALID_PARAMETER : 0;
  if (index >= 0) SetAdapterKnob(index, "Radio", radio);
  testbed::Journal(kComponent, "SetRadio(0x%lx, %lu) = %lu", static_cast<unsigned long>(handle),
                   static_cast<unsigned long>(radio), static_cast<unsigned long>(status));
  return status;
}

}  // extern "C"
