// Looking up a library entry by name with the type the caller declares for it.
#pragma once

#include <windows.h>

namespace suite {

// Null when the module is null or lacks the entry.
template <typename T>
T GetEntry(HMODULE module, const char* name) {
  if (!module) return nullptr;
  // Through void*: FARPROC's own signature says nothing about the entry's.
  return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace suite
