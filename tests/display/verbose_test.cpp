// The library's own code in this process with the debug-output switch on: the
// verbose lines of detection and switching, and the ATI table after a failed
// load. Vendor state lives as long as this process, so every test here lets a
// vendor answer.
#include <gtest/gtest.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "log_capture.h"
#include "lumex.h"
#include "lumex_fixture.h"

namespace {

using testkit::HasLine;

class LumexVerbose : public testkit::WithLog<> {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(testkit::PlaceInSystemFolder(L"testbed\\nvapi.dll"));
    ASSERT_TRUE(testkit::PlaceInSystemFolder(
        L"testbed\\variants\\ati-no-ATIDL_GetAdapterID\\atitmmxx.dll"));
  }
};

TEST_F(LumexVerbose, IntelDetectionAndSwitchLines) {
  testkit::SetKnob("igfx", "Present", 1);
  EXPECT_EQ(
      (Lines{"[Lumex][InitGraphicsIntel]Entry", "[Lumex][InitGraphicsIntel]m_pCUIExternal3!=NULL",
             "[Lumex][InitGraphicsIntel]uidMonitor is 1000",
             "[Lumex][InitGraphicsIntel]uidMonitor is 1000",
             "[Lumex][InitGraphicsIntel]uidMonitor is 1",
             "[Lumex][InitGraphicsIntel]uidMonitor is 1",
             "[Lumex][InitGraphics]Vendor : GRAPHIC_VENDER_INTEL",
             "[Lumex][OnMonitorLayoutIntel]OUTPUT_INTEL_LCDCRT"}),
      log_.Of([] { OnMonitorLayout(kLayoutBoth); }));
  EXPECT_FALSE(m_pCUIExternal3);
}

TEST_F(LumexVerbose, DeviceTypeBitsDecideHowOftenAMonitorIsLogged) {
  struct Case {
    DWORD type;
    int lines;
  } cases[] = {{0, 0}, {0x10, 1}, {0x02, 1}, {0x12, 2}, {0xED, 0}};
  testkit::SetKnob("igfx", "Present", 1);
  testkit::SetKnob("igfx", "Devices", 1);
  for (const auto& c : cases) {
    testkit::SetKnob("igfx", "DeviceType", c.type);
    const Lines lines = log_.Of([] { OnMonitorLayout(kLayoutPanelOnly); });
    int n = 0;
    for (const auto& line : lines) n += line == "[Lumex][InitGraphicsIntel]uidMonitor is 1000";
    EXPECT_EQ(c.lines, n) << std::hex << c.type;
  }
}

TEST_F(LumexVerbose, FailedIntelChangeIsLoggedWithItsErrorWord) {
  testkit::SetKnob("igfx", "Present", 1);
  testkit::SetKnob("igfx", "ChangeActiveDevices", DWORD(E_FAIL));
  for (DWORD word : {9, 4}) {
    testkit::SetKnob("igfx", "ErrorWord", word);
    const Lines lines = log_.Of([] { OnMonitorLayout(kLayoutExternalOnly); });
    EXPECT_TRUE(HasLine(lines, "[Lumex][CallChangeActiveDevices]ahRes : -2147467259 ,adwRes : " +
                                   std::to_string(word)))
        << testing::PrintToString(lines);
    EXPECT_EQ(word == 9,
              HasLine(lines, "[Lumex][CallChangeActiveDevices]Bad display configuration"));
    EXPECT_TRUE(HasLine(lines, "[Lumex][OnMonitorLayoutIntel]OUTPUT_INTEL_CRTONLY"));
  }
}

TEST_F(LumexVerbose, NvApiFailuresAreLoggedWithTheirText) {
  testkit::SetKnob("nvapi", "NvAPI_Initialize", DWORD(-1));
  EXPECT_EQ((Lines{"[Lumex][InitGraphicsNVidia]Enter",
                   "[Lumex][NVIDIA_NvApiError]Msg : NvAPI_Initialize : NVAPI_ERROR"}),
            log_.Of([] { EXPECT_EQ(0, InitGraphicsNVidia()); }));
}

TEST_F(LumexVerbose, NvidiaSwitchLinesAndTheSetViewStatusRule) {
  struct Case {
    int status;
    bool errorLine;
  } cases[] = {{0, false}, {-1, false}, {-9, true}, {-5, true}};
  testkit::SetKnob("nvapi", "Displays", 2);
  for (const auto& c : cases) {
    testkit::SetKnob("nvapi", "NvAPI_SetView", DWORD(c.status));
    const Lines lines = log_.Of([] { OnMonitorLayout(kLayoutBoth); });
    EXPECT_TRUE(HasLine(lines, "[Lumex][InitGraphicsNVidia]NvAPI_Initialize() ok"));
    EXPECT_TRUE(HasLine(lines, "[Lumex][InitGraphics]Vendor : GRAPHIC_VENDER_NVIDIA"));
    EXPECT_TRUE(
        HasLine(lines, "[Lumex][NVidia_GetMonitors]NvAPI_EnumNvidiaDisplayHandle(0): 00a10000"));
    EXPECT_TRUE(
        HasLine(lines, "[Lumex][NVidia_GetMonitors]NvAPI_EnumNvidiaDisplayHandle(1): 00a10001"));
    EXPECT_EQ(c.errorLine, testkit::HasLineStartingWith(
                               lines, "[Lumex][NVIDIA_NvApiError]Msg : NvAPI_SetView : "))
        << c.status << testing::PrintToString(lines);
  }
}

TEST_F(LumexVerbose, IntelProgramIdUnknownIsLoggedByName) {
  const IntelProgramIdRemoved removed(false);
  ASSERT_TRUE(removed.Removed());
  testkit::SetKnob("igfx", "Present", 1);
  EXPECT_EQ((Lines{"[Lumex][InitGraphicsIntel]Entry",
                   "[Lumex][InitGraphicsIntel]CLSIDFromProgID() failed : CO_E_CLASSSTRING"}),
            log_.Of([] { EXPECT_EQ(0, InitGraphicsIntel()); }));
  ReleaseGraphicsCom();
}

// GetProcAddress as this program imports it, replaced for one call so the names
// asked for can be seen.
std::vector<std::string> g_lookedUp;
FARPROC(WINAPI* g_realGetProcAddress)(HMODULE, LPCSTR) = nullptr;

FARPROC WINAPI RecordingGetProcAddress(HMODULE module, LPCSTR name) {
  if (HIWORD(reinterpret_cast<ULONG_PTR>(name))) g_lookedUp.push_back(name);
  return g_realGetProcAddress(module, name);
}

extern "C" void* getProcAddressSlot __asm__("__imp__GetProcAddress@8");

// Each variant lacks one entry: the look-up stops at it, names it, and leaves
// neither the library nor any entry behind.
TEST_F(LumexVerbose, FailedAtiLoadStopsAtTheMissingNameAndLeavesNothingBehind) {
  const Lines order = {"EnumDisplays",       "GetConnectedDisplays",
                       "ATIDL_GetAdapterID", "ATIDL_DisplayGetDeviceConfig",
                       "GetConfiguration",   "SetConfiguration",
                       "GetCapabilities"};
  g_realGetProcAddress = reinterpret_cast<FARPROC(WINAPI*)(HMODULE, LPCSTR)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetProcAddress")));
  for (size_t missing = 0; missing < order.size(); ++missing) {
    const std::wstring variant = L"testbed\\variants\\ati-no-" +
                                 std::wstring(order[missing].begin(), order[missing].end()) +
                                 L"\\atitmmxx.dll";
    ASSERT_TRUE(testkit::PlaceInSystemFolder(variant.c_str())) << GetLastError();
    ASSERT_EQ(reinterpret_cast<void*>(g_realGetProcAddress),
              testkit::SwapImport(&getProcAddressSlot,
                                  reinterpret_cast<void*>(&RecordingGetProcAddress)));
    g_lookedUp.clear();
    PdlCalls table;
    memset(&table, 0xA5, sizeof table);
    bool loaded = true;
    const Lines lines = log_.Of([&] { loaded = AtiPdlLoad(&table); });
    testkit::SwapImport(&getProcAddressSlot, reinterpret_cast<void*>(g_realGetProcAddress));

    EXPECT_FALSE(loaded) << order[missing];
    EXPECT_EQ(Lines(order.begin(), order.begin() + missing + 1), g_lookedUp);
    EXPECT_EQ(Lines{"[Lumex][AtiPdlLoad]GetProcAddress(\"" + order[missing] + "\") Error "}, lines);
    const PdlCalls empty = {};
    EXPECT_EQ(0, memcmp(&empty, &table, sizeof table)) << order[missing];
    EXPECT_EQ(nullptr, GetModuleHandleW(L"atitmmxx.dll")) << order[missing];
  }
  ASSERT_TRUE(
      testkit::PlaceInSystemFolder(L"testbed\\variants\\ati-no-ATIDL_GetAdapterID\\atitmmxx.dll"));
  EXPECT_EQ(Lines{}, testkit::JournalCalls("atitmmxx"));
}

}  // namespace
