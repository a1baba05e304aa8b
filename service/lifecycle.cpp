#include "lifecycle.h"

#include "acpi.h"
#include "binding.h"
#include "debuglog.h"
#include "handles.h"
#include "hotkey.h"
#include "netscan.h"
#include "osd.h"
#include "xres.h"

using suite::DebugLogW;

volatile int g_iOSGeneration = kOsOther;
volatile int g_iWlanVendor = kWlanVendorNone;

namespace {

// The notify event "MERA EVENT"; the hotkey thread gets the address it is kept at.
suite::UniqueHandle g_hNotifyEvent;

// How long teardown waits for the hotkey thread to finish the key it handles,
// and for a display cycle to end.
constexpr DWORD kHotkeyStopTimeoutMs = 10000;
constexpr DWORD kOsdStopTimeoutMs = 5000;

// ACPI access library, driver, notify event and hotkey thread. The three message
// boxes are the only things a user ever sees of the service.
void ConnectAcpiDriver(HWND dialog) {
  // The box comes before the entries are looked up (and their failure logged).
  if (!LoadAcpiLibrary()) MessageBoxW(dialog, L"Load ACPIDriverDLL Error", L"Hotkey", MB_OK);
  BindAcpiEntries();

  bool driverOpen = false;
  if (AcpiHasLoadDriver()) {
    driverOpen = AcpiLoadDriver();
    if (!driverOpen) MessageBoxW(dialog, L"Load ACPIDriver Error", L"Hotkey", MB_OK);
  }
  if (driverOpen) AcpiControl(IOCTL_TARN_ACPI_HELLO, nullptr, 0, nullptr, 0, nullptr);

  // An event of that name that exists already is used as it is: the driver may
  // still hold the one a service that crashed had made. If another process made
  // it instead, the hotkey thread's pause after a failed read bounds the harm.
  g_hNotifyEvent.reset(CreateEventW(nullptr, FALSE, FALSE, L"MERA EVENT"));
  if (!g_hNotifyEvent)
    MessageBoxW(dialog, L"[Hotkey]Can't create Event object for ACPI driver", L"Torvan",
                MB_OK | MB_ICONEXCLAMATION);

  // A hotkey loop without its event or driver would spin on failures.
  if (driverOpen && g_hNotifyEvent && StartHotkeyThread(g_hNotifyEvent.addressof())) {
    HANDLE event = g_hNotifyEvent.get();
    DWORD unused = 0;
    AcpiControl(IOCTL_TARN_ACPI_SET_EVENT, &event, sizeof event, &unused, sizeof unused, nullptr);
  }
}

// The SFUN WLAN bit: bit 11 of the method's result; a call that writes nothing
// leaves the all-ones preset, which allows the WLAN library.
int ReadSfunWlanBit() {
  AcpiOneMethod(AcpiMethodName("INIT"), 0);
  DWORD sfun = 0xFFFFFFFF;
  AcpiNoneMethod(AcpiMethodName("SFUN"), &sfun);
  const int bit = (sfun >> 11) & 1;
  DebugLogW(L"[Vexil][OnInitDlg]pNoneMethodRaw(SFUN) : %d", bit);
  return bit;
}

// Windows version, adapter scan, and the WLAN and power libraries for them.
void BindPlatformLibraries(int sfunWlanBit) {
  OSVERSIONINFOEXW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  static_assert(sizeof version == 284, "the extended version record Windows fills");
  if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) {
    DebugLogW(L"[Vexil][OnInitDlg]GetVersionEx() Error : %d", GetLastError());
    return;
  }
  if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return;

  const int vendor = ScanWlanVendor();
  g_iWlanVendor = vendor;

  const int generation = OsGenerationFromVersion(version.dwMajorVersion, version.dwMinorVersion);
  if (generation == kOsOther) return;
  g_iOSGeneration = generation;

  if (generation == kOsXP) {
    if (sfunWlanBit && XpWlanLibrary(vendor)) BindXpWlanLibrary(vendor, generation);
    return;  // no power library on XP
  }
  if (sfunWlanBit) BindRessin(generation);
  BindPowerLibrary();
}

}  // namespace

int OsGenerationFromVersion(DWORD major, DWORD minor) {
  if (major == 5 && minor == 1) return kOsXP;
  if (major == 6 && minor == 0) return kOsVista;
  if (major == 6 && minor == 1) return kOsSeven;
  return kOsOther;
}

void InitialiseService(HWND dialog) {
  BindKeyboardHook();
  LoadImageLibrary();
  BindDisplayLibrary();
  BindTouchpadLibraries();
  CreateOSDWindow();
  ConnectAcpiDriver(dialog);
  const int sfunWlanBit = ReadSfunWlanBit();
  BindPlatformLibraries(sfunWlanBit);
}

void TearDownService() {
  // Nothing the hotkey thread may be using goes before the thread has ended. If it
  // is stuck inside a library call, the libraries it calls stay loaded until the
  // process exits rather than being pulled from under it.
  const bool hotkeyStopped = StopHotkeyThread(kHotkeyStopTimeoutMs);
  if (!hotkeyStopped) KeepLibrariesOfStuckHotkeyThread();
  UnbindKeyboardHook();
  UnbindTouchpadLibraries();

  // A display cycle that would not end keeps what it draws with until exit, past
  // the exit-time destructors too. No new cycle starts once the OSD is stopping.
  if (StopOSD(kOsdStopTimeoutMs)) {
    ReleaseOSDHolders();
    ReleaseOSDSurface();
    FreeImageLibrary();
    ShutdownGdiplus();
  } else {
    KeepOSD();
    KeepImageLibrary();
  }
  DestroyOSDWindow();

  // Ressin's state and the event belong to a stuck hotkey thread as much as the
  // libraries it calls: they stay until exit.
  UnbindWlanLibrary(hotkeyStopped);
  UnbindPowerLibrary();

  if (hotkeyStopped)
    g_hNotifyEvent.reset();
  else
    g_hNotifyEvent.release();
  CloseHotkeyThreadHandle();
}
