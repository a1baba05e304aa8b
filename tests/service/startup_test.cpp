// One service per logon session, behind a hidden main window.
#include "handles.h"
#include "service_fixture.h"
#include "vexilapp.h"

namespace {

class Startup : public FullNotebookTest {
 protected:
  void SetUp() override {
    FullNotebookTest::SetUp();
    // A hook library that also sees the service hide its main window.
    ASSERT_TRUE(PlaceBeside(L"testbed\\variants\\watch\\QKBD.dll"));
  }

  // Until the service has hidden its main window n times since the hook library
  // came (after the dialog initialisation's own hide): once per paint.
  static bool WaitForHides(int n) {
    return testkit::WaitForJournal("Platform ShowWindow(Torvan, 0)", 10000, n);
  }

  // A second start ended at once, with no window and nothing bound.
  static void ExpectEndedAtOnce(const testkit::Process& second) {
    ASSERT_TRUE(second.Started());
    EXPECT_TRUE(second.WaitForExit(10000));
    EXPECT_EQ(0u, second.ExitCode());
    for (const auto& line : testkit::ReadJournal()) EXPECT_NE(second.Id(), line.pid) << line.call;
  }
};

TEST_F(Startup, SecondStartInTheSameSessionEndsAtOnceWithoutAWindow) {
  HWND first = StartService();
  ASSERT_NE(nullptr, first);
  const DWORD firstPid = service_.Id();

  ExpectEndedAtOnce(testkit::StartProgram(testkit::AppPath(L"Torvan.exe")));
  EXPECT_EQ(first, FindWindowW(L"Torvan", L"Torvan"));
  EXPECT_EQ(firstPid, testkit::WindowProcess(first));
  EXPECT_FALSE(service_.WaitForExit(0));
  EXPECT_TRUE(testkit::MutexExists(L"Torvan_Mutex")) << "the first instance must keep its mutex";
}

// Import slot of this program through which the service's code opens its mutex.
extern "C" void* openMutexSlot __asm__("__imp__OpenMutexW@12");

// Windows does not give a program even a handle of no access to a mutex that a
// copy at a higher integrity level (elevated, on Vista and 7) made; Wine does.
HANDLE WINAPI OpenRefused(DWORD, BOOL, LPCWSTR) {
  SetLastError(ERROR_ACCESS_DENIED);
  return nullptr;
}

DWORD WINAPI RunInitInstance(void* result) {
  CVexilApp app;
  app.m_hInstance = GetModuleHandleW(nullptr);
  *static_cast<BOOL*>(result) = app.InitInstance();
  return 0;
}

// Such a mutex is another instance all the same: the start ends before its window.
TEST(StartupInProcess, AMutexItMayNotOpenIsAnotherInstanceToo) {
  SECURITY_DESCRIPTOR nobody;
  ASSERT_TRUE(InitializeSecurityDescriptor(&nobody, SECURITY_DESCRIPTOR_REVISION));
  ACL empty;
  ASSERT_TRUE(InitializeAcl(&empty, sizeof empty, ACL_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&nobody, TRUE, &empty, FALSE));
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, &nobody, FALSE};
  suite::UniqueHandle elevated(CreateMutexW(&attributes, TRUE, L"Torvan_Mutex"));
  ASSERT_TRUE(elevated);
  // The creation is refused as Windows refuses it.
  SetLastError(0xdeadbeef);
  ASSERT_FALSE(suite::UniqueHandle(CreateMutexW(nullptr, TRUE, L"Torvan_Mutex")));
  ASSERT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());

  void* realOpen = testkit::SwapImport(&openMutexSlot, reinterpret_cast<void*>(OpenRefused));
  BOOL result = TRUE;
  suite::UniqueHandle start(CreateThread(nullptr, 0, RunInitInstance, &result, 0, nullptr));
  // A start that went on runs its dialog modally and does not come back.
  const bool ended = start && WaitForSingleObject(start.get(), 10000) == WAIT_OBJECT_0;
  // Windows' own open again before any assertion can leave the test.
  testkit::SwapImport(&openMutexSlot, realOpen);
  ASSERT_TRUE(ended) << "a second instance went on to start its dialog";
  EXPECT_FALSE(result) << "no message loop for an instance that leaves";
  WNDCLASSW torvan;
  EXPECT_FALSE(GetClassInfoW(GetModuleHandleW(nullptr), L"Torvan", &torvan));
}

// The mutex goes only after the teardown: a start while the first instance still
// frees its libraries (a power library slow to unload holds it there) ends too.
TEST_F(Startup, SecondStartDuringTheTeardownEndsAtOnceWithoutAWindow) {
  ASSERT_TRUE(PlaceBeside(L"tests\\e2e\\late\\Pallion.dll"));
  testkit::SetKnob("LatePallion", "UnloadMs", 30000);
  suite::UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, L"LatePallion release"));
  HWND hwnd = StartService();
  ASSERT_NE(nullptr, hwnd);
  PostMessageW(hwnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(testkit::WaitForJournal("LatePallion unload begins", 15000));
  ExpectEndedAtOnce(testkit::StartProgram(testkit::AppPath(L"Torvan.exe")));
  EXPECT_FALSE(service_.WaitForExit(0)) << "the teardown was over before the second start";
  SetEvent(release.get());
  ASSERT_TRUE(service_.WaitForExit(15000));
  // And once the first has gone, a new start works again.
  EXPECT_NE(nullptr, StartService());
}

TEST_F(Startup, MainWindowIsAHiddenPopupFoundByClassAndTitle) {
  HWND hwnd = StartService();
  ASSERT_NE(nullptr, hwnd);
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & WS_CAPTION);
  // The dialog loop shows the window when it first goes idle; its first paint hides
  // it again.
  ASSERT_TRUE(WaitForHides(1));
  EXPECT_FALSE(IsWindowVisible(hwnd));
  wchar_t cls[32] = {};
  GetClassNameW(hwnd, cls, 32);
  EXPECT_STREQ(L"Torvan", cls);
}

TEST_F(Startup, APaintHidesTheWindowAgain) {
  HWND hwnd = StartService();
  ASSERT_NE(nullptr, hwnd);
  ASSERT_TRUE(WaitForHides(1));
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_TRUE(WaitForHides(2));
  EXPECT_FALSE(IsWindowVisible(hwnd));
  EXPECT_EQ(hwnd, FindWindowW(L"Torvan", L"Torvan"));
}

TEST_F(Startup, TheOsdWindowExistsHiddenWithItsStylesAndSize) {
  ASSERT_NE(nullptr, StartService());
  HWND osd = FindWindowW(L"FakeWndPM", nullptr);
  ASSERT_NE(nullptr, osd);
  EXPECT_EQ(service_.Id(), testkit::WindowProcess(osd));
  EXPECT_FALSE(IsWindowVisible(osd));
  const LONG ex = GetWindowLongW(osd, GWL_EXSTYLE);
  for (LONG bit : {LONG(WS_EX_NOACTIVATE), LONG(WS_EX_LAYERED), LONG(WS_EX_TOOLWINDOW),
                   LONG(WS_EX_TRANSPARENT), LONG(WS_EX_TOPMOST)})
    EXPECT_EQ(bit, ex & bit) << std::hex << bit;
  EXPECT_TRUE(GetWindowLongW(osd, GWL_STYLE) & WS_POPUP);
  RECT rc;
  GetWindowRect(osd, &rc);
  EXPECT_EQ(0, rc.left);
  EXPECT_EQ(0, rc.top);
  EXPECT_EQ(200, rc.right - rc.left);
  EXPECT_EQ(120, rc.bottom - rc.top);
}

}  // namespace
