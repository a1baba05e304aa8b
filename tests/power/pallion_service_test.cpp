// The service on Windows 7 loads the real Pallion.dll and binds its entry, but
// nothing it does calls into it: the power configuration stays untouched.
#include <windows.h>
#include <tlhelp32.h>

#include "../service/service_fixture.h"
#include "power_fixture.h"

namespace power {
namespace {

bool ProcessHasModule(DWORD pid, const wchar_t* module) {
  HANDLE raw = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  if (raw == INVALID_HANDLE_VALUE) return false;
  suite::UniqueHandle snapshot(raw);
  MODULEENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32FirstW(snapshot.get(), &entry); more;
       more = Module32NextW(snapshot.get(), &entry))
    if (lstrcmpiW(entry.szModule, module) == 0) return true;
  return false;
}

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
  EXPECT_TRUE(ProcessHasModule(service_.Id(), L"Pallion.dll"));
  EXPECT_TRUE(ProcessHasModule(service_.Id(), L"powrprof.dll")) << "Pallion imports it";
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
