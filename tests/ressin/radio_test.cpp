// The WLAN client and the radio switch: InitRessin, UnInitRessin, WLANOnOff
// against the WLAN API double.
#include <thread>

#include "ressin_fixture.h"

using namespace ressin_test;

namespace {

const char kA[] = "{5A1E0001-0000-4000-8000-00000000000A}";
const char kB[] = "{5A1E0001-0000-4000-8000-00000000000B}";
const char kC[] = "{5A1E0001-0000-4000-8000-00000000000C}";
const char kOnRecord[] = "4, 12, 00 00 00 00 01 00 00 00 01 00 00 00) = 0";
const char kOffRecord[] = "4, 12, 00 00 00 00 02 00 00 00 02 00 00 00) = 0";

class Radio : public RessinTest {
 protected:
  static std::string SetCall(const char* guid, const char* record) {
    return std::string("WlanSetInterface(") + guid + ", " + record;
  }
};

TEST_F(Radio, ExportsCarryTheirOrdinals) {
  HMODULE module = GetModuleHandleW(L"Ressin.dll");
  ASSERT_TRUE(module);
  const char* names[] = {"InitRessin", "UnInitRessin", "WLANOnOff"};
  for (int ordinal = 1; ordinal <= 3; ++ordinal)
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(ordinal)),
              GetProcAddress(module, names[ordinal - 1]))
        << names[ordinal - 1];
}

TEST_F(Radio, SwitchBeforeInitReturnsZeroAndCallsNothing) {
  EXPECT_EQ(0, ressin_.OnOff(1));
  EXPECT_EQ(0, ressin_.OnOff(0));
  EXPECT_EQ(0, ressin_.UnInit()) << "no client to close";
  EXPECT_TRUE(Calls("wlanapi").empty());
}

TEST_F(Radio, InitOpensVersionTwoAndRegistersForEverySourceWithTheDouble) {
  ASSERT_EQ(1, ressin_.Init(VersionCode()));
  const auto calls = Calls("wlanapi");
  ASSERT_EQ(2u, calls.size());
  EXPECT_EQ("wlanapi WlanOpenHandle(2) = 0", calls[0]);
  EXPECT_EQ("wlanapi WlanRegisterNotification(0xffff, 0) = 0", calls[1]);
  // Wine's own wlanapi would have reported success without the journal lines;
  // the marker proves the double is the one bound.
  EXPECT_TRUE(GetProcAddress(GetModuleHandleW(L"wlanapi.dll"), "TestbedWlanapiDouble"));
}

TEST_F(Radio, TwoInterfacesBothGetTheNewStateInListOrder) {
  SetStringKnob("wlanapi", "Interfaces", (std::string(kA) + ";" + kB).c_str());
  ASSERT_EQ(1, ressin_.Init(VersionCode()));

  testkit::ResetJournal();
  EXPECT_EQ(1, ressin_.OnOff(1));
  auto calls = Calls("wlanapi");
  ASSERT_EQ(4u, calls.size());
  EXPECT_EQ("wlanapi WlanEnumInterfaces() = 0, 2 interfaces", calls[0]);
  EXPECT_EQ("wlanapi " + SetCall(kA, kOnRecord), calls[1]);
  EXPECT_EQ("wlanapi " + SetCall(kB, kOnRecord), calls[2]);
  EXPECT_EQ("wlanapi WlanFreeMemory(list), 0 lists out", calls[3]);
  EXPECT_EQ(1u, KnobDword("wlanapi", (std::string("Radio") + kA).c_str(), 0));
  EXPECT_EQ(1u, KnobDword("wlanapi", (std::string("Radio") + kB).c_str(), 0));

  testkit::ResetJournal();
  EXPECT_EQ(1, ressin_.OnOff(0));
  calls = Calls("wlanapi");
  EXPECT_TRUE(Contains(calls, SetCall(kA, kOffRecord)));
  EXPECT_TRUE(Contains(calls, SetCall(kB, kOffRecord)));
  EXPECT_EQ(2u, KnobDword("wlanapi", (std::string("Radio") + kA).c_str(), 0));
  EXPECT_EQ(2u, KnobDword("wlanapi", (std::string("Radio") + kB).c_str(), 0));
}

TEST_F(Radio, FirstFailingInterfaceEndsTheRequestWithZero) {
  SetStringKnob("wlanapi", "Interfaces", (std::string(kA) + ";" + kB + ";" + kC).c_str());
  testkit::SetKnob("wlanapi", (std::string("WlanSetInterface") + kB).c_str(), ERROR_ACCESS_DENIED);
  ASSERT_EQ(1, ressin_.Init(VersionCode()));

  EXPECT_EQ(0, ressin_.OnOff(1));
  const auto calls = Calls("wlanapi");
  EXPECT_TRUE(Contains(calls, SetCall(kA, kOnRecord)));
  EXPECT_TRUE(Contains(calls, std::string("WlanSetInterface(") + kB +
                                  ", 4, 12, 00 00 00 00 01 "
                                  "00 00 00 01 00 00 00) = 5"));
  EXPECT_FALSE(Contains(calls, kC)) << "interfaces after the failing one are not tried";
  EXPECT_TRUE(Contains(calls, "WlanFreeMemory(list), 0 lists out"));
}

TEST_F(Radio, UnreadableInterfaceListSwitchesNothingAndReportsFailure) {
  testkit::SetKnob("wlanapi", "WlanEnumInterfaces", ERROR_NOT_ENOUGH_MEMORY);
  testkit::SetKnob("wlanapi", "EnumListOnFailure", 1);
  ASSERT_EQ(1, ressin_.Init(VersionCode()));

  EXPECT_EQ(0, ressin_.OnOff(1));
  const auto calls = Calls("wlanapi");
  EXPECT_TRUE(Contains(calls, "WlanEnumInterfaces() = 8"));
  EXPECT_FALSE(Contains(calls, "WlanSetInterface"));
  EXPECT_TRUE(Contains(calls, "WlanFreeMemory(list), 0 lists out"))
      << "a list handed out with the failure is freed";
}

TEST_F(Radio, NoInterfacesIsNothingToSwitch) {
  SetStringKnob("wlanapi", "Interfaces", "");
  ASSERT_EQ(1, ressin_.Init(VersionCode()));
  EXPECT_EQ(1, ressin_.OnOff(1));
  EXPECT_FALSE(Contains(Calls("wlanapi"), "WlanSetInterface"));
}

TEST_F(Radio, ValuesOtherThanOnAndOffChangeNothing) {
  ASSERT_EQ(1, ressin_.Init(VersionCode()));
  testkit::ResetJournal();
  for (int on : {2, -1, 256}) EXPECT_EQ(0, ressin_.OnOff(on)) << on;
  EXPECT_TRUE(Calls("wlanapi").empty());
}

TEST_F(Radio, UnInitClosesTheClientOnceAndReturnsItsStatus) {
  ASSERT_EQ(1, ressin_.Init(VersionCode()));
  testkit::SetKnob("wlanapi", "WlanCloseHandle", ERROR_INVALID_PARAMETER);
  EXPECT_EQ(int(ERROR_INVALID_PARAMETER), ressin_.UnInit());
  EXPECT_EQ(0, ressin_.UnInit()) << "the handle is forgotten";
  EXPECT_EQ(0, ressin_.OnOff(1));
  const auto calls = Calls("wlanapi");
  EXPECT_EQ(1, CountCalls(calls, "WlanCloseHandle"));
  EXPECT_FALSE(Contains(calls, "WlanEnumInterfaces"));
}

// The message box runs modally on the calling thread: the test finds it, reads
// it and dismisses it from here. The box must name the call that failed.
void ExpectInitFailsWithMessageBox(RessinLibrary& ressin, const std::wstring& call) {
  int result = -1;
  std::thread init([&] { result = ressin.Init(VersionCode()); });
  HWND box = testkit::WaitForDialog(L"Ressin.dll", GetCurrentProcessId(), 10000);
  std::wstring text = L"|";
  if (box) {
    for (const auto& t : testkit::ChildTexts(box)) text += t + L"|";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  init.join();
  EXPECT_EQ(0, result);
  ASSERT_NE(nullptr, box);
  EXPECT_NE(std::wstring::npos, text.find(L"|" + call + L"() Error|")) << testkit::Narrow(text);
}

TEST_F(Radio, OpenFailureShowsItsMessageBoxAndReturnsZero) {
  testkit::SetKnob("wlanapi", "WlanOpenHandle", ERROR_SERVICE_NOT_ACTIVE);
  ASSERT_NO_FATAL_FAILURE(ExpectInitFailsWithMessageBox(ressin_, L"WlanOpenHandle"));
  EXPECT_EQ(0, ressin_.OnOff(1));
  EXPECT_EQ(0, ressin_.UnInit());
  EXPECT_FALSE(Contains(Calls("wlanapi"), "WlanRegisterNotification"));
}

TEST_F(Radio, RegisterFailureShowsItsMessageBoxAndKeepsTheClientOpen) {
  testkit::SetKnob("wlanapi", "WlanRegisterNotification", ERROR_ACCESS_DENIED);
  ASSERT_NO_FATAL_FAILURE(ExpectInitFailsWithMessageBox(ressin_, L"WlanRegisterNotification"));
  EXPECT_FALSE(Contains(Calls("wlanapi"), "WlanCloseHandle"));
  EXPECT_EQ(0, ressin_.UnInit());
  EXPECT_EQ(1, CountCalls(Calls("wlanapi"), "WlanCloseHandle() = 0"));
}

}  // namespace
