#include "launch.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "debuglog.h"
#include "handles.h"

using suite::DebugLogW;

namespace {

const wchar_t kBrowserKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

bool IsFullPath(const wchar_t* path) {
  if (IsDriveLetter(path[0])) return path[1] == L':' && path[2] == L'\\';
  return path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\0' && path[2] != L'\\';
}

// The shell may hand a launch to extensions that need COM on the calling thread,
// as Windows asks of ShellExecute's callers. Undone only if this call did it: the
// thread may already be in another apartment.
INT_PTR Launch(const wchar_t* file) {
  if (!IsFullPath(file)) {
    DebugLogW(L"[Vexil][HotkeyThread]FilePath(NotFullPath) : %s", file);
    return 0;
  }
  suite::CoInitGuard com(
      CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
  return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", file, L"", L"", SW_SHOW));
}

// The registry hands out a string without its terminator when it exactly fills
// the room, and a value of another type is no string at all.
LONG ReadStringValue(HKEY key, const wchar_t* name, wchar_t* buffer, DWORD roomBytes) {
  DWORD type = 0;
  DWORD bytes = roomBytes;
  const LONG rc =
      RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
  if (rc != ERROR_SUCCESS) {
    buffer[0] = L'\0';
    return rc;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    ZeroMemory(buffer, roomBytes);
    return ERROR_UNSUPPORTED_TYPE;
  }
  buffer[(bytes < roomBytes ? bytes : roomBytes) / sizeof(wchar_t)] = L'\0';
  return ERROR_SUCCESS;
}

LONG ReadRegisteredPath(const wchar_t* keyPath, REGSAM view, const wchar_t* name, wchar_t* path,
                        DWORD chars) {
  path[0] = L'\0';
  wchar_t value[MAX_PATH] = {};
  suite::UniqueRegKey key;
  LONG rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | view, key.put());
  if (rc == ERROR_SUCCESS)
    rc = ReadStringValue(key.get(), name, value, sizeof value - sizeof(wchar_t));
  if (rc != ERROR_SUCCESS) return rc;
  const DWORD needed = ExpandEnvironmentStringsW(value, path, chars);
  if (needed != 0 && needed <= chars) return ERROR_SUCCESS;
  path[0] = L'\0';
  return ERROR_INSUFFICIENT_BUFFER;
}

// The service is a 32-bit program, so on 64-bit Windows it reads the 32-bit
// view of the key (its default), the one that names the 32-bit Internet Explorer.
bool GetBrowserPath(wchar_t (&path)[MAX_PATH]) {
  const LONG rc = ReadRegisteredPath(kBrowserKey, 0, nullptr, path, MAX_PATH);
  if (rc != ERROR_SUCCESS) {
    DebugLogW(L"[Vexil][HotkeyThread]RegQueryValueEx(IEXPLORE.EXE) Failed : %d", rc);
    return false;
  }
  PathUnquoteSpacesW(path);
  return true;
}
