// Tandrel.exe, the session watcher: one hidden window that starts the hotkey
// service and ends or restarts it when its session loses or regains the console.
//
// Process-wide state, all of it touched by the window thread only.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include "handles.h"

namespace tandrel {

constexpr int kStringChars = 100;
constexpr int kPathBytes = 256;

extern HINSTANCE hInst;
extern char szTitle[kStringChars];
extern char szWindowClass[kStringChars];
// Null when another instance held the mutex when this one started.
extern suite::UniqueHandle hMutex;
// The watcher's own directory with its trailing backslash; empty when unknown.
extern char szExecLocation[kPathBytes];
extern char szExePath[kPathBytes];

extern const char kServiceExe[];

// The ANSI process entry whatever UNICODE says: the watcher is an ANSI program
// and compares the executable name with lstrcmpA.
using ProcessEntryA = tagPROCESSENTRY32;

// Start-up (WinMain's body); returns the program's exit code.
int TandrelMain(HINSTANCE instance);
ATOM RegisterWatcherClass(HINSTANCE instance);
BOOL InitInstance(HINSTANCE instance);

// Executable location. DirectoryFromModulePath works on a copy of a module path
// in a kPathBytes buffer; it leaves the directory with its trailing backslash,
// or an empty buffer when there is none.
void DirectoryFromModulePath(char (&buffer)[kPathBytes]);
bool GetExecuteLocation();
// Builds location + "Torvan.exe" into path; false (path empty) when the
// location is unknown or the result would not fit.
bool BuildServicePath(const char* location, char (&path)[kPathBytes]);

void SubProcess_Restart();
void SubProcess_Terminate();
// A process the watcher may end: named exactly "Torvan.exe" and running in
// the given session.
bool IsServiceOfSession(const ProcessEntryA& entry, DWORD sessionId);

LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK About(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tandrel
