// The watcher's start: its hidden window, its mutex, the service it starts, and
// one watcher per session.
#include "handles.h"
#include "watcher_fixture.h"

namespace watcher {
namespace {

using Startup = InstalledWatcherTest;

TEST_F(Startup, MakesAHiddenToolWindowHoldsTheMutexAndStartsTheService) {
  const DWORD service = StartWatcherAndService();
  ASSERT_NE(0u, service);

  EXPECT_EQ(watcher_.Id(), WindowProcess(window_));
  EXPECT_FALSE(IsWindowVisible(window_));
  EXPECT_TRUE(GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  const LONG style = GetWindowLongW(window_, GWL_STYLE);
  EXPECT_EQ(LONG(WS_OVERLAPPEDWINDOW), style & LONG(WS_OVERLAPPEDWINDOW));
  EXPECT_TRUE(MutexExists());

  EXPECT_EQ(std::vector<DWORD>{service}, ProcessIds(L"Torvan.exe"));
  EXPECT_FALSE(watcher_.WaitForExit(0));
}

// Started from a folder any user may write to, as from a shortcut's "Start in":
// the service starts from the watcher's folder, and in it, as does anything it
// starts in turn.
TEST_F(Startup, StartsTheServiceHiddenFromAndInItsOwnFolder) {
  testkit::InstallApp({L"Tandrel.exe", kServiceProbe});
  CreateDirectoryW(L"C:\\planted", nullptr);
  ASSERT_NE(nullptr, StartWatcher(L"C:\\planted"));
  ASSERT_TRUE(testkit::WaitForJournal("ServiceProbe start", 10000));

  const auto calls = testkit::JournalCalls("ServiceProbe");
  ASSERT_EQ(1u, calls.size());
  const std::string expected =
      "ServiceProbe start(show=0, path=" + testkit::Narrow(testkit::AppPath(L"Torvan.exe")) +
      ", cwd=" + testkit::Narrow(testkit::AppDir()) + ")";
  EXPECT_STREQ(expected.c_str(), calls[0].c_str());  // SW_HIDE is 0
}

TEST_F(Startup, StartsTheServiceEvenWhenOneRunsAndItsGuardEndsTheCopy) {
  testkit::Process early = testkit::StartProgram(testkit::AppPath(L"Torvan.exe"));
  ASSERT_NE(0u, WaitForServiceWindow(0, 15000));
  testkit::ResetJournal();

  // The copy is short-lived: a job counts it however soon it ends. This
  // program, the watcher and the copy.
  suite::UniqueHandle jobObject(CreateJobObjectW(nullptr, nullptr));
  ASSERT_TRUE(AssignProcessToJobObject(jobObject.get(), GetCurrentProcess()));
  ASSERT_NE(nullptr, StartWatcher());
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION jobInfo = {};
  auto job = [&] {
    QueryInformationJobObject(jobObject.get(), JobObjectBasicAccountingInformation, &jobInfo,
                              sizeof jobInfo, nullptr);
    return jobInfo;
  };
  testkit::WaitUntil([&] { return job().TotalProcesses >= 3; }, 15000);
  EXPECT_EQ(3u, jobInfo.TotalProcesses) << "the watcher started no second service";

  // The copy got as far as its guard and no further: it ended (this program and the
  // watcher are all the job still runs), loaded nothing and left the first service alone.
  EXPECT_TRUE(testkit::WaitUntil([&] { return job().ActiveProcesses <= 2; }, 15000))
      << "the copy did not end";
  EXPECT_EQ(std::vector<DWORD>{early.Id()}, ProcessIds(L"Torvan.exe"));
  EXPECT_FALSE(early.WaitForExit(0));
  EXPECT_EQ(early.Id(), WindowProcess(FindWindowW(L"Torvan", L"Torvan")));
  for (const auto& line : testkit::ReadJournal()) EXPECT_EQ(early.Id(), line.pid) << line.call;
  early.Kill();
}

TEST_F(Startup, ASecondWatcherBringsTheFirstForwardAndEndsWithZero) {
  const DWORD service = StartWatcherAndService();
  ASSERT_NE(0u, service);
  HWND first = window_;

  testkit::Process second = testkit::StartProgram(testkit::AppPath(L"Tandrel.exe"));
  ASSERT_TRUE(second.Started());
  ASSERT_TRUE(second.WaitForExit(10000));
  EXPECT_EQ(0u, second.ExitCode());

  EXPECT_FALSE(watcher_.WaitForExit(0));
  EXPECT_EQ(first, FindWindowW(L"TANDREL", L"Tandrel"));
  EXPECT_EQ(watcher_.Id(), WindowProcess(first));
  EXPECT_TRUE(MutexExists()) << "the first watcher must keep its mutex";
  // The second one started no service of its own.
  EXPECT_EQ(std::vector<DWORD>{service}, ProcessIds(L"Torvan.exe"));
  EXPECT_EQ(1u, ProcessIds(L"Tandrel.exe").size());
}

// Another session's watcher holds the mutex; none is visible from here.
TEST_F(Startup, WithTheMutexHeldElsewhereAndNoWindowItRunsWithoutTheMutex) {
  HANDLE elsewhere = CreateMutexW(nullptr, FALSE, kMutexName);
  ASSERT_NE(nullptr, elsewhere);

  ASSERT_NE(0u, StartWatcherAndService());
  CloseHandle(elsewhere);
  EXPECT_FALSE(MutexExists()) << "a watcher that found the mutex must not keep a handle to it";
  EXPECT_FALSE(watcher_.WaitForExit(0));
}

// The mutex is free, yet this session already has a watcher (one that started
// while another session held the mutex): the window search still runs.
TEST_F(Startup, AWatcherWindowWithoutTheMutexStillEndsASecondWatcher) {
  HANDLE elsewhere = CreateMutexW(nullptr, FALSE, kMutexName);
  ASSERT_NE(nullptr, elsewhere);
  const DWORD service = StartWatcherAndService();
  ASSERT_NE(0u, service);
  CloseHandle(elsewhere);
  ASSERT_FALSE(MutexExists());

  testkit::Process second = testkit::StartProgram(testkit::AppPath(L"Tandrel.exe"));
  ASSERT_TRUE(second.WaitForExit(10000));
  EXPECT_EQ(0u, second.ExitCode());
  EXPECT_FALSE(MutexExists()) << "the second watcher's mutex went with it";
  EXPECT_FALSE(watcher_.WaitForExit(0));
  EXPECT_EQ(std::vector<DWORD>{service}, ProcessIds(L"Torvan.exe"));
}

TEST_F(Startup, WithoutTheServiceBesideItTheWatcherRunsOn) {
  testkit::InstallApp({L"Tandrel.exe"});
  ASSERT_NE(nullptr, StartWatcher());
  WaitUntilHandled();
  EXPECT_TRUE(ProcessIds(L"Torvan.exe").empty());
  EXPECT_FALSE(watcher_.WaitForExit(0));
}

// Installed so deep that its module path does not fit 256 bytes (Wine starts
// nothing beyond MAX_PATH, so the cut falls in the file name here): a
// truncated path is no location, even where the walk back would find the
// right folder, since elsewhere it finds a parent folder.
TEST_F(Startup, WithATruncatedModulePathItStartsNoService) {
  const std::wstring deep = L"C:\\testbed\\deep";
  const std::wstring own = deep + L"\\" + std::wstring(228, L'd');
  const std::wstring watcherPath = own + L"\\Tandrel.exe";
  // The folder itself leaves room for "Torvan.exe" in 256 bytes.
  ASSERT_EQ(244u, own.size());
  ASSERT_EQ(256u, watcherPath.size());
  CreateDirectoryW(deep.c_str(), nullptr);
  CreateDirectoryW(own.c_str(), nullptr);
  ASSERT_TRUE(
      CopyFileW((testkit::BinDir() + L"\\Tandrel.exe").c_str(), watcherPath.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW((testkit::BinDir() + L"\\" + kServiceProbe).c_str(),
                        (own + L"\\Torvan.exe").c_str(), FALSE));

  std::wstring commandLine = L"\"" + watcherPath + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(CreateProcessW(watcherPath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                             nullptr, nullptr, &startup, &info))
      << GetLastError();
  watcher_ = testkit::Process(info);
  window_ = testkit::WaitForWindow(L"TANDREL", L"Tandrel", 10000);
  ASSERT_NE(nullptr, window_);
  EXPECT_EQ(watcher_.Id(), WindowProcess(window_));

  // A connect would start the service again: still nothing.
  PostSessionChange(kConsoleConnect);
  WaitUntilHandled();
  EXPECT_TRUE(ProcessIds(L"Torvan.exe").empty());
  EXPECT_TRUE(testkit::JournalCalls("ServiceProbe").empty());
  EXPECT_FALSE(watcher_.WaitForExit(0));
}

}  // namespace
}  // namespace watcher
