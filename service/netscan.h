// Which wireless chip vendor the notebook has, from its network adapters.
#pragma once

#include <windows.h>

#include "contract.h"

// Vendor named by one hardware ID ("PCI\VEN_8086..." or "PCI\VEN_168C...",
// case-sensitive), or none.
int WlanVendorFromHardwareId(const wchar_t* hardwareId);

// Walks the present "Net" class devices; the first adapter of either vendor wins.
int ScanWlanVendor();
