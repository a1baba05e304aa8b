// Stand-in for the pad vendor's "FspLib.dll": the device is the knobs under
// HKCU\Software\Testbed\FspLib, read afresh at each call.
//   PadState      the state byte the driver holds (default 1, pad on);
//                 a successful SetDeviceConfig stores the object's byte here
//   ConfigWord    the word GetDeviceConfig leaves at byte 2092 (default 1)
//   DeviceReady   IsDeviceReady's answer once opened (default 1)
//   OpenDevice, GetDeviceConfig, SetDeviceConfig, CloseDevice
//                 0 makes that member fail (default 1)
// Every call is journaled with the object's state byte and word as they are
// when the call returns.
#include "fsplib.h"

#include <cstddef>
#include <cstring>

#include "journal.h"

namespace {

const char kComponent[] = "FspLib";

bool Succeeds(const char* member) { return testbed::KnobDword(kComponent, member, 1) != 0; }

}  // namespace

struct CFspDrvCommLayout {
  static_assert(offsetof(CFspDrvComm, m_dwConfigWord) == CFspDrvComm::kConfigWordOffset);
  static_assert(offsetof(CFspDrvComm, m_bPadState) == CFspDrvComm::kPadStateOffset);
  static_assert(sizeof(CFspDrvComm) == CFspDrvComm::kObjectBytes);
};

CFspDrvComm::CFspDrvComm() {
  // The whole vendor object is initialised: this is what tramples a host's
  // neighbouring data when the host reserved less than the vendor's size.
  memset(static_cast<void*>(this), 0, sizeof *this);
  memset(m_abDriverContext, 0xA5, sizeof m_abDriverContext);
  testbed::Journal(kComponent, "CFspDrvComm() [size %u]", unsigned(sizeof *this));
}

CFspDrvComm::~CFspDrvComm() {
  testbed::Journal(kComponent, "~CFspDrvComm() [open %d]", m_bOpened ? 1 : 0);
}

int CFspDrvComm::Record(const char* call, int result) const {
  testbed::Journal(kComponent, "%s() = %d [state %u, word 0x%lx]", call, result,
                   unsigned(m_bPadState), static_cast<unsigned long>(m_dwConfigWord));
  return result;
}

int CFspDrvComm::OpenDevice() {
  if (!Succeeds("OpenDevice")) return Record("OpenDevice", 0);
  m_bOpened = TRUE;
  ++m_dwRequests;
  return Record("OpenDevice", 1);
}

int CFspDrvComm::IsDeviceReady() {
  const bool ready = m_bOpened && testbed::KnobDword(kComponent, "DeviceReady", 1) != 0;
  return Record("IsDeviceReady", ready ? 1 : 0);
}

// A failed read leaves the object as it was: whatever an earlier request read
// is still there, stale.
int CFspDrvComm::GetDeviceConfig() {
  if (!m_bOpened || !Succeeds("GetDeviceConfig")) return Record("GetDeviceConfig", 0);
  m_bPadState = BYTE(testbed::KnobDword(kComponent, "PadState", 1));
  m_dwConfigWord = testbed::KnobDword(kComponent, "ConfigWord", 1);
  return Record("GetDeviceConfig", 1);
}

int CFspDrvComm::SetDeviceConfig() {
  if (!m_bOpened || !Succeeds("SetDeviceConfig")) return Record("SetDeviceConfig", 0);
  testbed::SetKnobDword(kComponent, "PadState", m_bPadState);
  return Record("SetDeviceConfig", 1);
}

int CFspDrvComm::CloseDevice() {
  const bool wasOpen = m_bOpened;
  m_bOpened = FALSE;
  return Record("CloseDevice", wasOpen && Succeeds("CloseDevice") ? 1 : 0);
}
