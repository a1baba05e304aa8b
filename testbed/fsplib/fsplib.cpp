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

#include "journal_exports.h"

namespace {

const char kComponent[] = "FspLib";

bool Succeeds(const char* member) { return TestbedKnobDword(kComponent, member, 1) != 0; }

// Without a C runtime there is no memset, and the compiler would turn a plain
// loop back into a call to it.
void Fill(void* bytes, unsigned char value, unsigned count) {
  volatile unsigned char* out = static_cast<volatile unsigned char*>(bytes);
  for (unsigned i = 0; i < count; ++i) out[i] = value;
}

}  // namespace

// The compiler still asks for memcpy for its own copies.
extern "C" void* __cdecl memcpy(void* to, const void* from, unsigned count) {
  volatile unsigned char* out = static_cast<volatile unsigned char*>(to);
  const unsigned char* in = static_cast<const unsigned char*>(from);
  for (unsigned i = 0; i < count; ++i) out[i] = in[i];
  return to;
}

struct CFspDrvCommLayout {
  static_assert(__builtin_offsetof(CFspDrvComm, m_dwConfigWord) == CFspDrvComm::kConfigWordOffset);
  static_assert(__builtin_offsetof(CFspDrvComm, m_bPadState) == CFspDrvComm::kPadStateOffset);
  static_assert(sizeof(CFspDrvComm) == CFspDrvComm::kObjectBytes);
};

// What the loader calls in place of a C runtime's entry: nothing to set up.
extern "C" int __stdcall _DllMainCRTStartup(void*, unsigned long, void*) { return 1; }

CFspDrvComm::CFspDrvComm() {
  // The whole vendor object is initialised: this is what tramples a host's
  // neighbouring data when the host reserved less than the vendor's size.
  Fill(this, 0, sizeof *this);
  Fill(m_abDriverContext, 0xA5, sizeof m_abDriverContext);
  TestbedJournal(kComponent, "CFspDrvComm() [size %u]", unsigned(sizeof *this));
}

CFspDrvComm::~CFspDrvComm() {
  TestbedJournal(kComponent, "~CFspDrvComm() [open %d]", m_bOpened ? 1 : 0);
}

int CFspDrvComm::Record(const char* call, int result) const {
  TestbedJournal(kComponent, "%s() = %d [state %u, word 0x%lx]", call, result,
                 unsigned(m_bPadState), m_dwConfigWord);
  return result;
}

int CFspDrvComm::OpenDevice() {
  if (!Succeeds("OpenDevice")) return Record("OpenDevice", 0);
  m_bOpened = 1;
  ++m_dwRequests;
  return Record("OpenDevice", 1);
}

int CFspDrvComm::IsDeviceReady() {
  const bool ready = m_bOpened && TestbedKnobDword(kComponent, "DeviceReady", 1) != 0;
  return Record("IsDeviceReady", ready ? 1 : 0);
}

// A failed read leaves the object as it was: whatever an earlier request read
// is still there, stale.
int CFspDrvComm::GetDeviceConfig() {
  if (!m_bOpened || !Succeeds("GetDeviceConfig")) return Record("GetDeviceConfig", 0);
  m_bPadState = static_cast<unsigned char>(TestbedKnobDword(kComponent, "PadState", 1));
  m_dwConfigWord = TestbedKnobDword(kComponent, "ConfigWord", 1);
  return Record("GetDeviceConfig", 1);
}

int CFspDrvComm::SetDeviceConfig() {
  if (!m_bOpened || !Succeeds("SetDeviceConfig")) return Record("SetDeviceConfig", 0);
  TestbedSetKnobDword(kComponent, "PadState", m_bPadState);
  return Record("SetDeviceConfig", 1);
}

int CFspDrvComm::CloseDevice() {
  const bool wasOpen = m_bOpened;
  m_bOpened = 0;
  return Record("CloseDevice", wasOpen && Succeeds("CloseDevice") ? 1 : 0);
}
