// The window's commands: exit and the About box.
#include "watcher_fixture.h"

namespace watcher {
namespace {

using Commands = InstalledWatcherTest;

TEST_F(Commands, ExitEndsTheWatcherWithZeroAndLeavesTheServiceRunning) {
  const DWORD service = StartWatcherAndService();
  ASSERT_NE(0u, service);
  ASSERT_TRUE(PostMessageW(window_, WM_COMMAND, kExitCommand, 0));
  ASSERT_TRUE(watcher_.WaitForExit(10000));
  EXPECT_EQ(0u, watcher_.ExitCode());

  EXPECT_FALSE(IsWindow(window_));
  EXPECT_FALSE(MutexExists()) << "the mutex went with the watcher";
  EXPECT_EQ(std::vector<DWORD>{service}, ProcessIds(L"Torvan.exe"));
}

TEST_F(Commands, AnOutsideDestroyAlsoEndsItWithZero) {
  ASSERT_NE(0u, StartWatcherAndService());
  ASSERT_TRUE(PostMessageW(window_, WM_CLOSE, 0, 0));
  ASSERT_TRUE(watcher_.WaitForExit(10000));
  EXPECT_EQ(0u, watcher_.ExitCode());
  EXPECT_EQ(1u, ProcessIds(L"Torvan.exe").size());
}

TEST_F(Commands, AboutOpensOwnedByTheWatcherWindowAndClosesWithOk) {
  ASSERT_NE(nullptr, StartWatcher());
  HWND about = OpenAbout();
  ASSERT_NE(nullptr, about);
  EXPECT_EQ(window_, GetWindow(about, GW_OWNER));
  const auto texts = testkit::ChildTexts(about);
  auto has = [&](const wchar_t* text) {
    for (const auto& t : texts)
      if (t == text) return true;
    return false;
  };
  EXPECT_TRUE(has(L"Tandrel Version 1.0"));
  EXPECT_TRUE(has(L"OK"));
  CloseAbout(about);
  EXPECT_FALSE(watcher_.WaitForExit(0));
}

TEST_F(Commands, CancelAlsoClosesTheAboutBox) {
  ASSERT_NE(nullptr, StartWatcher());
  HWND about = OpenAbout();
  ASSERT_NE(nullptr, about);
  CloseAbout(about, IDCANCEL);
}

TEST_F(Commands, OtherCommandsChangeNothing) {
  const DWORD service = StartWatcherAndService();
  ASSERT_NE(0u, service);
  for (WPARAM command : {WPARAM(103), WPARAM(106), WPARAM(IDOK), WPARAM(0x10000 | 7)})
    PostMessageW(window_, WM_COMMAND, command, 0);
  WaitUntilHandled();
  EXPECT_FALSE(watcher_.WaitForExit(0));
  EXPECT_EQ(std::vector<DWORD>{service}, ProcessIds(L"Torvan.exe"));
}

}  // namespace
}  // namespace watcher
