// Session notifications, posted the way Windows would send them: console
// disconnect ends the service, console connect restarts it, the rest changes
// no process.
#include "watcher_fixture.h"

namespace watcher {
namespace {

using Session = InstalledWatcherTest;

TEST_F(Session, ConsoleDisconnectEndsTheServiceAndStartsNothing) {
  const DWORD service = StartWatcherAndService();
  ASSERT_NE(0u, service);
  EXPECT_TRUE(PostSessionChangeThatEnds(kConsoleDisconnect, service));
  // A start would have made its process before the handler returned.
  WaitUntilHandled();
  EXPECT_TRUE(ProcessIds(L"Torvan.exe").empty());
  EXPECT_EQ(nullptr, FindWindowW(L"Torvan", L"Torvan"));
  EXPECT_FALSE(watcher_.WaitForExit(0));
}

TEST_F(Session, ConsoleConnectRestartsTheServiceWhichFindsItsMutexFree) {
  const DWORD service = StartWatcherAndService();
  ASSERT_NE(0u, service);
  EXPECT_TRUE(PostSessionChangeThatEnds(kConsoleConnect, service));
  // A restart refused by the old instance's mutex would leave no window.
  const DWORD restarted = WaitForServiceWindow(service, 15000);
  ASSERT_NE(0u, restarted);
  EXPECT_NE(service, restarted);
  WaitUntilHandled();
  EXPECT_EQ(std::vector<DWORD>{restarted}, ProcessIds(L"Torvan.exe"));
}

TEST_F(Session, ConnectWithoutARunningServiceStartsOne) {
  const DWORD service = StartWatcherAndService();
  ASSERT_NE(0u, service);
  PostSessionChange(kConsoleDisconnect);
  WaitUntilHandled();
  ASSERT_TRUE(ProcessIds(L"Torvan.exe").empty());

  PostSessionChange(kConsoleConnect);
  const DWORD restarted = WaitForServiceWindow(0, 15000);
  EXPECT_NE(0u, restarted);
  WaitUntilHandled();
  EXPECT_EQ(1u, ProcessIds(L"Torvan.exe").size());
}

TEST_F(Session, ATerminatedServiceEndsWithExitCodeZero) {
  const DWORD service = StartWatcherAndService();
  ASSERT_NE(0u, service);
  // The query right lets the test read the exit code; the watcher has none.
  HANDLE old = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, service);
  ASSERT_NE(nullptr, old);
  PostSessionChange(kConsoleDisconnect);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(old, 10000));
  DWORD code = STILL_ACTIVE;
  EXPECT_TRUE(GetExitCodeProcess(old, &code));
  EXPECT_EQ(0u, code);
  CloseHandle(old);
}

TEST_F(Session, LockUnlockAndOtherNotificationsChangeNoProcess) {
  const DWORD service = StartWatcherAndService();
  ASSERT_NE(0u, service);
  // Remote connect and disconnect, logon, logoff, remote control, and codes
  // no Windows sends.
  for (WPARAM code : {kSessionLock, kSessionUnlock, WPARAM(3), WPARAM(4), WPARAM(5), WPARAM(6),
                      WPARAM(9), WPARAM(0), WPARAM(10), WPARAM(0xFFFF)})
    PostSessionChange(code);
  WaitUntilHandled();
  EXPECT_EQ(std::vector<DWORD>{service}, ProcessIds(L"Torvan.exe"));
  EXPECT_EQ(service, WindowProcess(FindWindowW(L"Torvan", L"Torvan")));
  EXPECT_FALSE(watcher_.WaitForExit(0));
}

// Started first, so it comes first in the process list.
TEST_F(Session, AProcessNamedInLowerCaseIsNotTheService) {
  const std::wstring folder = L"C:\\testbed\\lower";
  const std::wstring lower = folder + L"\\torvan.exe";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW((testkit::BinDir() + L"\\" + kServiceProbe).c_str(), lower.c_str(), FALSE));
  testkit::Process impostor = testkit::StartProgram(lower);
  ASSERT_TRUE(testkit::WaitForJournal("ServiceProbe start", 10000));
  ASSERT_EQ(std::vector<DWORD>{impostor.Id()}, ProcessIds(L"torvan.exe"));

  const DWORD service = StartWatcherAndService();
  ASSERT_NE(0u, service);
  EXPECT_TRUE(PostSessionChangeThatEnds(kConsoleDisconnect, service))
      << "the real service must end";
  WaitUntilHandled();

  EXPECT_FALSE(impostor.WaitForExit(0)) << "\"torvan.exe\" was ended";
  impostor.Kill();
}

}  // namespace
}  // namespace watcher
