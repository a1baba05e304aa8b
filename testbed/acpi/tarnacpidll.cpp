// "TARNACPIDLL32.dll": the notebook maker's ACPI access library as the service
// binds it. Opening the device is real (the testbed driver); method results
// come from knobs, since the testbed has no firmware to evaluate them.
#include <windows.h>

#include "journal.h"
#include "tarnacpi_ioctl.h"

namespace {

constexpr char kComponent[] = "acpi";

// The four ASCII letters of a method, lowest byte first, e.g. "SFUN".
struct MethodName {
  char text[5];
  explicit MethodName(DWORD method) {
    for (int i = 0; i < 4; ++i) {
      char c = char((method >> (8 * i)) & 0xFF);
      text[i] = (c >= 0x21 && c <= 0x7E) ? c : '?';
    }
    text[4] = '\0';
  }
};

// Method calls under way in this process. Nothing makes the library safe for two
// callers at once, so a call that comes in while another is inside is journalled.
volatile LONG g_callsInside = 0;

// One method call from entry to return. MethodDelayMs holds it open, and journals
// that it is inside, so a test can send another thread's call into it.
class MethodCall {
 public:
  explicit MethodCall(const MethodName& name) {
    if (InterlockedIncrement(&g_callsInside) > 1)
      testbed::Journal(kComponent, "Overlap(%s)", name.text);
    const DWORD ms = testbed::KnobDword(kComponent, "MethodDelayMs", 0);
    if (ms == 0) return;
    testbed::Journal(kComponent, "Inside(%s)", name.text);
    Sleep(ms);
  }
  ~MethodCall() { InterlockedDecrement(&g_callsInside); }
  MethodCall(const MethodCall&) = delete;
  MethodCall& operator=(const MethodCall&) = delete;
};

bool MethodFails(const MethodName& name) {
  char knob[16];
  wsprintfA(knob, "%sFail", name.text);
  return testbed::KnobDword(kComponent, knob, 0) != 0;
}

// Writes the method's knob to *result if it is set; otherwise the caller's
// preset stands, as it would when firmware leaves the buffer alone.
void ApplyResult(const MethodName& name, DWORD* result, char (&note)[32]) {
  if (result != nullptr && testbed::KnobExists(kComponent, name.text)) {
    *result = testbed::KnobDword(kComponent, name.text, 0);
    wsprintfA(note, "result=0x%08lX", *result);
  } else {
    lstrcpyA(note, "result=unchanged");
  }
}

}  // namespace

extern "C" {

// The handle goes to the caller, which keeps it for the life of the process:
// the real library never closes it either.
int __cdecl ACPI_LoadDriver(HANDLE* device) {
  if (testbed::KnobDword(kComponent, "LoadDriver", 1) == 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    testbed::Journal(kComponent, "ACPI_LoadDriver() = 0 forced");
    return 0;
  }
  HANDLE handle =
      CreateFileW(TARN_ACPI_USER_PATH, GENERIC_READ | GENERIC_WRITE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    testbed::Journal(kComponent, "ACPI_LoadDriver() = 0 error=%lu", GetLastError());
    return 0;
  }
  if (device != nullptr) *device = handle;
  testbed::Journal(kComponent, "ACPI_LoadDriver() = 1");
  return 1;
}

int __cdecl None_Method_Raw(DWORD method, DWORD* result, void* scratch) {
  (void)scratch;  // the caller's buffer; nothing here needs it
  const MethodName name(method);
  const MethodCall call(name);
  if (MethodFails(name)) {
    testbed::Journal(kComponent, "None_Method_Raw(%s) = 0", name.text);
    return 0;
  }
  char note[32];
  ApplyResult(name, result, note);
  testbed::Journal(kComponent, "None_Method_Raw(%s) = 1 %s", name.text, note);
  return 1;
}

int __cdecl One_Method_Raw(DWORD method, DWORD arg, void* s1, void* s2, void* s3) {
  (void)s1;
  (void)s2;
  (void)s3;
  const MethodName name(method);
  const MethodCall call(name);
  const int ok = MethodFails(name) ? 0 : 1;
  testbed::Journal(kComponent, "One_Method_Raw(%s, %lu) = %d", name.text, arg, ok);
  return ok;
}

int __cdecl Multi_Method_Raw(DWORD method, DWORD argCount, const DWORD* args, DWORD* result,
                             void* scratch) {
  (void)args;  // never dereferenced: no caller is known to pass a valid array
  (void)scratch;
  const MethodName name(method);
  const MethodCall call(name);
  if (MethodFails(name)) {
    testbed::Journal(kComponent, "Multi_Method_Raw(%s, %lu) = 0", name.text, argCount);
    return 0;
  }
  char note[32];
  ApplyResult(name, result, note);
  testbed::Journal(kComponent, "Multi_Method_Raw(%s, %lu) = 1 %s", name.text, argCount, note);
  return 1;
}

}  // extern "C"
