#include "mailpath.h"

#include <windows.h>

#include <shlwapi.h>

#include "debuglog.h"
#include "handles.h"

using suite::DebugLogW;

wchar_t szExecLocation[kMailPathChars];

namespace {

const wchar_t kMailRoot[] = L"SOFTWARE\\Clients\\Mail\\";
const wchar_t kDefaultIconSuffix[] = L"\\Protocols\\mailto\\DefaultIcon\\";
const wchar_t kProgramFilesWord[] = L"ProgramFiles";
const wchar_t kProgramFilesFolder[] = L"C:\\Program Files";
constexpr int kProgramFilesWordChars = 12;
// Both values are read with room for 256 bytes, half the buffer they land in.
constexpr DWORD kValueBytes = 256;
constexpr REGSAM kMailKeyAccess = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

// The key's default string value, always terminated: the registry hands out a
// string without its terminator when it exactly fills the room, and a value of
// another type is no string at all.
LONG ReadDefaultString(HKEY key, wchar_t* buffer) {
  DWORD type = 0;
  DWORD bytes = kValueBytes;
  const LONG rc =
      RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
  if (rc != ERROR_SUCCESS) {
    buffer[0] = L'\0';
    return rc;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    ZeroMemory(buffer, kValueBytes);
    return ERROR_UNSUPPORTED_TYPE;
  }
  buffer[(bytes < kValueBytes ? bytes : kValueBytes) / sizeof(wchar_t)] = L'\0';
  return ERROR_SUCCESS;
}

// Appends source to path (which holds kMailPathChars); false when it does not
// fit.
bool Append(wchar_t* path, const wchar_t* source) {
  const size_t used = lstrlenW(path);
  const size_t needed = lstrlenW(source);
  if (used + needed >= kMailPathChars) return false;
  lstrcpynW(path + used, source, static_cast<int>(kMailPathChars - used));
  return true;
}

// Finds the client's subkey among the mail clients (case-sensitive, first equal
// name) and reads its "mailto" icon into workingPath; workingPath stays empty
// when there is none.
void ReadClientIcon(HKEY mailKey, const wchar_t* clientName, wchar_t* workingPath) {
  wchar_t szSubKey[kMailPathChars] = {};
  for (DWORD index = 0; RegEnumKeyW(mailKey, index, szSubKey, kMailPathChars) == ERROR_SUCCESS;
       ++index) {
    if (StrCmpW(szSubKey, clientName) != 0) continue;
    wchar_t szKeyPath[kMailPathChars] = {};
    if (!BuildDefaultIconKeyPath(szSubKey, szKeyPath)) return;
    suite::UniqueRegKey iconKey;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, szKeyPath, 0, kMailKeyAccess, iconKey.put()) !=
        ERROR_SUCCESS) {
      DebugLogW(L"[Vexil][FilePath]RegOpenKeyEx(Sub) Failed : %d", GetLastError());
      return;
    }
    if (ReadDefaultString(iconKey.get(), szSubKey) != ERROR_SUCCESS) {
      DebugLogW(L"[Vexil][FilePath]RegQueryValueEx(Path) Failed : %d", GetLastError());
      return;
    }
    RemovePercentSigns(szSubKey, workingPath);
    DebugLogW(L"[Vexil][FilePath]RegQueryValueEx(Path) : %s;Copy : %s", szSubKey, workingPath);
    return;
  }
}

}  // namespace

bool BuildDefaultIconKeyPath(const wchar_t* client, wchar_t* keyPath) {
  keyPath[0] = L'\0';
  if (Append(keyPath, kMailRoot) && Append(keyPath, client) && Append(keyPath, kDefaultIconSuffix))
    return true;
  keyPath[0] = L'\0';
  return false;
}

void RemovePercentSigns(const wchar_t* value, wchar_t* path) {
  size_t out = 0;
  for (size_t in = 0; value[in] && out < kMailPathChars - 1; ++in)
    if (value[in] != L'%') path[out++] = value[in];
  path[out] = L'\0';
}

void CutIconIndex(wchar_t* path) {
  for (size_t i = kMailPathChars; i-- > 0;) {
    const wchar_t c = path[i];
    path[i] = L'\0';
    if (c == L',') return;
  }
}

int FindProgramFiles(const wchar_t* path) {
  const wchar_t* found = StrStrW(path, kProgramFilesWord);
  return found ? static_cast<int>(found - path) : lstrlenW(path);
}

void ResolveProgramFiles(const wchar_t* path, wchar_t* location) {
  location[0] = L'\0';
  if (path[0] && FindProgramFiles(path) == 0) {
    Append(location, kProgramFilesFolder);
    if (!Append(location, path + kProgramFilesWordChars)) location[0] = L'\0';
    return;
  }
  lstrcpynW(location, path, kMailPathChars);
}

void GetMailClientPath() {
  DebugLogW(L"[Ondrel][FilePath]");
  wchar_t szClientName[kMailPathChars] = {};
  wchar_t szWorkingPath[kMailPathChars] = {};
  ZeroMemory(szExecLocation, sizeof(szExecLocation));
  DebugLogW(L"%s", kMailRoot);

  {
    suite::UniqueRegKey mailKey;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMailRoot, 0, kMailKeyAccess, mailKey.put()) !=
        ERROR_SUCCESS) {
      DebugLogW(L"[Vexil][FilePath]RegOpenKeyEx(Main) Failed : %d", GetLastError());
      return;
    }
    if (ReadDefaultString(mailKey.get(), szClientName) != ERROR_SUCCESS) {
      DebugLogW(L"[Vexil][FilePath]RegQueryValueEx(EXE) Failed : %d", GetLastError());
      return;
    }
    ReadClientIcon(mailKey.get(), szClientName, szWorkingPath);
  }

  CutIconIndex(szWorkingPath);
  const int iPos = FindProgramFiles(szWorkingPath);
  ResolveProgramFiles(szWorkingPath, szExecLocation);
  DebugLogW(L"[Ondrel][FilePath]iPos : %d;szExecLocation = %s", iPos, szExecLocation);
}
