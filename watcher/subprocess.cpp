// Starting and ending the hotkey service by its executable name.
#include "tandrel.h"

#include <shellapi.h>

#include "debuglog.h"

// The watcher is an ANSI program; under these names kernel32 exports the ANSI
// Toolhelp walk, which tlhelp32.h otherwise maps to the wide one.
#undef Process32First
#undef Process32Next

namespace tandrel {

namespace {

constexpr DWORD kAfterOpenMs = 50;
constexpr DWORD kSettleMs = 500;
// The restart right after a terminate is refused by the service's own guard
// while the old process still holds "Torvan_Mutex".
constexpr DWORD kExitWaitMs = 5000;

// Ends one process. Open, exit-code query and termination are each logged and
// each runs whatever the one before gave, as none of them is retried.
void TerminateService(DWORD processId) {
  // No query right: GetExitCodeProcess then fails and the process ends with
  // exit code 0 rather than STILL_ACTIVE, which would read as "still running".
  suite::UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
  if (process)
    suite::DebugLogA("[TDL][SubProcess_Terminate] OpenProcess(%s) Succeed", kServiceExe);
  else
    suite::DebugLogA("[TDL][SubProcess_Terminate] OpenProcess(%d) Error= %d", 0, GetLastError());

  Sleep(kAfterOpenMs);

  DWORD exitCode = 0;
  if (GetExitCodeProcess(process.get(), &exitCode)) {
    suite::DebugLogA("[TDL][SubProcess_Terminate] GetExitCodeProcess(%s) Succeed", kServiceExe);
  } else {
    suite::DebugLogA("[TDL][SubProcess_Terminate] GetExitCodeProcess(%d) Error= %d", 0,
                     GetLastError());
  }

  if (TerminateProcess(process.get(), exitCode)) {
    suite::DebugLogA("[TDL][SubProcess_Terminate]TerminateProcess(%s) Succeed", kServiceExe);
    WaitForSingleObject(process.get(), kExitWaitMs);
  } else {
    suite::DebugLogA("[TDL][ubProcess_Terminate] TerminateProcess[%d] Error= %d", 0,
                     GetLastError());
  }
}

}  // namespace

bool IsServiceOfSession(const ProcessEntryA& entry, DWORD sessionId) {
  if (lstrcmpA(entry.szExeFile, kServiceExe) != 0) return false;
  DWORD processSession = 0;
  return ProcessIdToSessionId(entry.th32ProcessID, &processSession) && processSession == sessionId;
}

void SubProcess_Restart() {
  suite::DebugLogA("[TDL][SubProcess_Restart]SubProcess_Restart again");
  if (!BuildServicePath(szExecLocation, szExePath)) {
    suite::DebugLogLongA("[TDL][SubProcess_Restart]szExePath unknown, szExecLocation = %s",
                         szExecLocation);
    return;
  }
  suite::DebugLogLongA("[TDL][SubProcess_Restart]szExePath = %s", szExePath);
  ShellExecuteA(nullptr, "open", szExePath, "", "", SW_HIDE);
  Sleep(kSettleMs);
}

namespace {

// With fast user switching the first "Torvan.exe" in the snapshot may be
// another user's, which this watcher cannot end and must not: only the first
// one of the watcher's own session is acted on.
void TerminateServiceOfOwnSession() {
  // Without its own session the watcher cannot tell its service from another
  // user's: it ends nothing rather than guess.
  DWORD ownSession = 0;
  if (!ProcessIdToSessionId(GetCurrentProcessId(), &ownSession)) {
    suite::DebugLogA("[TDL][SubProcess_Terminate] ProcessIdToSessionId Error= %d", GetLastError());
    return;
  }
  suite::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) {
    suite::DebugLogA("[TDL][SubProcess_Terminate] CreateToolhelp32Snapshot Error= %d",
                     GetLastError());
    return;
  }
  ProcessEntryA entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    if (!IsServiceOfSession(entry, ownSession)) continue;
    TerminateService(entry.th32ProcessID);
    return;
  }
}

}  // namespace

void SubProcess_Terminate() {
  suite::DebugLogA("[TDL][ubProcess_Terminate]");
  TerminateServiceOfOwnSession();
  // Whether or not a service was found or could be told apart: a restart right
  // after relies on the wait.
  Sleep(kSettleMs);
}

}  // namespace tandrel
