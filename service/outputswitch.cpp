#include "outputswitch.h"

#include "binding.h"
#include "debuglog.h"

using suite::DebugLogAlwaysW;
using suite::DebugLogW;

volatile LONG g_iPanelWidth = 0;
volatile LONG g_iPanelHeight = 0;

namespace {

DISPLAY_DEVICEW DisplayDevice() {
  DISPLAY_DEVICEW device = {};
  device.cb = sizeof device;
  return device;
}

DEVMODEW RegistryMode() {
  DEVMODEW mode = {};
  mode.dmSize = sizeof mode;
  return mode;
}

}  // namespace

void SwitchToPanelOnly() {
  if (g_entries.pOnMonitorLayout) g_entries.pOnMonitorLayout(kLayoutPanelOnly);
  DISPLAY_DEVICEW device = DisplayDevice();
  for (DWORD index = 0; EnumDisplayDevicesW(nullptr, index, &device, 0); ++index) {
    DEVMODEW mode = RegistryMode();
    if (!EnumDisplaySettingsW(device.DeviceName, ENUM_REGISTRY_SETTINGS, &mode))
      DebugLogAlwaysW(L"[Vexil][HotkeyThread]LCD_Only : EnumDisplaySettings(%d,%s) Error : %d",
                      index, device.DeviceName, GetLastError());
    if (device.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) {
      mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
      mode.dmPelsWidth = DWORD(g_iPanelWidth);
      mode.dmPelsHeight = DWORD(g_iPanelHeight);
      DebugLogAlwaysW(
          L"[Vexil][HotkeyThread]LCD_Only : Num : %d; Name : %s; Width : %d, Height : %d\n", index,
          device.DeviceName, mode.dmPelsWidth, mode.dmPelsHeight);
      ChangeDisplaySettingsExW(device.DeviceName, &mode, nullptr, CDS_UPDATEREGISTRY | CDS_NORESET,
                               nullptr);
      ChangeDisplaySettingsExW(nullptr, nullptr, nullptr, 0, nullptr);
      return;
    }
    device = DisplayDevice();
  }
}

void SwitchToExternalOnly() {
  DISPLAY_DEVICEW device = DisplayDevice();
  for (DWORD index = 0; EnumDisplayDevicesW(nullptr, index, &device, 0); ++index) {
    DEVMODEW mode = RegistryMode();
    const bool read =
        EnumDisplaySettingsW(device.DeviceName, ENUM_REGISTRY_SETTINGS, &mode) != FALSE;
    if (!read)
      DebugLogW(L"[Vexil][WindowProc]EnumDisplaySettings(%d,%s) Error : %d", index,
                device.DeviceName, GetLastError());
    if (device.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) {
      // A failed read would make code 97 later apply a zero size: keep the last good one.
      if (read) {
        g_iPanelWidth = LONG(mode.dmPelsWidth);
        g_iPanelHeight = LONG(mode.dmPelsHeight);
      }
      DebugLogW(L"[Vexil][WindowProc]Num : %d; Name : %s; Width : %d, Height : %d\n", index,
                device.DeviceName, mode.dmPelsWidth, mode.dmPelsHeight);
      break;
    }
    device = DisplayDevice();
  }
  if (g_entries.pOnMonitorLayout) g_entries.pOnMonitorLayout(kLayoutExternalOnly);
}
