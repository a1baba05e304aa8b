// The main window's messages: touchpad mode, network availability, display change.
#include "dispatch_fixture.h"

namespace {

constexpr UINT WM_FSPMSG = WM_USER + 103;
constexpr UINT WM_RESSINMSG = WM_USER + 104;

class Messages : public DispatchTest {
 protected:
  bool PostShowsOsd(UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageW(hwnd_, message, wParam, lParam);
    return OsdShown();
  }
};

TEST_F(Messages, TouchpadModeNoticesAreConfirmed) {
  Start();
  EXPECT_TRUE(PostShowsOsd(WM_FSPMSG, 0, 2));
  EXPECT_TRUE(PostShowsOsd(WM_FSPMSG, 0, 3));
}

TEST_F(Messages, OtherTouchpadMessagesAreIgnored) {
  Start();
  EXPECT_FALSE(PostShowsOsd(WM_FSPMSG, 0, 0));
  EXPECT_FALSE(PostShowsOsd(WM_FSPMSG, 0, 1));
  EXPECT_FALSE(PostShowsOsd(WM_FSPMSG, 1, 2));
}

TEST_F(Messages, NetworkAvailabilitySetsTheWlanIndicator) {
  Start();
  PostMessageW(hwnd_, WM_RESSINMSG, 0, 1);
  EXPECT_TRUE(testkit::WaitForJournal("acpi One_Method_Raw(WLED, 1)", 3000));
  PostMessageW(hwnd_, WM_RESSINMSG, 0, 0);
  EXPECT_TRUE(testkit::WaitForJournal("acpi One_Method_Raw(WLED, 0)", 3000));
}

TEST_F(Messages, OtherNetworkMessagesCallNoMethod) {
  Start();
  PostMessageW(hwnd_, WM_RESSINMSG, 0, 2);
  PostMessageW(hwnd_, WM_RESSINMSG, 1, 1);
  PostMessageW(hwnd_, WM_RESSINMSG, 0, -1);
  ASSERT_TRUE(StillRunning());  // all three handled by now
  EXPECT_FALSE(Called("WLED"));
}

TEST_F(Messages, DisplayChangeKeepsTheOsdAtTheTopLeft) {
  Start();
  SendMessageW(hwnd_, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
  EXPECT_TRUE(PostShowsOsd(WM_FSPMSG, 0, 2));
  RECT rc;
  GetWindowRect(osd_, &rc);
  EXPECT_EQ(0, rc.left);
  EXPECT_EQ(0, rc.top);
  EXPECT_TRUE(StillRunning());
}

}  // namespace
