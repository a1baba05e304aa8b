#include "netscan.h"

#include <setupapi.h>

#include <cwchar>

#include "debuglog.h"
#include "handles.h"

using suite::DebugLogW;

namespace {

const wchar_t kIntelPrefix[] = L"PCI\\VEN_8086";
const wchar_t kAtherosPrefix[] = L"PCI\\VEN_168C";

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
  return wcsncmp(text, prefix, wcslen(prefix)) == 0;
}

struct DestroyDeviceInfoListFn {
  void operator()(HDEVINFO list) const { SetupDiDestroyDeviceInfoList(list); }
};
// SetupDiGetClassDevs reports failure as INVALID_HANDLE_VALUE.
using DeviceList = suite::UniqueAny<HDEVINFO, DestroyDeviceInfoListFn, suite::InvalidHandleValue>;

// The hardware IDs of one device in a zero-filled buffer with room for a
// terminator; null when the size query fails or gives less than one character.
suite::UniqueLocal ReadHardwareIds(HDEVINFO list, SP_DEVINFO_DATA* device) {
  DWORD size = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(list, device, SPDRP_HARDWAREID, nullptr, nullptr, 0,
                                         &size) &&
      GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return {};
  if (size < 2) return {};
  suite::UniqueLocal ids(LocalAlloc(LPTR, size + 2 * sizeof(wchar_t)));
  if (!ids || !SetupDiGetDeviceRegistryPropertyW(list, device, SPDRP_HARDWAREID, nullptr,
                                                 static_cast<BYTE*>(ids.get()), size, nullptr))
    return {};
  return ids;
}

}  // namespace

int WlanVendorFromHardwareId(const wchar_t* hardwareId) {
  if (!hardwareId) return kWlanVendorNone;
  if (StartsWith(hardwareId, kIntelPrefix)) return kWlanVendorIntel;
  if (StartsWith(hardwareId, kAtherosPrefix)) return kWlanVendorAtheros;
  return kWlanVendorNone;
}

int ScanWlanVendor() {
  GUID netClass;
  DWORD classCount = 0;
  if (!SetupDiClassGuidsFromNameW(L"Net", &netClass, 1, &classCount) || classCount < 1)
    return kWlanVendorNone;
  DeviceList devices(
      SetupDiGetClassDevsW(&netClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_PROFILE));
  if (!devices) return kWlanVendorNone;

  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices.get(), index, &device); ++index) {
    const suite::UniqueLocal buffer = ReadHardwareIds(devices.get(), &device);
    if (!buffer) continue;
    const wchar_t* ids = static_cast<const wchar_t*>(buffer.get());
    const int vendor = WlanVendorFromHardwareId(ids);
    if (vendor != kWlanVendorNone) {
      DebugLogW(L"[Vexil][OnInitDlg]WLAN HWID : %s", ids);
      return vendor;
    }
  }
  return kWlanVendorNone;
}
