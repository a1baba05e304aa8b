// The real Fennic.dll loaded into this process: its one export by name and by
// ordinal, and the vendor object's life from load to unload.
#include <gtest/gtest.h>

#include <string>

#include "contract.h"
#include "entry.h"
#include "handles.h"
#include "notebook_fixture.h"
#include "journal.h"

namespace {

using testkit::CountCalls;

class FennicDll : public testkit::FreshNotebook {
 protected:
  static std::wstring Path() { return testkit::BinDir() + L"\\Fennic.dll"; }
};

TEST_F(FennicDll, ExportsTouchPadCtrlByNameAsOrdinalOne) {
  suite::UniqueModule fennic(LoadLibraryW(Path().c_str()));
  ASSERT_TRUE(fennic) << GetLastError();
  FARPROC byName = GetProcAddress(fennic.get(), "TouchPadCtrl");
  ASSERT_NE(nullptr, byName);
  EXPECT_EQ(byName, GetProcAddress(fennic.get(), MAKEINTRESOURCEA(1)));
}

TEST_F(FennicDll, OneVendorObjectLivesFromLoadToUnload) {
  testkit::SetKnob("FspLib", "PadState", 1);
  {
    suite::UniqueModule fennic(LoadLibraryW(Path().c_str()));
    ASSERT_TRUE(fennic) << GetLastError();
    auto calls = testkit::JournalCalls("FspLib");
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(0u, calls[0].find("FspLib CFspDrvComm()"));

    auto touchPadCtrl = suite::GetEntry<PFN_TouchPadCtrl>(fennic.get(), "TouchPadCtrl");
    ASSERT_NE(nullptr, touchPadCtrl);
    EXPECT_EQ(kTouchPadTurnedOff, touchPadCtrl(1));
    EXPECT_EQ(kTouchPadTurnedOn, touchPadCtrl(1));
    EXPECT_EQ(1u, testbed::KnobDword("FspLib", "PadState", 0xdead));
  }
  const auto calls = testkit::JournalCalls("FspLib");
  EXPECT_EQ(1, CountCalls(calls, "FspLib CFspDrvComm()"));
  EXPECT_EQ(1, CountCalls(calls, "~CFspDrvComm() [open 0]"));
  EXPECT_EQ(0u, calls.back().find("FspLib ~CFspDrvComm()"));
  EXPECT_EQ(2, CountCalls(calls, "SetDeviceConfig() = 1"));
}

}  // namespace
