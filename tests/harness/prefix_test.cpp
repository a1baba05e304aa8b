// The harness itself: each prefix clone must report the Windows version its tests
// are written for, and be headless-capable.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

OSVERSIONINFOW Version() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  EXPECT_TRUE(GetVersionExW(&info));
  return info;
}

std::string Expected() {
  const char* v = std::getenv("SUITE_EXPECT_WINDOWS");
  return v ? v : "";
}

TEST(Prefix, ReportsTheWindowsVersionOfItsClone) {
  const OSVERSIONINFOW info = Version();
  const std::string want = Expected();
  ASSERT_FALSE(want.empty());
  EXPECT_EQ(DWORD(VER_PLATFORM_WIN32_NT), info.dwPlatformId);
  if (want == "winxp") {
    EXPECT_EQ(5u, info.dwMajorVersion);
    EXPECT_EQ(1u, info.dwMinorVersion);
  } else if (want == "winxp64") {
    EXPECT_EQ(5u, info.dwMajorVersion);
    EXPECT_EQ(2u, info.dwMinorVersion);
  } else if (want == "vista") {
    EXPECT_EQ(6u, info.dwMajorVersion);
    EXPECT_EQ(0u, info.dwMinorVersion);
  } else if (want == "win7") {
    EXPECT_EQ(6u, info.dwMajorVersion);
    EXPECT_EQ(1u, info.dwMinorVersion);
  } else {
    FAIL() << "unknown version " << want;
  }
}

TEST(Prefix, CreatesTopLevelWindowsWithoutADisplay) {
  HWND hwnd = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, hwnd) << GetLastError();
  DestroyWindow(hwnd);
}

}  // namespace
