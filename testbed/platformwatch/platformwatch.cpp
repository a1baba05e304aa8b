// The keyboard-hook library of the notebook, journal-only like the plain stand-in,
// that also reroutes some of the service's imports through itself. Each rerouted
// call goes on to the real function and is journalled under "Platform" with its
// arguments and result, the caller's last error kept as the real function left it.
// It also serialises the display calls on which Wine deadlocks (see g_displayCalls).
#include <windows.h>

#include "handles.h"
#include "journal.h"

namespace {

const char kComponent[] = "Platform";

using LoadLibraryWFn = HMODULE(WINAPI*)(LPCWSTR);
using AdjustTokenPrivilegesFn = BOOL(WINAPI*)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD,
                                              PTOKEN_PRIVILEGES, PDWORD);
using SetSystemPowerStateFn = BOOL(WINAPI*)(BOOL, BOOL);
using ShowWindowFn = BOOL(WINAPI*)(HWND, int);
using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
using GetVersionExWFn = BOOL(WINAPI*)(OSVERSIONINFOW*);
using CoUninitializeFn = void(WINAPI*)();
using ShellExecuteWFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
using ChangeDisplaySettingsExWFn = LONG(WINAPI*)(LPCWSTR, DEVMODEW*, HWND, DWORD, LPVOID);
using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                            BLENDFUNCTION*, DWORD);

LoadLibraryWFn g_realLoadLibraryW;
AdjustTokenPrivilegesFn g_realAdjustTokenPrivileges;
SetSystemPowerStateFn g_realSetSystemPowerState;
ShowWindowFn g_realShowWindow;
CoInitializeExFn g_realCoInitializeEx;
GetVersionExWFn g_realGetVersionExW;
CoUninitializeFn g_realCoUninitialize;
ShellExecuteWFn g_realShellExecuteW;
ChangeDisplaySettingsExWFn g_realChangeDisplaySettingsExW;
UpdateLayeredWindowFn g_realUpdateLayeredWindow;

// Wine 8 deadlocks when one thread of a process applies a display mode while another
// updates a layered window or has one shown: win32u's display-device mutex and its
// user lock are taken in opposite orders on the two paths. Windows does not, and the
// service's hotkey thread and display thread meet there at every panel key. One lock
// around those calls keeps the display tests on the service's behaviour, not Wine's.
// Never deleted: the library stays loaded for the process's life.
suite::ProcessLock g_displayCalls;

std::string Narrow(const wchar_t* text) {
  char buffer[MAX_PATH] = "(null)";
  if (text) WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
  return buffer;
}

std::string PrivilegeName(LUID luid) {
  wchar_t name[64];
  DWORD length = 64;
  if (!LookupPrivilegeNameW(nullptr, &luid, name, &length)) return "unknown";
  return Narrow(name);
}

// Whether the process token has the shutdown privilege enabled right now.
const char* ShutdownPrivilegeState() {
  LUID shutdown;
  HANDLE token;
  if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &shutdown) ||
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
    return "unknown";
  BYTE buffer[4096];
  DWORD size = 0;
  const char* state = "absent";
  if (GetTokenInformation(token, TokenPrivileges, buffer, sizeof buffer, &size)) {
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer);
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
      const LUID_AND_ATTRIBUTES& p = privileges->Privileges[i];
      if (p.Luid.LowPart == shutdown.LowPart && p.Luid.HighPart == shutdown.HighPart)
        state = (p.Attributes & SE_PRIVILEGE_ENABLED) ? "enabled" : "disabled";
    }
  }
  CloseHandle(token);
  return state;
}

HMODULE WINAPI WatchLoadLibraryW(LPCWSTR name) {
  HMODULE module = g_realLoadLibraryW(name);
  const DWORD error = GetLastError();
  if (module)
    testbed::Journal(kComponent, "LoadLibraryW(%s) = loaded", Narrow(name).c_str());
  else
    testbed::Journal(kComponent, "LoadLibraryW(%s) = null, error %lu", Narrow(name).c_str(), error);
  SetLastError(error);
  return module;
}

BOOL WINAPI WatchAdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES state,
                                       DWORD length, PTOKEN_PRIVILEGES previous, PDWORD returned) {
  std::string asked;
  for (DWORD i = 0; state && i < state->PrivilegeCount; ++i) {
    char item[96];
    wsprintfA(item, "%s%s 0x%lx", i ? ", " : "", PrivilegeName(state->Privileges[i].Luid).c_str(),
              state->Privileges[i].Attributes);
    asked += item;
  }
  const BOOL ok = g_realAdjustTokenPrivileges(token, disableAll, state, length, previous, returned);
  const DWORD error = GetLastError();
  testbed::Journal(kComponent, "AdjustTokenPrivileges(%d, [%s], %lu, %s, %s) = %d error %lu",
                   disableAll, asked.c_str(), length, previous ? "buffer" : "null",
                   returned ? "length" : "null", ok, error);
  SetLastError(error);
  return ok;
}

BOOL WINAPI WatchSetSystemPowerState(BOOL suspend, BOOL force) {
  const char* privilege = ShutdownPrivilegeState();
  const BOOL ok = g_realSetSystemPowerState(suspend, force);
  const DWORD error = GetLastError();
  testbed::Journal(kComponent, "SetSystemPowerState(%d, %d) = %d, SeShutdownPrivilege %s", suspend,
                   force, ok, privilege);
  SetLastError(error);
  return ok;
}

// The window's own thread does the work while the caller waits.
BOOL ShowForAnotherThread(HWND hwnd, int command) {
  suite::ProcessLock::Hold serial(g_displayCalls);
  return g_realShowWindow(hwnd, command);
}

// Journalled only for the main window, whose class other programs look for.
BOOL WINAPI WatchShowWindow(HWND hwnd, int command) {
  const BOOL wasVisible = GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId()
                              ? ShowForAnotherThread(hwnd, command)
                              : g_realShowWindow(hwnd, command);
  const DWORD error = GetLastError();
  char cls[32] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  if (lstrcmpA(cls, "Torvan") == 0)
    testbed::Journal(kComponent, "ShowWindow(Torvan, %d) = %d", command, wasVisible);
  SetLastError(error);
  return wasVisible;
}

// The record size the caller announces decides how much Windows fills.
BOOL WINAPI WatchGetVersionExW(OSVERSIONINFOW* version) {
  const DWORD size = version ? version->dwOSVersionInfoSize : 0;
  const BOOL ok = g_realGetVersionExW(version);
  const DWORD error = GetLastError();
  testbed::Journal(kComponent, "GetVersionExW(%lu) = %d", size, ok);
  SetLastError(error);
  return ok;
}

HRESULT WINAPI WatchCoInitializeEx(LPVOID reserved, DWORD flags) {
  const HRESULT hr = g_realCoInitializeEx(reserved, flags);
  const DWORD error = GetLastError();
  testbed::Journal(kComponent, "CoInitializeEx(0x%lx) = 0x%lx", flags, static_cast<DWORD>(hr));
  SetLastError(error);
  return hr;
}

void WINAPI WatchCoUninitialize() {
  g_realCoUninitialize();
  const DWORD error = GetLastError();
  testbed::Journal(kComponent, "CoUninitialize()");
  SetLastError(error);
}

HINSTANCE WINAPI WatchShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                    LPCWSTR folder, INT show) {
  const HINSTANCE result = g_realShellExecuteW(owner, verb, file, parameters, folder, show);
  const DWORD error = GetLastError();
  testbed::Journal(kComponent, "ShellExecuteW(%s, %s)", Narrow(verb).c_str(), Narrow(file).c_str());
  SetLastError(error);
  return result;
}

LONG WINAPI SerialChangeDisplaySettingsExW(LPCWSTR device, DEVMODEW* mode, HWND hwnd, DWORD flags,
                                           LPVOID parameter) {
  suite::ProcessLock::Hold serial(g_displayCalls);
  return g_realChangeDisplaySettingsExW(device, mode, hwnd, flags, parameter);
}

BOOL WINAPI SerialUpdateLayeredWindow(HWND hwnd, HDC target, POINT* at, SIZE* size, HDC source,
                                      POINT* from, COLORREF key, BLENDFUNCTION* blend,
                                      DWORD flags) {
  suite::ProcessLock::Hold serial(g_displayCalls);
  return g_realUpdateLayeredWindow(hwnd, target, at, size, source, from, key, blend, flags);
}

// Points the program's import slot for dll!name at replacement; returns what the
// slot held, or null when the program does not import it.
void* Reroute(const char* dll, const char* name, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (!imports.VirtualAddress) return nullptr;
  for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       d->Name; ++d) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0 ||
        !d->OriginalFirstThunk)
      continue;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
      DWORD protection;
      if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                          &protection))
        return nullptr;
      void* original = reinterpret_cast<void*>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      return original;
    }
  }
  return nullptr;
}

template <typename Fn>
void Reroute(const char* dll, const char* name, Fn replacement, Fn* real) {
  *real = reinterpret_cast<Fn>(Reroute(dll, name, reinterpret_cast<void*>(replacement)));
  if (!*real) testbed::Journal(kComponent, "not watched: %s!%s", dll, name);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    testbed::Journal("QKBD", "DllMain(PROCESS_ATTACH)");
    // Never unloaded: when the service frees its hook library, another of its
    // threads may be inside a rerouted call, or about to enter one.
    testbed::StayLoaded(instance);
    Reroute("KERNEL32.dll", "LoadLibraryW", &WatchLoadLibraryW, &g_realLoadLibraryW);
    Reroute("ADVAPI32.dll", "AdjustTokenPrivileges", &WatchAdjustTokenPrivileges,
            &g_realAdjustTokenPrivileges);
    Reroute("KERNEL32.dll", "SetSystemPowerState", &WatchSetSystemPowerState,
            &g_realSetSystemPowerState);
    Reroute("USER32.dll", "ShowWindow", &WatchShowWindow, &g_realShowWindow);
    Reroute("KERNEL32.dll", "GetVersionExW", &WatchGetVersionExW, &g_realGetVersionExW);
    Reroute("ole32.dll", "CoInitializeEx", &WatchCoInitializeEx, &g_realCoInitializeEx);
    Reroute("ole32.dll", "CoUninitialize", &WatchCoUninitialize, &g_realCoUninitialize);
    Reroute("SHELL32.dll", "ShellExecuteW", &WatchShellExecuteW, &g_realShellExecuteW);
    Reroute("USER32.dll", "ChangeDisplaySettingsExW", &SerialChangeDisplaySettingsExW,
            &g_realChangeDisplaySettingsExW);
    Reroute("USER32.dll", "UpdateLayeredWindow", &SerialUpdateLayeredWindow,
            &g_realUpdateLayeredWindow);
  } else if (reason == DLL_PROCESS_DETACH) {
    testbed::Journal("QKBD", "DllMain(PROCESS_DETACH, %s)", reserved ? "exit" : "FreeLibrary");
  }
  return TRUE;
}

void __cdecl InitHook() { testbed::Journal("QKBD", "InitHook()"); }

void __cdecl UnHook() { testbed::Journal("QKBD", "UnHook()"); }

}  // extern "C"
