// Programs the keys start: only ever by a fully qualified path. For any other
// name the shell looks in the working directory first, then the Windows folder,
// System32 and PATH, and only then at what Windows registered: a program planted
// under that name in a folder another user can write would run in this user's
// session.
#pragma once

#include <windows.h>

// "X:\..." or a UNC path ("\\server\share\..."); a name relative to a folder or
// to a drive's current folder ("x.exe", "\x.exe", "C:x.exe") is not.
bool IsFullPath(const wchar_t* path);

// Opens file with the shell, shown, with no parameters and no folder of its own.
// Launches nothing (and returns 0) unless file is a full path. Like every
// ShellExecute result, below 32 is a failure.
INT_PTR Launch(const wchar_t* file);

// The key's string value (null name: its default value), read with roomBytes of
// room, always terminated: the buffer holds at least roomBytes / 2 + 1
// characters. An error and an empty buffer otherwise (a value of another type
// too).
LONG ReadStringValue(HKEY key, const wchar_t* name, wchar_t* buffer, DWORD roomBytes);

// The path a string value under HKEY_LOCAL_MACHINE names (view: 0 or a
// KEY_WOW64_* flag; null name: the default value), its references expanded into
// path, which holds chars; the registry's error, or ERROR_INSUFFICIENT_BUFFER
// when it does not fit (path then empty).
LONG ReadRegisteredPath(const wchar_t* keyPath, REGSAM view, const wchar_t* name, wchar_t* path,
                        DWORD chars);

// Internet Explorer as Windows registers it under App Paths, expanded and
// unquoted into path; false (logged) when it is not registered.
bool GetBrowserPath(wchar_t (&path)[MAX_PATH]);
