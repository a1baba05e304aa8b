// The delivered build writes no debug output, whatever happens.
#include "debug_capture.h"
#include "watcher_fixture.h"

namespace watcher {
namespace {

using Silence = InstalledWatcherTest;

TEST_F(Silence, TheWatcherWritesNoDebugOutputThroughItsWholeLife) {
  DebugOutputCapture capture;
  ASSERT_TRUE(capture.Running()) << capture.Error();
  // The monitor does see this session's lines.
  OutputDebugStringA("watcher test: monitor check");
  ASSERT_TRUE(capture.WaitFor("watcher test: monitor check", 5000));

  ASSERT_NE(0u, StartWatcherAndService());
  for (WPARAM code : {kConsoleDisconnect, kConsoleConnect, kSessionLock, kSessionUnlock})
    PostSessionChange(code);
  WaitUntilHandled();
  ASSERT_NE(0u, WaitForServiceWindow(0, 15000));
  // A second watcher fails its start-up, which would be logged too.
  testkit::Process second = testkit::StartProgram(testkit::AppPath(L"Tandrel.exe"));
  ASSERT_TRUE(second.WaitForExit(10000));
  PostMessageW(window_, WM_COMMAND, kExitCommand, 0);
  ASSERT_TRUE(watcher_.WaitForExit(10000));

  ASSERT_TRUE(capture.Sync(5000));
  for (const auto& line : capture.Lines()) {
    EXPECT_NE(watcher_.Id(), line.pid) << line.text;
    EXPECT_NE(second.Id(), line.pid) << line.text;
  }
}

}  // namespace
}  // namespace watcher
