// The pad vendor's class as the simulated notebook's "FspLib.dll" exports it.
//
// The layout is the vendor's: the configuration word sits at byte 2092 and the
// pad state byte at byte 2106, and the object is larger than both, so a host
// that reserves too little storage has its neighbours overwritten by the
// constructor.
#pragma once

#include <windows.h>

#ifdef FSPLIB_BUILD
#define FSPLIB_API __declspec(dllexport)
#else
#define FSPLIB_API __declspec(dllimport)
#endif

class FSPLIB_API CFspDrvComm {
 public:
  CFspDrvComm();
  ~CFspDrvComm();
  int OpenDevice();
  int IsDeviceReady();
  int GetDeviceConfig();
  int SetDeviceConfig();
  int CloseDevice();

  static constexpr size_t kConfigWordOffset = 2092;
  static constexpr size_t kPadStateOffset = 2106;
  static constexpr size_t kObjectBytes = 2560;

 private:
  int Record(const char* call, int result) const;

  BOOL m_bOpened;                // 0
  DWORD m_dwRequests;            // 4
  BYTE m_abDriverScratch[2084];  // 8
  DWORD m_dwConfigWord;          // 2092
  BYTE m_abConfig[10];           // 2096
  BYTE m_bPadState;              // 2106
  BYTE m_abDriverContext[453];   // 2107 .. 2559

  friend struct CFspDrvCommLayout;
};
