// The display keys end to end in a Wine virtual desktop (where display modes can
// change): the real Lumex.dll switching the Intel or the NVIDIA stand-in's active
// outputs, the OSD of each key, and the panel size code 98 remembers for code 97.
#include "debug_capture.h"
#include "suite_fixture.h"

namespace {

constexpr DWORD kPanel = 0x1000;
constexpr DWORD kMonitor = 1;
constexpr DWORD kNvPanel = 0x10000;
constexpr DWORD kNvMonitor = 1;

struct Size {
  DWORD width, height;
  bool operator==(const Size& o) const { return width == o.width && height == o.height; }
};

void PrintTo(const Size& s, std::ostream* os) { *os << s.width << "x" << s.height; }

Size Mode(DWORD which) {
  DEVMODEW mode = {};
  mode.dmSize = sizeof mode;
  if (!EnumDisplaySettingsW(nullptr, which, &mode)) return {0, 0};
  return {mode.dmPelsWidth, mode.dmPelsHeight};
}

bool SetMode(Size size) {
  DEVMODEW mode = {};
  mode.dmSize = sizeof mode;
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  mode.dmPelsWidth = size.width;
  mode.dmPelsHeight = size.height;
  return ChangeDisplaySettingsExW(nullptr, &mode, nullptr, CDS_UPDATEREGISTRY, nullptr) ==
         DISP_CHANGE_SUCCESSFUL;
}

const Size kDesktop = {1024, 768};
const Size kSmaller = {800, 600};

class Display : public SuiteTest {
 protected:
  void SetUp() override {
    SuiteTest::SetUp();
    ASSERT_TRUE(SetMode(kDesktop)) << "no virtual desktop: display modes cannot change";
    ASSERT_TRUE(testkit::PlaceInSystemFolder(L"testbed\\nvapi.dll"));
    // The hook library that keeps Wine's display calls from deadlocking each other.
    ASSERT_TRUE(PlaceBeside(L"testbed\\variants\\watch\\QKBD.dll"));
  }
  void TearDown() override {
    SuiteTest::TearDown();
    SetMode(kDesktop);
  }

  // Presses a display key; true when its OSD showed and the vendor call arrived.
  bool SwitchWith(DWORD code, const std::string& vendorCall) {
    const int before = CountCalls(vendorCall);
    const bool shown = PressShowsOsd(code);
    return WaitForCalls(vendorCall, before + 1) && shown;
  }
};

TEST_F(Display, IntelSwitchesItsOutputsAndNvidiaIsNeverAsked) {
  testkit::SetKnob("igfx", "Present", 1);
  Start();
  struct Case {
    DWORD code, primary, secondary;
  } cases[] = {{97, kPanel, 0}, {98, kMonitor, 0}, {99, kMonitor, kPanel}, {97, kPanel, 0}};
  for (const auto& c : cases) {
    EXPECT_TRUE(SwitchWith(c.code, "igfx ChangeActiveDevices(")) << c.code;
    EXPECT_EQ(c.primary, Knob("igfx", "Primary")) << c.code;
    EXPECT_EQ(c.secondary, Knob("igfx", "Secondary")) << c.code;
  }
  EXPECT_EQ(0, CountCalls("nvapi "));
  EXPECT_TRUE(StillRunning());
}

TEST_F(Display, NvidiaSetsTheViewOfEachDisplayKey) {
  Start();
  struct Case {
    DWORD code, active, viewMode;
  } cases[] = {{99, kNvPanel | kNvMonitor, 1}, {97, kNvPanel, 0}, {98, kNvMonitor, 0}};
  for (const auto& c : cases) {
    EXPECT_TRUE(SwitchWith(c.code, "nvapi NvAPI_SetView(")) << c.code;
    EXPECT_EQ(c.active, Knob("nvapi", "Active")) << c.code;
    EXPECT_EQ(c.viewMode, Knob("nvapi", "ViewMode")) << c.code;
  }
  // Intel was asked first each time and refused.
  EXPECT_GE(CountCalls("igfx CreateInstance({70F8C65F-06AA-443B-9E6B-7C73808F07E5}) = 0x80040111"),
            3);
  EXPECT_EQ(0, CountCalls("igfx ChangeActiveDevices("));
}

class PanelSize : public Display {
 protected:
  void StartCapturing() {
    Start();
    capture_ = std::make_unique<DebugOutputCapture>(service_.Id());
    ASSERT_TRUE(capture_->Start()) << capture_->Error();
  }
  // The line code 97 writes whatever the debug-output switch says.
  bool PanelLine(Size size) {
    const std::string text =
        "Width : " + std::to_string(size.width) + ", Height : " + std::to_string(size.height);
    return capture_->WaitFor("[Vexil][HotkeyThread]LCD_Only : Num : ", 5000) &&
           capture_->WaitFor(text, 5000);
  }
  // Until the registry mode is size (code 97 changes it after its OSD showed).
  static bool WaitForMode(Size size) {
    return testkit::WaitUntil([&] { return Mode(ENUM_REGISTRY_SETTINGS) == size; }, 10000);
  }
  std::unique_ptr<DebugOutputCapture> capture_;
};

TEST_F(PanelSize, PanelKeyBeforeAnyExternalKeyPassesZeroByZero) {
  testkit::SetKnob("igfx", "Present", 1);
  StartCapturing();
  EXPECT_TRUE(PressShowsOsd(97));
  EXPECT_TRUE(PanelLine({0, 0}));
  // A 0-by-0 mode is no mode: the desktop keeps its size.
  EXPECT_EQ(kDesktop, Mode(ENUM_REGISTRY_SETTINGS));
  EXPECT_EQ(kDesktop, Mode(ENUM_CURRENT_SETTINGS));
}

TEST_F(PanelSize, PanelKeyRestoresTheSizeTheExternalKeyRemembered) {
  testkit::SetKnob("igfx", "Present", 1);
  StartCapturing();
  EXPECT_TRUE(PressShowsOsd(98));
  ASSERT_TRUE(SetMode(kSmaller));
  ASSERT_EQ(kSmaller, Mode(ENUM_REGISTRY_SETTINGS));
  EXPECT_TRUE(PressShowsOsd(97));
  EXPECT_TRUE(PanelLine(kDesktop));
  EXPECT_TRUE(WaitForMode(kDesktop));
  EXPECT_EQ(kDesktop, Mode(ENUM_CURRENT_SETTINGS));
  EXPECT_EQ(kPanel, Knob("igfx", "Primary"));
}

// "Lumex.dll" missing: the pictures still show, nothing is switched, and the
// panel size is still remembered and applied.
TEST_F(PanelSize, WithoutTheDisplayLibraryThePanelSizeStillTravels) {
  testkit::SetKnob("igfx", "Present", 1);
  ASSERT_TRUE(RemoveInstalled(L"Lumex.dll"));
  StartCapturing();
  EXPECT_TRUE(PressShowsOsd(98));
  ASSERT_TRUE(SetMode(kSmaller));
  EXPECT_TRUE(PressShowsOsd(97));
  EXPECT_TRUE(PanelLine(kDesktop));
  EXPECT_TRUE(WaitForMode(kDesktop));
  EXPECT_TRUE(PressShowsOsd(99));
  EXPECT_EQ(0, CountCalls("igfx ")) << testing::PrintToString(Calls());
  EXPECT_EQ(0, CountCalls("nvapi "));
  EXPECT_TRUE(StillRunning());
}

}  // namespace
