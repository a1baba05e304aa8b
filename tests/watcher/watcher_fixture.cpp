#include "watcher_fixture.h"

#include "handles.h"

namespace watcher {

DWORD WaitForServiceWindow(DWORD notPid, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  do {
    HWND hwnd = FindWindowW(L"Torvan", L"Torvan");
    if (hwnd && WindowProcess(hwnd) != notPid) return WindowProcess(hwnd);
    Sleep(20);
  } while (GetTickCount() - start < timeoutMs);
  return 0;
}

void WatcherTest::SetUp() {
  testkit::KillProcesses(L"Tandrel.exe");
  testkit::KillProcesses(L"Torvan.exe");
  testkit::ClearKnobs();
  testkit::ResetJournal();
  ASSERT_TRUE(testbed::ResetDriver()) << "the ACPI driver stand-in is not running";
}

void WatcherTest::TearDown() {
  watcher_.Kill();
  testkit::KillProcesses(L"Tandrel.exe");
  testkit::KillProcesses(L"Torvan.exe");
}

void WatcherTest::InstallWatcherAndService() {
  testkit::InstallApp({L"Tandrel.exe", L"Torvan.exe", L"testbed\\TARNACPIDLL32.dll"});
}

HWND WatcherTest::StartWatcher(const std::wstring& workingDirectory) {
  watcher_ = testkit::StartProgram(testkit::AppPath(L"Tandrel.exe"), L"", workingDirectory);
  EXPECT_TRUE(watcher_.Started());
  window_ = testkit::WaitForWindow(L"TANDREL", L"Tandrel", 10000);
  EXPECT_NE(nullptr, window_) << "no Tandrel window";
  return window_;
}

DWORD WatcherTest::StartWatcherAndService() {
  if (!StartWatcher()) return 0;
  const DWORD service = WaitForServiceWindow(0, 15000);
  EXPECT_NE(0u, service) << "the watcher did not start the service";
  return service;
}

void WatcherTest::PostSessionChange(WPARAM code) {
  ASSERT_TRUE(PostMessageW(window_, kSessionChange, code, 0));
}

bool WatcherTest::PostSessionChangeThatEnds(WPARAM code, DWORD pid) {
  suite::UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
  PostSessionChange(code);
  return process && WaitForSingleObject(process.get(), 10000) == WAIT_OBJECT_0;
}

HWND WatcherTest::OpenAbout() {
  EXPECT_TRUE(PostMessageW(window_, WM_COMMAND, kAboutCommand, 0));
  HWND about = testkit::WaitForDialog(L"About", watcher_.Id(), 15000);
  EXPECT_NE(nullptr, about) << "no About box";
  // The box exists before its controls do; it is shown once they all are.
  EXPECT_TRUE(about && testkit::WaitUntil([&] { return IsWindowVisible(about) != FALSE; }, 15000))
      << "the About box was never shown";
  return about;
}

void WatcherTest::CloseAbout(HWND about, WPARAM command) {
  PostMessageW(about, WM_COMMAND, command, 0);
  EXPECT_TRUE(testkit::WaitUntil([&] { return !IsWindow(about); }, 15000))
      << "the About box stayed open";
}

void WatcherTest::WaitUntilHandled() {
  if (HWND about = OpenAbout()) CloseAbout(about);
}

}  // namespace watcher
