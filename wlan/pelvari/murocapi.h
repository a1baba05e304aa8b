// Intel's XP wireless library MurocApi.dll as Pelvari uses it: four entries
// imported by ordinal (murocapi.def), each taking two 32-bit arguments and
// returning 0 on success.
#pragma once

#include <windows.h>

#include <cstddef>

// The adapter list the library hands out: a signed count, then one entry per
// adapter with its handle at byte 0 and its radio-switch word at byte 1228.
constexpr size_t kAdapterEntryBytes = 1256;
constexpr size_t kAdapterHandleOffset = 0;
constexpr size_t kAdapterSwitchOffset = 1228;

extern "C" {
// Ordinal 273: request pair (120, 0x6224) in, the library's adapter list out.
DWORD __cdecl MurocGetAdapterList(const DWORD* request, void** list);
// Ordinal 107: the answer is 0 when XP's zero configuration does not manage the
// adapter.
DWORD __cdecl IsXpZeroConfigEnabled(DWORD adapter, DWORD* enabled);
// Ordinal 16: with 1 puts the adapter under zero configuration.
DWORD __cdecl MurocSetZeroConfig(DWORD adapter, DWORD value);
// Ordinal 148: switches the adapter's radio.
DWORD __cdecl MurocSetRadio(DWORD adapter, DWORD radio);
}
