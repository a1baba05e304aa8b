// The service on Windows 7 loads the real Pallion.dll and binds its entry, but
// nothing it does calls into it: the power configuration stays untouched.
#include <windows.h>

#include "../service/service_fixture.h"
#include "power_fixture.h"

namespace power {
namespace {

class ServiceWithPallion : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Testbed\\Power");
    testkit::InstallApp({L"Torvan.exe", L"testbed\\TARNACPIDLL32.dll", L"Pallion.dll"});
  }
};

TEST_F(ServiceWithPallion, LoadsTheLibraryAndNeverSwitchesTheScheme) {
  HWND hwnd = StartService();
  ASSERT_NE(nullptr, hwnd);
  EXPECT_TRUE(testkit::HasModule(service_.Id(), L"Pallion.dll"));
  EXPECT_TRUE(testkit::HasModule(service_.Id(), L"powrprof.dll")) << "Pallion imports it";
  // Keys of every kind reach the hotkey thread; none of them switches schemes.
  std::vector<DWORD> codes;
  for (const char* key : {"volume-up", "mute", "notice-51", "wlan-toggle", "display-both",
                          "touchpad", "hibernate", "notice-125"}) {
    DWORD code = 0;
    ASSERT_TRUE(testbed::ParseKeyName(key, &code)) << key;
    codes.push_back(code);
  }
  PressAndWaitHandled(codes);
  CloseService(hwnd);
  EXPECT_TRUE(PowerCalls("", service_.Id()).empty()) << "SwitchNextScheme was called";
  EXPECT_EQ(3u, Schemes().size());
  EXPECT_TRUE(IsEqualGUID(kBalanced, ActiveScheme()));
}

}  // namespace
}  // namespace power
