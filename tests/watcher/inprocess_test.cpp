// The watcher's own code run inside the test, with its debug output on: the
// location rules, the service path, and the lines and effects of a start and a
// terminate.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "log_capture.h"
#include "tandrel.h"
#include "watcher_fixture.h"

namespace watcher {
namespace {

using tandrel::kPathBytes;

std::string Directory(const char* modulePath) {
  char buffer[kPathBytes] = {};
  strncpy(buffer, modulePath, kPathBytes);
  tandrel::DirectoryFromModulePath(buffer);
  return buffer;
}

TEST(Location, IsTheModuleFolderWithItsTrailingBackslash) {
  EXPECT_EQ("C:\\Program Files\\Torvan\\", Directory("C:\\Program Files\\Torvan\\Tandrel.exe"));
  EXPECT_EQ("C:\\", Directory("C:\\Tandrel.exe"));
  EXPECT_EQ("\\\\server\\share\\", Directory("\\\\server\\share\\Tandrel.exe"));
  EXPECT_EQ("C:\\a\\", Directory("C:\\a\\"));
  EXPECT_EQ("", Directory("Tandrel.exe"));
  EXPECT_EQ("", Directory(""));
}

TEST(Location, AFullBufferKeepsEveryByteUpToTheLastBackslash) {
  char buffer[kPathBytes];
  memset(buffer, 'x', sizeof buffer);  // not even terminated
  buffer[0] = 'C';
  buffer[1] = ':';
  buffer[2] = '\\';
  buffer[200] = '\\';
  tandrel::DirectoryFromModulePath(buffer);
  EXPECT_EQ(201u, strlen(buffer));
  EXPECT_EQ('\\', buffer[200]);
  for (int i = 201; i < kPathBytes; ++i) ASSERT_EQ('\0', buffer[i]) << i;
}

TEST(ServicePath, IsTheLocationFollowedByTorvanExe) {
  char path[kPathBytes];
  ASSERT_TRUE(tandrel::BuildServicePath("C:\\Program Files\\Torvan\\", path));
  EXPECT_STREQ("C:\\Program Files\\Torvan\\Torvan.exe", path);
}

TEST(ServicePath, AnUnknownLocationGivesNoPath) {
  char path[kPathBytes];
  memset(path, 'x', sizeof path);
  EXPECT_FALSE(tandrel::BuildServicePath("", path));
  EXPECT_STREQ("", path);
}

TEST(ServicePath, ALocationTooLongForTheNameGivesNoPath) {
  // 245 characters + "Torvan.exe" + the terminator fill the 256 bytes exactly.
  struct Case {
    size_t length;
    bool fits;
  } cases[] = {{244, true}, {245, true}, {246, false}, {255, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    std::string location = "C:\\" + std::string(c.length - 4, 'd') + "\\";
    ASSERT_EQ(c.length, location.size());
    char path[kPathBytes];
    EXPECT_EQ(c.fits, tandrel::BuildServicePath(location.c_str(), path));
    EXPECT_EQ(c.fits ? location + "Torvan.exe" : "", std::string(path));
  }
}

// A location that fills its own buffer has no terminator inside it.
TEST(ServicePath, AnUnterminatedLocationGivesNoPath) {
  char location[kPathBytes];
  memset(location, 'd', sizeof location);
  char path[kPathBytes];
  EXPECT_FALSE(tandrel::BuildServicePath(location, path));
}

tandrel::ProcessEntryA Entry(const char* name, DWORD pid) {
  tandrel::ProcessEntryA entry = {};
  entry.dwSize = sizeof entry;
  entry.th32ProcessID = pid;
  strncpy(entry.szExeFile, name, sizeof entry.szExeFile - 1);
  return entry;
}

TEST(ServiceMatch, OnlyTheExactNameInTheGivenSession) {
  DWORD session = 0;
  ASSERT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &session));
  const DWORD self = GetCurrentProcessId();
  EXPECT_TRUE(tandrel::IsServiceOfSession(Entry("Torvan.exe", self), session));
  EXPECT_FALSE(tandrel::IsServiceOfSession(Entry("Torvan.exe", self), session + 1));
  EXPECT_FALSE(tandrel::IsServiceOfSession(Entry("torvan.exe", self), session));
  EXPECT_FALSE(tandrel::IsServiceOfSession(Entry("TORVAN.EXE", self), session));
  EXPECT_FALSE(tandrel::IsServiceOfSession(Entry("Torvan.exe ", self), session));
  EXPECT_FALSE(tandrel::IsServiceOfSession(Entry("Torvan", self), session));
}

TEST(ServiceMatch, AProcessWhoseSessionCannotBeReadIsNotTaken) {
  DWORD session = 0;
  ASSERT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &session));
  // Process ids are multiples of four: this one names no process.
  EXPECT_FALSE(tandrel::IsServiceOfSession(Entry("Torvan.exe", 0xFFFFFFF3u), session));
}

// Import slots of this program through which the watcher's code calls Windows.
extern "C" void* terminateProcessSlot __asm__("__imp__TerminateProcess@8");
extern "C" void* processIdToSessionIdSlot __asm__("__imp__ProcessIdToSessionId@8");

using testkit::SwapImport;

// Windows' TerminateProcess starts the end of a process and returns; Wine's has
// ended it by then. While one of these lives, the watcher's calls end the process
// a second later, as a busy Windows machine may.
class SlowTermination {
 public:
  SlowTermination() {
    real_ = Terminate(SwapImport(&terminateProcessSlot, reinterpret_cast<void*>(Deferred)));
  }
  ~SlowTermination() {
    SwapImport(&terminateProcessSlot, reinterpret_cast<void*>(real_));
    if (late_.joinable()) late_.join();
  }

 private:
  using Terminate = BOOL(WINAPI*)(HANDLE, UINT);
  static BOOL WINAPI Deferred(HANDLE process, UINT exitCode) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), process, GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
      return FALSE;
    late_ = std::thread([copy, exitCode] {
      Sleep(1000);
      real_(copy, exitCode);
      CloseHandle(copy);
    });
    return TRUE;
  }
  static inline Terminate real_ = nullptr;
  static inline std::thread late_;
};

class Logged : public testkit::WithLog<> {
 protected:
  void SetUp() override {
    WithLog::SetUp();
    testkit::KillProcesses(L"Torvan.exe");
    testkit::InstallApp({kServiceProbe});
  }
  void TearDown() override {
    memset(tandrel::szExecLocation, 0, sizeof tandrel::szExecLocation);
    testkit::KillProcesses(L"Torvan.exe");
  }
};

TEST_F(Logged, TerminateEndsTheFirstServiceWithExitCodeZeroBeforeItReturns) {
  testkit::Process first = testkit::StartProgram(testkit::AppPath(L"Torvan.exe"));
  ASSERT_TRUE(testkit::WaitForJournal("ServiceProbe start", 10000));
  testkit::Process second = testkit::StartProgram(testkit::AppPath(L"Torvan.exe"));
  for (int i = 0; i < 250 && testkit::JournalCalls("ServiceProbe").size() < 2; ++i) Sleep(20);
  ASSERT_EQ(2u, ProcessIds(L"Torvan.exe").size());

  const DWORD start = GetTickCount();
  bool firstEnded = false, secondEnded = false;
  {
    SlowTermination slow;
    tandrel::SubProcess_Terminate();
    // Ended by the time it returned, so a restart meets no old instance.
    firstEnded = first.WaitForExit(0);
    secondEnded = second.WaitForExit(0);
  }
  EXPECT_GE(GetTickCount() - start, 490u);  // tick granularity
  EXPECT_NE(firstEnded, secondEnded) << "exactly one service process ends";
  EXPECT_EQ(0u, firstEnded ? first.ExitCode() : second.ExitCode());

  // No query right: the exit-code query fails with access denied.
  const std::vector<std::string> expected = {
      "[TDL][ubProcess_Terminate]", "[TDL][SubProcess_Terminate] OpenProcess(Torvan.exe) Succeed",
      "[TDL][SubProcess_Terminate] GetExitCodeProcess(0) Error= 5",
      "[TDL][SubProcess_Terminate]TerminateProcess(Torvan.exe) Succeed"};
  EXPECT_EQ(expected, log_.Texts());
}

// The watcher's own session unknown, a service of any session might be another
// user's: nothing is ended.
using SessionOfProcess = BOOL(WINAPI*)(DWORD, DWORD*);
SessionOfProcess g_realSessionOfProcess = nullptr;

BOOL WINAPI NoSessionForThisProcess(DWORD pid, DWORD* session) {
  if (pid != GetCurrentProcessId()) return g_realSessionOfProcess(pid, session);
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

TEST_F(Logged, TerminateWithoutAServiceOrItsOwnSessionEndsNothing) {
  const DWORD start = GetTickCount();
  tandrel::SubProcess_Terminate();
  EXPECT_GE(GetTickCount() - start, 490u);  // tick granularity
  EXPECT_EQ(std::vector<std::string>{"[TDL][ubProcess_Terminate]"}, log_.Texts());

  testkit::Process service = testkit::StartProgram(testkit::AppPath(L"Torvan.exe"));
  ASSERT_TRUE(testkit::WaitForJournal("ServiceProbe start", 10000));
  log_.Clear();
  g_realSessionOfProcess = SessionOfProcess(
      SwapImport(&processIdToSessionIdSlot, reinterpret_cast<void*>(NoSessionForThisProcess)));
  const DWORD unreadStart = GetTickCount();
  tandrel::SubProcess_Terminate();
  const DWORD unreadElapsed = GetTickCount() - unreadStart;
  SwapImport(&processIdToSessionIdSlot, reinterpret_cast<void*>(g_realSessionOfProcess));
  EXPECT_GE(unreadElapsed, 490u) << "no wait without its own session";
  EXPECT_FALSE(service.WaitForExit(0)) << "the service was ended";
  const std::vector<std::string> expected = {
      "[TDL][ubProcess_Terminate]", "[TDL][SubProcess_Terminate] ProcessIdToSessionId Error= 5"};
  EXPECT_EQ(expected, log_.Texts());
}

TEST_F(Logged, RestartStartsTheServiceFromTheLocationHidden) {
  strcpy(tandrel::szExecLocation, "C:\\Program Files\\Torvan\\");
  tandrel::SubProcess_Restart();
  ASSERT_TRUE(testkit::WaitForJournal("ServiceProbe start", 10000));
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  EXPECT_EQ(std::vector<std::string>{"ServiceProbe start(show=0, path=C:\\Program "
                                     "Files\\Torvan\\Torvan.exe, cwd=" +
                                     std::string(folder) + ")"},
            testkit::JournalCalls("ServiceProbe"));
  const std::vector<std::string> expected = {
      "[TDL][SubProcess_Restart]SubProcess_Restart again",
      "[TDL][SubProcess_Restart]szExePath = C:\\Program Files\\Torvan\\Torvan.exe"};
  EXPECT_EQ(expected, log_.Texts());
}

TEST_F(Logged, RestartWithAnUnknownLocationStartsNothing) {
  // A bare name would be found in the current folder.
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(testkit::AppDir().c_str()));
  tandrel::szExecLocation[0] = '\0';
  tandrel::SubProcess_Restart();
  SetCurrentDirectoryW(previous);
  // A start would have made its process before the call returned.
  EXPECT_TRUE(ProcessIds(L"Torvan.exe").empty());
  EXPECT_TRUE(testkit::JournalCalls("ServiceProbe").empty());
  const auto texts = log_.Texts();
  ASSERT_EQ(2u, texts.size());
  EXPECT_EQ("[TDL][SubProcess_Restart]SubProcess_Restart again", texts[0]);
  EXPECT_EQ("[TDL][SubProcess_Restart]szExePath unknown, szExecLocation = ", texts[1]);
}

TEST_F(Logged, APathLineOfAFullBufferIsWrittenWhole) {
  // 245 characters: the longest location the name still fits behind.
  const std::string location = "C:\\" + std::string(241, 'd') + "\\";
  strcpy(tandrel::szExecLocation, location.c_str());
  tandrel::SubProcess_Restart();
  const auto texts = log_.Texts();
  ASSERT_EQ(2u, texts.size());
  EXPECT_EQ("[TDL][SubProcess_Restart]szExePath = " + location + "Torvan.exe", texts[1]);
}

TEST_F(Logged, LocationIsTheTestProgramsFolderLoggedTwice) {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  ASSERT_TRUE(tandrel::GetExecuteLocation());
  std::string folder = module;
  folder.erase(folder.find_last_of('\\') + 1);
  EXPECT_EQ(folder, tandrel::szExecLocation);
  const std::vector<std::string> expected = {
      std::string("[TDL][GetExecuteLocatio]szExecLocation = ") + module,
      "[TDL][GetExecuteLocatio]szExecLocation = " + folder};
  EXPECT_EQ(expected, log_.Texts());
}

}  // namespace
}  // namespace watcher
