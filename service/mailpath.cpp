#include "mailpath.h"

#include <windows.h>

#include <shlwapi.h>

#include "debuglog.h"
#include "handles.h"
#include "launch.h"

using suite::DebugLogW;

wchar_t szExecLocation[kMailPathChars];

namespace {

const wchar_t kMailRoot[] = L"SOFTWARE\\Clients\\Mail\\";
const wchar_t kDefaultIconSuffix[] = L"\\Protocols\\mailto\\DefaultIcon\\";
const wchar_t kProgramFilesWord[] = L"ProgramFiles";
constexpr int kProgramFilesWordChars = 12;
const wchar_t kWindowsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
// Both values are read with room for 256 bytes, half the buffer they land in.
constexpr DWORD kValueBytes = 256;
constexpr REGSAM kMailKeyAccess = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

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
    if (ReadStringValue(iconKey.get(), nullptr, szSubKey, kValueBytes) != ERROR_SUCCESS) {
      DebugLogW(L"[Vexil][FilePath]RegQueryValueEx(Path) Failed : %d", GetLastError());
      return;
    }
    ExpandIconLocation(szSubKey, workingPath);
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

// Windows pairs the signs from the left; a sign without its partner, or a name
// the environment lacks, stays as it is.
bool ExpandIconLocation(const wchar_t* value, wchar_t* path) {
  wchar_t kept[kMailPathChars] = {};
  size_t out = 0;
  for (const wchar_t* in = value; *in && out < kMailPathChars - 1;) {
    const wchar_t* close = in[0] == L'%' ? StrChrW(in + 1, L'%') : nullptr;
    if (close && close - in - 1 == kProgramFilesWordChars &&
        StrCmpNIW(in + 1, kProgramFilesWord, kProgramFilesWordChars) == 0) {
      // The word stays for ResolveProgramFiles: the service's own ProgramFiles
      // is "Program Files (x86)" on 64-bit Windows.
      lstrcpynW(kept + out, kProgramFilesWord, int(kMailPathChars - out));
      out = lstrlenW(kept);
      in = close + 1;
      continue;
    }
    const wchar_t* next = close ? close + 1 : in + 1;
    while (in < next && out < kMailPathChars - 1) kept[out++] = *in++;
  }
  const DWORD needed = ExpandEnvironmentStringsW(kept, path, kMailPathChars);
  if (needed == 0 || needed > kMailPathChars) {
    path[0] = L'\0';
    return false;
  }
  return true;
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

// The 64-bit view on 64-bit Windows, where the service itself is told the
// 32-bit folder; 32-bit Windows has only the one view and ignores the flag.
bool GetProgramFilesFolder(wchar_t* folder) {
  if (ReadRegisteredPath(kWindowsKey, KEY_WOW64_64KEY, L"ProgramFilesDir", folder,
                         kMailPathChars) == ERROR_SUCCESS &&
      IsFullPath(folder))
    return true;
  folder[0] = L'\0';
  return false;
}

void ResolveProgramFiles(const wchar_t* path, const wchar_t* programFiles, wchar_t* location) {
  location[0] = L'\0';
  if (path[0] && programFiles[0] && FindProgramFiles(path) == 0) {
    if (!Append(location, programFiles) || !Append(location, path + kProgramFilesWordChars))
      location[0] = L'\0';
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
    if (ReadStringValue(mailKey.get(), nullptr, szClientName, kValueBytes) != ERROR_SUCCESS) {
      DebugLogW(L"[Vexil][FilePath]RegQueryValueEx(EXE) Failed : %d", GetLastError());
      return;
    }
    ReadClientIcon(mailKey.get(), szClientName, szWorkingPath);
  }

  CutIconIndex(szWorkingPath);
  PathUnquoteSpacesW(szWorkingPath);
  const int iPos = FindProgramFiles(szWorkingPath);
  wchar_t szProgramFiles[kMailPathChars] = {};
  GetProgramFilesFolder(szProgramFiles);
  ResolveProgramFiles(szWorkingPath, szProgramFiles, szExecLocation);
  DebugLogW(L"[Ondrel][FilePath]iPos : %d;szExecLocation = %s", iPos, szExecLocation);
}
