// The mail client's path resolved from random registry contents: default values of
// every type and size, with and without terminators, client names that are almost
// right, icon strings full of '%', ',', references and "ProgramFiles". Where the
// contents are clean strings the answer must equal the string rules applied by
// hand; always the answer is a terminated path, and no key is left open.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlwapi.h>

#include <random>
#include <string>
#include <vector>

#include "../audio/audio_fixture.h"
#include "handles.h"
#include "mailpath.h"
#include "notebook.h"

namespace {

const wchar_t kMailKey[] = L"SOFTWARE\\Clients\\Mail";
constexpr int kRounds = 2000;
// Both values are read into 256 bytes: a terminated string of 127 characters fits.
constexpr size_t kLongestString = 127;

struct Value {
  DWORD type = REG_SZ;
  std::vector<BYTE> bytes;
  // The string the service should read, when it is a clean one; else not set.
  bool clean = false;
  std::wstring text;
};

class MailPathFuzz : public ::testing::Test {
 protected:
  void TearDown() override { SHDeleteKeyW(HKEY_LOCAL_MACHINE, kMailKey); }

  std::wstring RandomText(size_t maxLength, bool allowNul) {
    static const wchar_t* const pieces[] = {
        L"%",    L",", L"ProgramFiles", L"\\",     L"-2", L"C:",           L"programfiles",
        L".exe", L" ", L"\x00e9",       L"\xFFFF", L"\"", L"%SystemRoot%", L"%PROGRAMFILES%"};
    constexpr int kPieces = sizeof pieces / sizeof pieces[0];
    std::wstring text;
    const size_t length = std::uniform_int_distribution<size_t>(0, maxLength)(random_);
    std::uniform_int_distribution<int> which(0, kPieces + 3);
    while (text.size() < length) {
      const int choice = which(random_);
      if (choice < kPieces)
        text += pieces[choice];
      else if (choice == kPieces && allowNul)
        text += L'\0';
      else
        text += wchar_t(std::uniform_int_distribution<int>(0x20, 0x7E)(random_));
    }
    return text.substr(0, length);
  }

  // A string value, sometimes too long, sometimes without its terminator, sometimes
  // of an odd byte count; or a value of another type.
  Value RandomValue(const std::wstring& text) {
    Value value;
    const int shape = std::uniform_int_distribution<int>(0, 9)(random_);
    value.type = shape == 8   ? REG_DWORD
                 : shape == 9 ? REG_BINARY
                 : shape == 7 ? REG_MULTI_SZ
                 : shape % 2  ? REG_EXPAND_SZ
                              : REG_SZ;
    const BYTE* data = reinterpret_cast<const BYTE*>(text.c_str());
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (shape == 5) bytes -= sizeof(wchar_t);  // no terminator
    if (shape == 6 && bytes) bytes -= 1;       // odd byte count
    value.bytes.assign(data, data + bytes);
    const std::wstring upToNul = text.c_str();
    value.clean = shape <= 4;
    value.text = upToNul.size() <= kLongestString && text.size() <= kLongestString ? upToNul : L"";
    return value;
  }

  static void Write(const std::wstring& path, const Value& value) {
    suite::UniqueRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), nullptr, 0, value.type, value.bytes.data(),
                                            DWORD(value.bytes.size())));
  }

  static std::wstring IconKey(const std::wstring& client) {
    return std::wstring(kMailKey) + L"\\" + client + L"\\Protocols\\mailto\\DefaultIcon";
  }

  std::mt19937 random_{20240611};
};

TEST_F(MailPathFuzz, RandomRegistryContentsGiveASafeAndRightAnswer) {
  GetMailClientPath();  // what the first registry read sets up stays
  const DWORD handlesBefore = testkit::MeasureResources(GetCurrentProcess()).handles;
  ASSERT_NE(0u, handlesBefore);
  int checkedByHand = 0;
  for (int round = 0; round < kRounds; ++round) {
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kMailKey);
    // A key name cannot hold '\' or NUL; past 203 characters the key path no longer fits.
    std::wstring client =
        RandomText(std::uniform_int_distribution<int>(0, 3)(random_) ? 40 : 240, false);
    for (auto& c : client)
      if (c == L'\\') c = L'_';
    if (client.empty() || client.size() > 200) client = L"client" + client.substr(0, 8);
    const Value name = RandomValue(client);
    Write(kMailKey, name);
    const size_t iconLength = std::uniform_int_distribution<int>(0, 3)(random_) ? 100 : 300;
    const Value icon = RandomValue(RandomText(iconLength, true));
    Write(IconKey(client), icon);
    // A near miss beside it: the same name in other letter case or cut short.
    Value decoy;
    decoy.bytes = {'x', 0, ',', 0, '0', 0, 0, 0};
    Write(IconKey(L"~" + client.substr(0, client.size() / 2)), decoy);

    lstrcpyW(szExecLocation, L"left over");
    GetMailClientPath();

    const wchar_t* end = wmemchr(szExecLocation, L'\0', kMailPathChars);
    ASSERT_NE(nullptr, end) << "the path is not terminated in its buffer (round " << round << ")";
    const std::wstring answer(szExecLocation);
    if (name.clean && icon.clean) {
      const bool nameReadable = name.text == client;
      const std::wstring expected = nameReadable ? audio_test::ResolvedByRules(icon.text) : L"";
      EXPECT_EQ(expected, answer) << "round " << round;
      ++checkedByHand;
    } else if (name.type == REG_DWORD || name.type == REG_BINARY || name.type == REG_MULTI_SZ ||
               icon.type == REG_DWORD || icon.type == REG_BINARY || icon.type == REG_MULTI_SZ) {
      EXPECT_EQ(L"", answer) << "a value that is no string gave a path (round " << round << ")";
    }
  }
  EXPECT_GT(checkedByHand, kRounds / 4);
  EXPECT_EQ(handlesBefore, testkit::MeasureResources(GetCurrentProcess()).handles)
      << "a registry key was left open";
}

}  // namespace
