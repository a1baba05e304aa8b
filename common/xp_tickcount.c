/* The static C++ runtime (exception allocation -> winpthread's mutex) imports
 * GetTickCount64, which Windows XP lacks; one missing import and the XP loader
 * refuses the whole binary. This object answers the runtime's import slot with a
 * GetTickCount-based counter instead, so binaries that must load on XP import only
 * what XP has. It must be linked as an object file: from an archive the linker
 * would take kernel32's import first. */
#include <windows.h>

static volatile LONG g_lastTick;
static volatile LONG g_wraps;

static ULONGLONG WINAPI TickCount64(void) {
  DWORD now = GetTickCount();
  DWORD before = (DWORD)InterlockedExchange(&g_lastTick, (LONG)now);
  /* GetTickCount wraps every 49.7 days; a jump back by more than half the range is a wrap. */
  if (now < before && before - now > 0x80000000u) InterlockedIncrement(&g_wraps);
  return ((ULONGLONG)(DWORD)g_wraps << 32) | now;
}

typedef ULONGLONG(WINAPI* TickCount64Function)(void);
TickCount64Function const xp_GetTickCount64_slot __asm__("__imp__GetTickCount64@0") = TickCount64;
