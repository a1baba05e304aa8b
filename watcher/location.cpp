// Where the service's executable is: "Torvan.exe" in the watcher's own folder.
#include "tandrel.h"

#include <cstring>

#include "debuglog.h"

namespace tandrel {

char szExecLocation[kPathBytes] = {};
char szExePath[kPathBytes] = {};
const char kServiceExe[] = "Torvan.exe";

void DirectoryFromModulePath(char (&buffer)[kPathBytes]) {
  for (int i = kPathBytes - 1; i >= 0 && buffer[i] != '\\'; --i) buffer[i] = '\0';
}

// A truncated module path may have lost the watcher's own folder name, and the
// walk back to a backslash would then name a parent folder: whatever
// "Torvan.exe" lies there is not ours to start, so the location stays unknown.
bool GetExecuteLocation() {
  const DWORD length = GetModuleFileNameA(nullptr, szExecLocation, kPathBytes);
  szExecLocation[kPathBytes - 1] = '\0';
  suite::DebugLogLongA("[TDL][GetExecuteLocatio]szExecLocation = %s", szExecLocation);
  if (length == 0 || length >= DWORD(kPathBytes)) {
    suite::DebugLogA("[TDL][GetExecuteLocatio]szExecLocation unknown Error : %d", GetLastError());
    memset(szExecLocation, 0, sizeof szExecLocation);
    return false;
  }
  DirectoryFromModulePath(szExecLocation);
  suite::DebugLogLongA("[TDL][GetExecuteLocatio]szExecLocation = %s", szExecLocation);
  return szExecLocation[0] != '\0';
}

bool BuildServicePath(const char* location, char (&path)[kPathBytes]) {
  memset(path, 0, sizeof path);
  const size_t directory = strnlen(location, kPathBytes);
  // An empty location would let the shell search its own path for the name.
  if (directory == 0 || directory + sizeof kServiceExe > sizeof path) return false;
  memcpy(path, location, directory);
  memcpy(path + directory, kServiceExe, sizeof kServiceExe);
  return true;
}

}  // namespace tandrel
