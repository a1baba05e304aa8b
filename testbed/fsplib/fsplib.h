// The pad vendor's class as the simulated notebook's "FspLib.dll" exports it. The
// vendor builds it with the platform's Microsoft-ABI compiler, and so does the
// testbed (clang for i686-pc-windows-msvc): its members are exported under
// Microsoft's decorated names and called __thiscall, whatever the host's compiler.
//
// The layout is the vendor's: the configuration word sits at byte 2092 and the
// pad state byte at byte 2106, and the object is larger than both, so a host
// that reserves too little storage has its neighbours overwritten by the
// constructor. Written without <windows.h>: the library needs no C runtime.
#pragma once

class __declspec(dllexport) CFspDrvComm {
 public:
  CFspDrvComm();
  ~CFspDrvComm();
  int OpenDevice();
  int IsDeviceReady();
  int GetDeviceConfig();
  int SetDeviceConfig();
  int CloseDevice();

  static constexpr unsigned kConfigWordOffset = 2092;
  static constexpr unsigned kPadStateOffset = 2106;
  static constexpr unsigned kObjectBytes = 2560;

 private:
  int m_bOpened;                                           // 0
  unsigned long m_dwRequests;                              // 4
  [[maybe_unused]] unsigned char m_abDriverScratch[2084];  // 8
  unsigned long m_dwConfigWord;                            // 2092
  [[maybe_unused]] unsigned char m_abConfig[10];           // 2096
  unsigned char m_bPadState;                               // 2106
  unsigned char m_abDriverContext[453];                    // 2107 .. 2559

  int Record(const char* call, int result) const;
  friend struct CFspDrvCommLayout;
};
