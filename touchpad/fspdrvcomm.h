// The touchpad vendor's class CFspDrvComm, imported from FspLib.dll. The vendor
// builds it with a Microsoft-ABI compiler: fsplib.def maps each member as this
// compiler names it to the name FspLib.dll exports. Members are public,
// non-virtual, take no arguments and are called __thiscall on both sides.
//
// Fennic touches two fields of the vendor object by byte position; the rest of
// the vendor's layout is unknown and larger than those positions, so the
// storage declared here is generous: the vendor's constructor initialises its
// whole object in whatever storage the host provides.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr size_t kFspConfigWordOffset = 2092;  // 32-bit, 0x800 before every write
constexpr size_t kFspPadStateOffset = 2106;    // 8-bit pad state byte
constexpr size_t kFspObjectStorage = 8192;

class __declspec(dllimport) CFspDrvComm {
 public:
  CFspDrvComm();
  ~CFspDrvComm();
  int OpenDevice();
  int IsDeviceReady();
  int GetDeviceConfig();
  int SetDeviceConfig();
  int CloseDevice();

 private:
  alignas(8) BYTE m_abStorage[kFspObjectStorage];
};

static_assert(sizeof(CFspDrvComm) >= kFspPadStateOffset + 1 + 4096,
              "the vendor object must fit with room to spare");
