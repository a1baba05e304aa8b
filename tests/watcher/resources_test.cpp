// Tandrel.exe's resources as the program finds them: icons, menu, accelerators,
// strings and the About box template.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "notebook.h"

namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
struct GroupIcon {
  WORD reserved, type, count;
  GroupIconEntry entries[1];
};
#pragma pack(pop)

class Resources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW((testkit::BinDir() + L"\\Tandrel.exe").c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module_) << GetLastError();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }

  // (size, bits per pixel) of every image of an icon group; 0 means 256.
  std::multiset<std::pair<int, int>> IconImages(WORD id) {
    std::multiset<std::pair<int, int>> images;
    HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14));
    if (!found) return images;
    auto* group = static_cast<const GroupIcon*>(LockResource(LoadResource(module_, found)));
    for (WORD i = 0; i < group->count; ++i) {
      const GroupIconEntry& e = group->entries[i];
      EXPECT_EQ(e.width, e.height);
      images.insert({e.width, e.bitCount});
    }
    return images;
  }

  std::string String(UINT id) {
    char text[100] = {};
    LoadStringA(module_, id, text, 100);
    return text;
  }

  HMODULE module_ = nullptr;
};

TEST_F(Resources, ProgramIconHasSevenTrueColourSizesAndOnePalettedSmallOne) {
  const std::multiset<std::pair<int, int>> expected = {{16, 32}, {32, 32}, {48, 32},  {64, 32},
                                                       {72, 32}, {96, 32}, {128, 32}, {16, 8}};
  EXPECT_EQ(expected, IconImages(107));
}

TEST_F(Resources, SmallIconIsSixteenPixelsAtFourBits) {
  const std::multiset<std::pair<int, int>> expected = {{16, 4}};
  EXPECT_EQ(expected, IconImages(108));
}

TEST_F(Resources, StringsGiveTitleClassAndGreeting) {
  EXPECT_EQ("Tandrel", String(103));
  EXPECT_EQ("Hello World!", String(106));
  EXPECT_EQ("TANDREL", String(109));
}

TEST_F(Resources, MenuHasFileExitAndHelpAbout) {
  HMENU menu = LoadMenuW(module_, MAKEINTRESOURCEW(109));
  ASSERT_NE(nullptr, menu);
  ASSERT_EQ(2, GetMenuItemCount(menu));
  struct Item {
    int popup;
    const char* popupText;
    UINT command;
    const char* commandText;
  } items[] = {{0, "&File", 105, "E&xit"}, {1, "&Help", 104, "&About ..."}};
  for (const auto& item : items) {
    char text[64] = {};
    GetMenuStringA(menu, item.popup, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(item.popupText, text);
    HMENU sub = GetSubMenu(menu, item.popup);
    ASSERT_NE(nullptr, sub);
    ASSERT_EQ(1, GetMenuItemCount(sub));
    EXPECT_EQ(item.command, GetMenuItemID(sub, 0));
    GetMenuStringA(sub, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(item.commandText, text);
  }
  DestroyMenu(menu);
}

TEST_F(Resources, AltQuestionMarkAndAltSlashGiveTheAboutCommand) {
  HACCEL table = LoadAcceleratorsW(module_, MAKEINTRESOURCEW(109));
  ASSERT_NE(nullptr, table);
  ACCEL entries[8] = {};
  ASSERT_EQ(2, CopyAcceleratorTableW(table, entries, 8));
  std::set<WORD> keys;
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(FALT, entries[i].fVirt & ~0x80) << "Alt with a character, not a virtual key";
    EXPECT_EQ(104, entries[i].cmd);
    keys.insert(entries[i].key);
  }
  EXPECT_EQ((std::set<WORD>{'?', '/'}), keys);
  DestroyAcceleratorTable(table);
}

TEST_F(Resources, AboutBoxIsDialog103InSystemEight) {
  HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(103), MAKEINTRESOURCEW(5));
  ASSERT_NE(nullptr, found);
  auto* dialog = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(module_, found)));
  ASSERT_NE(nullptr, dialog);
  EXPECT_TRUE(dialog->style & DS_SETFONT);
  EXPECT_TRUE(dialog->style & WS_CAPTION);
  EXPECT_EQ(4, dialog->cdit);
  // After the header: menu, class, caption, then point size and face name.
  const WORD* p = reinterpret_cast<const WORD*>(dialog + 1);
  ASSERT_EQ(0, *p++);  // no menu
  ASSERT_EQ(0, *p++);  // default class
  const std::wstring caption(reinterpret_cast<const wchar_t*>(p));
  EXPECT_EQ(L"About", caption);
  p += caption.size() + 1;
  EXPECT_EQ(8, *p++);
  EXPECT_EQ(std::wstring(L"System"), reinterpret_cast<const wchar_t*>(p));
}

}  // namespace
