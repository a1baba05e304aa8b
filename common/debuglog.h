// The suite's one diagnostic-output helper.
//
// Every deliverable links its own copy, so each has its own switch. The switch
// starts off and nothing in the product turns it on; the lines that must reach a
// debugger whatever the switch says go through the *Always calls. A line is
// formatted into 256 characters, bounded, and only when it will be written.
#pragma once

#include <windows.h>
#include <shlwapi.h>

#include <cstdarg>

namespace suite {

constexpr int kDebugLineChars = 256;

// The debug-output switch of the binary this is linked into.
inline volatile bool g_bDebugOutput = false;

// Writing a line leaves the caller's last-error value as it was: a failure is
// often logged before the next line reports GetLastError() again.
inline void WriteDebugLineW(const wchar_t* format, va_list args) {
  const DWORD error = GetLastError();
  wchar_t line[kDebugLineChars];
  wvnsprintfW(line, kDebugLineChars, format, args);
  line[kDebugLineChars - 1] = L'\0';
  OutputDebugStringW(line);
  SetLastError(error);
}

template <int Chars = kDebugLineChars>
inline void WriteDebugLineA(const char* format, va_list args) {
  const DWORD error = GetLastError();
  char line[Chars];
  wvnsprintfA(line, Chars, format, args);
  line[Chars - 1] = '\0';
  OutputDebugStringA(line);
  SetLastError(error);
}

inline void DebugLogW(const wchar_t* format, ...) {
  if (!g_bDebugOutput) return;
  va_list args;
  va_start(args, format);
  WriteDebugLineW(format, args);
  va_end(args);
}

inline void DebugLogAlwaysW(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  WriteDebugLineW(format, args);
  va_end(args);
}

inline void DebugLogA(const char* format, ...) {
  if (!g_bDebugOutput) return;
  va_list args;
  va_start(args, format);
  WriteDebugLineA(format, args);
  va_end(args);
}

inline void DebugLogAlwaysA(const char* format, ...) {
  va_list args;
  va_start(args, format);
  WriteDebugLineA(format, args);
  va_end(args);
}

// A line that carries a full 256-byte path after its label is about 300
// characters: it gets a buffer that holds it whole.
constexpr int kLongDebugLineChars = 320;

inline void DebugLogLongA(const char* format, ...) {
  if (!g_bDebugOutput) return;
  va_list args;
  va_start(args, format);
  WriteDebugLineA<kLongDebugLineChars>(format, args);
  va_end(args);
}

}  // namespace suite
