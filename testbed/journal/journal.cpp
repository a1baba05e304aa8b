#include "journal.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace testbed {
namespace {

std::string KnobKey(const char* component) {
  return std::string("Software\\Testbed\\") + component;
}

bool ReadKnob(const char* component, const char* name, DWORD* type, std::vector<BYTE>* data) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, KnobKey(component).c_str(), 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return false;
  DWORD size = 0;
  LONG rc = RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
  if (rc == ERROR_SUCCESS) {
    data->assign(size + 2, 0);
    rc = RegQueryValueExA(key, name, nullptr, type, data->data(), &size);
  }
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

}  // namespace

void Journal(const char* component, const char* format, ...) {
  // Journal writes must not disturb the caller's error state: products log
  // GetLastError() after calling into a stand-in.
  const DWORD savedError = GetLastError();
  char path[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("TESTBED_JOURNAL", path, sizeof path);
  if (n == 0 || n >= sizeof path) {
    SetLastError(savedError);
    return;
  }
  char call[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(call, sizeof call, format, args);
  va_end(args);

  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULONGLONG micros = ((ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10;
  char line[1200];
  int len = snprintf(line, sizeof line, "%llu %lu %s %s\r\n", micros, GetCurrentProcessId(),
                     component, call);
  if (len < 0) len = 0;
  if (len >= int(sizeof line)) len = sizeof line - 1;

  HANDLE file =
      CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(file, line, DWORD(len), &written, nullptr);
    CloseHandle(file);
  }
  SetLastError(savedError);
}

DWORD KnobDword(const char* component, const char* name, DWORD fallback) {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!ReadKnob(component, name, &type, &data) || type != REG_DWORD || data.size() < 4)
    return fallback;
  DWORD value;
  memcpy(&value, data.data(), 4);
  return value;
}

std::string KnobString(const char* component, const char* name, const char* fallback) {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!ReadKnob(component, name, &type, &data) || (type != REG_SZ && type != REG_EXPAND_SZ))
    return fallback;
  return std::string(reinterpret_cast<const char*>(data.data()));
}

bool KnobExists(const char* component, const char* name) {
  DWORD type = 0;
  std::vector<BYTE> data;
  return ReadKnob(component, name, &type, &data);
}

void SetKnobDword(const char* component, const char* name, DWORD value) {
  const DWORD savedError = GetLastError();
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, KnobKey(component).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
  }
  SetLastError(savedError);
}

std::string HexBytes(const void* data, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  const BYTE* bytes = static_cast<const BYTE*>(data);
  for (size_t i = 0; i < size; ++i) {
    if (i) out += ' ';
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

void StayLoaded(HINSTANCE instance) {
  HMODULE pinned = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(instance), &pinned);
}

}  // namespace testbed
