// What a missing piece does, with the real libraries otherwise in place.
#include "suite_fixture.h"

namespace {

using MissingPiece = SuiteTest;

// "Pallion.dll" is loaded on Windows 7 but no code uses it.
TEST_F(MissingPiece, WithoutThePowerLibraryEveryKeyActsAsBefore) {
  ASSERT_TRUE(RemoveInstalled(L"Pallion.dll"));
  testkit::SetNetAdapters({kIntelAdapter});
  testkit::SetKnob("FspLib", "PadState", 1);
  testkit::SetKnob("mmdevapi", "Mute", 0);
  Start();
  for (DWORD code : {17u, 46u, 48u, 50u, 51u, 94u, 99u, 107u, 125u})
    EXPECT_TRUE(PressShowsOsd(code)) << code;
  EXPECT_EQ(0u, testbed::KnobDword("FspLib", "PadState", 0xdead));
  EXPECT_EQ(1u, testbed::KnobDword("mmdevapi", "Mute", 0xdead));
  EXPECT_TRUE(StillRunning());
}

// Neither touchpad library: code 107 does nothing, and nothing else breaks.
TEST_F(MissingPiece, WithoutEitherTouchpadLibraryThePadKeyDoesNothing) {
  ASSERT_TRUE(RemoveInstalled(L"Sorrel.dll"));
  ASSERT_TRUE(RemoveInstalled(L"Fennic.dll"));
  Start();
  EXPECT_FALSE(PressShowsOsd(107, kTimeGivenToShow));
  EXPECT_EQ(0, CountCalls("FspLib "));
  EXPECT_TRUE(PressShowsOsd(51));
}

}  // namespace
