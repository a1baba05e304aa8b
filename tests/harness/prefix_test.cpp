// The harness itself: each prefix clone must report the Windows version its tests
// are written for, and be headless-capable; a failed case leaves its evidence.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "debug_capture.h"
#include "notebook.h"

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
  } else if (want == "win7" || want == "win7x64") {
    EXPECT_EQ(6u, info.dwMajorVersion);
    EXPECT_EQ(1u, info.dwMinorVersion);
  } else {
    FAIL() << "unknown version " << want;
  }
}

// The suite is 32-bit: on a 64-bit Windows it runs under WoW64, and only there.
TEST(Prefix, RunsUnderWow64OnlyOnA64BitWindows) {
  BOOL wow64 = FALSE;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
  EXPECT_EQ(Expected() == "win7x64", wow64 != FALSE);
}

TEST(Prefix, CreatesTopLevelWindowsWithoutADisplay) {
  HWND hwnd = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, hwnd) << GetLastError();
  DestroyWindow(hwnd);
}

std::string ReadFile(const std::wstring& path) {
  std::ifstream in(testkit::Narrow(path), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Run again as a child, this case fails on purpose after writing a journal line
// and a debug line; the parent checks what the child's main kept of it.
TEST(Harness, AFailedCaseKeepsItsJournalAndDebugOutput) {
  if (std::getenv("SUITE_HARNESS_CHILD")) {
    std::ofstream(testkit::Narrow(std::wstring(_wgetenv(L"TESTBED_JOURNAL"))), std::ios::binary)
        << "1 2 probe Call() = 1\n";
    OutputDebugStringA("the child's debug line\n");
    ADD_FAILURE() << "on purpose";
    return;
  }
  wchar_t temp[MAX_PATH], program[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  const std::wstring kept = std::wstring(temp) + L"kept-" + std::to_wstring(GetCurrentProcessId());
  const std::wstring output = kept + L".out";
  // The child's main must own the session's debug output, as a test program does.
  debug_output::Release();
  testkit::Process child;
  {
    // What the child inherits; this program's own failures still go where wine-run said.
    const testkit::ScopedVariable isChild(L"SUITE_HARNESS_CHILD", L"1");
    const testkit::ScopedVariable failures(L"SUITE_FAILURE_DIR", kept.c_str());
    const testkit::ScopedVariable shown(L"SUITE_FAILURE_DIR_UNIX", nullptr);
    const testkit::ScopedVariable journal(L"TESTBED_JOURNAL", (kept + L".journal").c_str());
    const std::wstring command = L"cmd /c \"\"" + std::wstring(program) +
                                 L"\" --gtest_filter=Harness.* > \"" + output + L"\"\"";
    child = testkit::StartProgram(testkit::System32(L"cmd.exe"), command.substr(4));
  }
  ASSERT_TRUE(child.Started());
  ASSERT_TRUE(child.WaitForExit(60000));
  debug_output::Record();
  EXPECT_EQ(1u, child.ExitCode()) << "the child's case failed";

  const std::wstring folder = kept + L"\\Harness.AFailedCaseKeepsItsJournalAndDebugOutput";
  EXPECT_NE(std::string::npos, ReadFile(output).find("[   KEPT   ] the journal and debug output "
                                                     "of this failure: " +
                                                     testkit::Narrow(folder)))
      << ReadFile(output);
  EXPECT_EQ("1 2 probe Call() = 1\n", ReadFile(folder + L"\\journal.txt"));
  EXPECT_NE(std::string::npos, ReadFile(folder + L"\\debug.txt").find(" the child's debug line\n"))
      << ReadFile(folder + L"\\debug.txt");
}

}  // namespace
