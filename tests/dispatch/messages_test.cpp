// The main window's messages: touchpad mode, network availability, display change.
#include "contract.h"
#include "dispatch_fixture.h"
#include "osd.h"
#include "vexildlg.h"

namespace {

class Messages : public DispatchTest {
 protected:
  bool PostShowsOsd(UINT message, WPARAM wParam, LPARAM lParam, DWORD withinMs = kTimeToShow) {
    PostMessageW(hwnd_, message, wParam, lParam);
    return OsdShown(withinMs);
  }
};

TEST_F(Messages, TouchpadModeNoticesAreConfirmed) {
  Start();
  EXPECT_TRUE(PostShowsOsd(WM_FSPMSG, 0, 2));
  EXPECT_TRUE(PostShowsOsd(WM_FSPMSG, 0, 3));
}

TEST_F(Messages, OtherTouchpadMessagesAreIgnored) {
  Start();
  EXPECT_FALSE(PostShowsOsd(WM_FSPMSG, 0, 0, kTimeGivenToShow));
  EXPECT_FALSE(PostShowsOsd(WM_FSPMSG, 0, 1, kTimeGivenToShow));
  EXPECT_FALSE(PostShowsOsd(WM_FSPMSG, 1, 2, kTimeGivenToShow));
}

// The main thread sets the indicator while the hotkey thread may be inside the
// access library with a key: the two calls take turns.
TEST_F(Messages, NetworkAvailabilitySetsTheWlanIndicator) {
  Start();
  testkit::SetKnob("acpi", "MethodDelayMs", 1000);
  Press(81);
  ASSERT_TRUE(testkit::WaitForJournal("acpi Inside(ORMX)", 10000));
  PostMessageW(hwnd_, WM_RESSINMSG, 0, 1);
  EXPECT_TRUE(testkit::WaitForJournal("acpi One_Method_Raw(WLED, 1)", 10000));
  PostMessageW(hwnd_, WM_RESSINMSG, 0, 0);
  EXPECT_TRUE(testkit::WaitForJournal("acpi One_Method_Raw(WLED, 0)", 10000));
  const auto calls = Calls();
  EXPECT_EQ(0, testkit::CountCalls(calls, "Overlap(")) << ::testing::PrintToString(calls);
  EXPECT_LT(testkit::JournalIndex(calls, "None_Method_Raw(ORMX)"),
            testkit::JournalIndex(calls, "Inside(WLED)"));
}

// Posted messages are handled in order: once the last one has set the
// indicator, the three before it have been turned away.
TEST_F(Messages, OtherNetworkMessagesCallNoMethod) {
  Start();
  PostMessageW(hwnd_, WM_RESSINMSG, 0, 2);
  PostMessageW(hwnd_, WM_RESSINMSG, 1, 1);
  PostMessageW(hwnd_, WM_RESSINMSG, 0, -1);
  PostMessageW(hwnd_, WM_RESSINMSG, 0, 0);
  ASSERT_TRUE(testkit::WaitForJournal("acpi One_Method_Raw(WLED, 0)", 10000));
  EXPECT_EQ(1, testkit::CountCalls(Calls(), "WLED"));
}

// In this process. The OSD is made at the corner, so only a window that
// something else moved as it was made (here a hook, as a window-placement tool
// would) shows that a display change brings it back.
LRESULT CALLBACK PlaceOsdElsewhere(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  wchar_t name[16] = {};
  if (code == HC_ACTION && sent->message == WM_CREATE && GetClassNameW(sent->hwnd, name, 16) &&
      !lstrcmpW(name, L"FakeWndPM"))
    SetWindowPos(sent->hwnd, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct Dialog : CVexilDlg {
  using CVexilDlg::WindowProc;
};

TEST(MainWindow, DisplayChangeKeepsTheOsdAtTheTopLeft) {
  Dialog dialog;  // its end tears the OSD down
  HHOOK hook =
      SetWindowsHookExW(WH_CALLWNDPROCRET, PlaceOsdElsewhere, nullptr, GetCurrentThreadId());
  CreateOSDWindow();
  UnhookWindowsHookEx(hook);
  RECT rc = {};
  ASSERT_TRUE(DrawOSDFrame());
  GetWindowRect(hwndFW, &rc);
  ASSERT_EQ(40, rc.left) << "the window was not placed elsewhere";
  dialog.WindowProc(WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
  ASSERT_TRUE(DrawOSDFrame());
  GetWindowRect(hwndFW, &rc);
  EXPECT_EQ(0, rc.left);
  EXPECT_EQ(0, rc.top);
}

}  // namespace
