// The notify-code table, row by row.
#include <gtest/gtest.h>

#include "dispatch.h"

namespace {

TEST(NotifyTable, LevelNoticesCoverTheirRangesExactly) {
  struct Case {
    DWORD code;
    LONG icon;
    LONG level;
  } cases[] = {{17, 516, 1}, {24, 516, 8}, {31, 516, 15},
               {32, 501, 0}, {39, 501, 7}, {46, 501, 14}};
  for (const auto& c : cases) {
    const NotifyEntry& e = FindNotifyEntry(c.code);
    EXPECT_EQ(kLevelNotice, e.kind) << c.code;
    EXPECT_EQ(c.icon, e.icon) << c.code;
    EXPECT_EQ(c.level, LONG(c.code - e.levelBase)) << c.code;
  }
}

TEST(NotifyTable, EachListedCodeHasItsAction) {
  struct Case {
    DWORD code;
    NotifyKind kind;
    LONG icon;
  } cases[] = {
      {48, kVolumeUp, 0},
      {49, kVolumeDown, 0},
      {50, kMuteToggle, 0},
      {51, kNoticeOnly, 454},
      {52, kNoticeOnly, 455},
      {80, kLaunchMail, 0},
      {81, kLaunchBrowserOrMenu, 0},
      {87, kNoticeOnly, 416},
      {88, kNoticeOnly, 415},
      {93, kWlanToggle, 0},
      {94, kWlanOn, 431},
      {95, kWlanOff, 432},
      {97, kDisplayPanelOnly, 451},
      {98, kDisplayExternalOnly, 452},
      {99, kDisplayBoth, 453},
      {107, kTouchpadToggle, 0},
      {110, kHibernate, 0},
      {125, kNoticeOnly, 433},
      {126, kNoticeOnly, 434},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.kind, FindNotifyEntry(c.code).kind) << c.code;
    EXPECT_EQ(c.icon, FindNotifyEntry(c.code).icon) << c.code;
  }
}

TEST(NotifyTable, EverythingElseIsIgnored) {
  for (DWORD code :
       {0u,   1u,   16u,  47u,  53u,  79u,  82u,  86u,         89u,      92u,         96u,
        100u, 106u, 108u, 109u, 111u, 124u, 127u, 0x100u + 48, 0x10030u, 0x80000030u, 0xFFFFFFFFu})
    EXPECT_EQ(kIgnored, FindNotifyEntry(code).kind) << code;
}

}  // namespace
