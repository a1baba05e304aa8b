// Libraries are loaded by full path, never by bare name. A bare name lets the
// loader look in the working directory and along PATH, so a DLL planted in any
// folder the service happens to start in would run in the user's session.
// SetDllDirectoryW(L"") at start-up keeps the working directory out of what
// those libraries import in turn (on Windows; Wine ignores it), and the working
// directory itself is moved to the program's own folder.
#pragma once

#include <windows.h>

namespace suite {

// folder + "\" + name in path; false (ERROR_FILENAME_EXCED_RANGE) when it does not fit.
inline bool JoinPath(const wchar_t* folder, const wchar_t* name, wchar_t (&path)[MAX_PATH]) {
  const int folderLength = lstrlenW(folder);
  if (folderLength == 0 || folderLength + 1 + lstrlenW(name) >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  lstrcpyW(path, folder);
  if (path[folderLength - 1] != L'\\') lstrcatW(path, L"\\");
  lstrcatW(path, name);
  return true;
}

// The folder the program was started from, without a trailing backslash.
inline bool ProgramFolder(wchar_t (&folder)[MAX_PATH]) {
  const DWORD length = GetModuleFileNameW(nullptr, folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  wchar_t* slash = nullptr;
  for (wchar_t* c = folder; *c; ++c)
    if (*c == L'\\' || *c == L'/') slash = c;
  if (!slash) return false;
  *slash = L'\0';
  return true;
}

inline HMODULE LoadFromFolder(const wchar_t* folder, const wchar_t* name) {
  wchar_t path[MAX_PATH];
  if (!JoinPath(folder, name, path)) return nullptr;
  return LoadLibraryW(path);
}

// The suite's own libraries and its pictures: beside the program only.
inline HMODULE LoadFromProgramFolder(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  if (!ProgramFolder(folder)) return nullptr;
  return LoadFromFolder(folder, name);
}

// Windows' and the hardware vendors' libraries: from the system folder only.
inline HMODULE LoadFromSystemFolder(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return LoadFromFolder(folder, name);
}

// The notebook maker's own components: beside the program, else from the system
// folder — the loader's own first two places, and no others. A file beside the
// program is the one meant even when it fails to load, as it would be for the loader.
inline HMODULE LoadNotebookComponent(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  wchar_t path[MAX_PATH];
  if (ProgramFolder(folder) && JoinPath(folder, name, path) &&
      GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES)
    return LoadLibraryW(path);
  return LoadFromSystemFolder(name);
}

// First thing in each program. Neither program sets where it starts: it inherits
// a shortcut's "Start in" folder, a command prompt's, or whatever folder the
// watcher was started from, which on a shared notebook may be one another user
// can write to. Every lookup by relative name after this — the loader's, the
// shell's, and that of every program started from here, which inherits the
// working directory — begins in the program's own folder instead.
inline void StartInProgramFolder() {
  SetDllDirectoryW(L"");
  wchar_t folder[MAX_PATH];
  wchar_t withSlash[MAX_PATH];
  // With its backslash: "C:" alone would name drive C's own current folder.
  if (ProgramFolder(folder) && JoinPath(folder, L"", withSlash)) SetCurrentDirectoryW(withSlash);
}

}  // namespace suite
