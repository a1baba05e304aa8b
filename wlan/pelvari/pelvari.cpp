#include "pelvari.h"

#include <cstring>

#include "debuglog.h"
#include "murocapi.h"

namespace {

// More adapters than any notebook carries: a larger count is a corrupt list,
// and reading past its real entries would run off the library's buffer.
constexpr int kMaxAdapters = 32;

// The library's adapter list, valid until its next call; the library owns it.
struct AdapterList {
  const BYTE* data = nullptr;
  int count = 0;
};

DWORD ReadWord(const BYTE* at) {
  DWORD word;
  memcpy(&word, at, sizeof word);
  return word;
}

const BYTE* Entry(const AdapterList& list, int index) {
  return list.data + sizeof(LONG) + size_t(index) * kAdapterEntryBytes;
}

DWORD AdapterHandle(const AdapterList& list, int index) {
  return ReadWord(Entry(list, index) + kAdapterHandleOffset);
}

bool FetchAdapterList(AdapterList* list) {
  const DWORD request[2] = {120, 0x6224};
  void* data = nullptr;
  if (MurocGetAdapterList(request, &data) != 0 || !data) return false;
  list->data = static_cast<const BYTE*>(data);
  const LONG count = LONG(ReadWord(list->data));
  list->count = count < 0 ? 0 : (count > kMaxAdapters ? kMaxAdapters : int(count));
  return true;
}

void PutUnderZeroConfig(const AdapterList& list, int index) {
  const DWORD adapter = AdapterHandle(list, index);
  // Preset to "enabled": a library that reports success without answering
  // leaves the adapter alone.
  DWORD enabled = 1;
  if (IsXpZeroConfigEnabled(adapter, &enabled) != 0) {
    suite::DebugLogA("[Pelvar.dll][PelvarInit]IsXpZeroConfigEnabled(%d) Error", index);
    return;
  }
  if (enabled == 0) MurocSetZeroConfig(adapter, 1);
}

}  // namespace

extern "C" int __cdecl PelvarInit() {
  suite::DebugLogA("[Pelvar.dll][PelvarInit]Entry");
  AdapterList list;
  if (FetchAdapterList(&list))
    for (int i = 0; i < list.count; ++i) PutUnderZeroConfig(list, i);
  suite::DebugLogA("[Pelvar.dll][PelvarInit]End");
  return 1;
}

extern "C" void __cdecl PelvarRadio(int bRadioEnable) {
  suite::DebugLogA("[Pelvar.dll][Pelvar]Entry");
  AdapterList list;
  if (FetchAdapterList(&list)) {
    for (int i = 0; i < list.count; ++i) {
      if (ReadWord(Entry(list, i) + kAdapterSwitchOffset) == 0) continue;
      MurocSetRadio(AdapterHandle(list, i), DWORD(bRadioEnable));
      suite::DebugLogA("[Pelvar.dll][Pelvar]i: %d,bRadioEnable : %d", i, bRadioEnable);
    }
  }
  suite::DebugLogA("[Pelvar.dll][Pelvar]End");
}
