// The default mail client's path: the string rules by table, then the whole
// resolution against mail clients this test writes into the prefix's registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlwapi.h>

#include <string>
#include <vector>

#include "audio_fixture.h"
#include "handles.h"
#include "launch.h"
#include "mailpath.h"
#include "notebook.h"

using namespace audio_test;

namespace {

using testkit::ScopedVariable;

// On an English Windows on drive C: the worked examples keep their results. A
// value is read as Windows reads an icon location, so quotation marks go and
// references are expanded: what would otherwise stay a name relative to the
// working directory becomes the full path the client registered.
TEST(MailPathRules, WorkedExamples) {
  ScopedVariable home(L"MAILPATH_TEST_HOME", L"D:\\Apps");
  ScopedVariable x86(L"ProgramFiles(x86)", L"C:\\Program Files (x86)");
  const struct {
    const wchar_t* value;
    const wchar_t* location;
  } table[] = {
      {L"%ProgramFiles%\\Mail App\\mailapp.exe,-2", L"C:\\Program Files\\Mail App\\mailapp.exe"},
      {L"C:\\PROGRA~1\\MAILAPP\\mailapp.exe,-2", L"C:\\PROGRA~1\\MAILAPP\\mailapp.exe"},
      {L"C:\\Mail\\client.exe,1,2", L"C:\\Mail\\client.exe,1"},
      {L"C:\\Mail\\client.exe", L""},
      {L"C:\\ProgramFiles\\x.exe,0", L"C:\\ProgramFiles\\x.exe"},
      {L"\"%ProgramFiles%\\Q\\q.exe\",0", L"C:\\Program Files\\Q\\q.exe"},
      {L"\"C:\\Mail\\client.exe\",1", L"C:\\Mail\\client.exe"},
      {L"%programfiles%\\a.exe,0", L"C:\\Program Files\\a.exe"},
      {L"%MAILPATH_TEST_HOME%\\Quill\\quill.exe,0", L"D:\\Apps\\Quill\\quill.exe"},
      {L"%ProgramFiles(x86)%\\Mail\\x.exe,0", L"C:\\Program Files (x86)\\Mail\\x.exe"},
      {L"%MAILPATH_UNSET%\\x.exe,0", L"%MAILPATH_UNSET%\\x.exe"},
      {L"C:\\100%\\x.exe,0", L"C:\\100%\\x.exe"},
      {L"ProgramFiles,0", L"C:\\Program Files"},
      {L"programfiles\\a.exe,0", L"programfiles\\a.exe"},
      {L",5", L""},
      {L"", L""},
  };
  for (const auto& row : table)
    EXPECT_EQ(std::wstring(row.location), ResolvedByRules(row.value)) << row.value;
}

// Whatever its name and drive, and for this 32-bit program on 64-bit Windows too.
TEST(MailPathRules, ProgramFilesIsTheMachinesOwnFolder) {
  EXPECT_EQ(L"D:\\Programme\\Mail App\\mailapp.exe",
            ResolvedByRules(L"%ProgramFiles%\\Mail App\\mailapp.exe,-2", L"D:\\Programme"));
  // Unknown, it leaves a name that is launched nowhere.
  EXPECT_EQ(L"ProgramFiles\\Mail App\\mailapp.exe",
            ResolvedByRules(L"%ProgramFiles%\\Mail App\\mailapp.exe,-2", L""));

  wchar_t folder[kMailPathChars] = L"left over";
  ASSERT_TRUE(GetProgramFilesFolder(folder));
  EXPECT_STREQ(L"C:\\Program Files", folder);
  // Under WoW64 the service's own ProgramFiles names the 32-bit folder instead.
  BOOL wow64 = FALSE;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
  const std::wstring own = testkit::EnvironmentVariable(L"ProgramFiles");
  ASSERT_FALSE(own.empty());
  EXPECT_EQ(!wow64, own == folder) << testkit::Narrow(own);
}

// What the mail and browser keys may hand to the shell.
TEST(LaunchRules, OnlyFullPathsAreLaunched) {
  for (const wchar_t* path : {L"C:\\Program Files\\Mail\\m.exe", L"z:\\m.exe",
                              L"\\\\server\\share\\m.exe", L"\\\\?\\C:\\m.exe"})
    EXPECT_TRUE(IsFullPath(path)) << testkit::Narrow(path);
  for (const wchar_t* path :
       {L"", L"m.exe", L"ProgramFiles\\Mail\\m.exe", L"SystemRoot\\System32\\wab.exe",
        L"\\Mail\\m.exe", L"C:m.exe", L"C:", L"1:\\m.exe", L"\"C:\\Mail\\m.exe\"", L"\\\\",
        L"\\\\\\x", L" C:\\m.exe", L"%ProgramFiles%\\m.exe"})
    EXPECT_FALSE(IsFullPath(path)) << testkit::Narrow(path);
}

TEST(MailPathRules, ProgramFilesPosition) {
  EXPECT_EQ(0, FindProgramFiles(L"ProgramFiles\\a.exe"));
  EXPECT_EQ(3, FindProgramFiles(L"C:\\ProgramFiles\\x.exe"));
  EXPECT_EQ(10, FindProgramFiles(L"C:\\Mail\\cl"));
  EXPECT_EQ(0, FindProgramFiles(L""));
}

TEST(MailPathRules, CutClearsTheWholeBufferFromItsEnd) {
  wchar_t path[kMailPathChars] = L"a,b";
  path[200] = L'x';  // left-over data past the terminator is cleared as well
  CutIconIndex(path);
  EXPECT_STREQ(L"a", path);
  EXPECT_EQ(L'\0', path[200]);
  wchar_t tail[kMailPathChars] = {};
  tail[255] = L',';
  tail[0] = L'k';
  CutIconIndex(tail);
  EXPECT_STREQ(L"k", tail);
}

TEST(MailPathRules, KeyPathIsBuiltInBoundsOrNotAtAll) {
  wchar_t keyPath[kMailPathChars];
  ASSERT_TRUE(BuildDefaultIconKeyPath(L"Mail App", keyPath));
  EXPECT_STREQ(L"SOFTWARE\\Clients\\Mail\\Mail App\\Protocols\\mailto\\DefaultIcon\\", keyPath);
  // 22 + 203 + 30 characters and the terminator fill the buffer exactly.
  EXPECT_TRUE(BuildDefaultIconKeyPath(std::wstring(203, L'n').c_str(), keyPath));
  EXPECT_EQ(255, lstrlenW(keyPath));
  EXPECT_FALSE(BuildDefaultIconKeyPath(std::wstring(204, L'n').c_str(), keyPath));
  EXPECT_STREQ(L"", keyPath);
}

TEST(MailPathRules, ExpansionStaysInBoundsOrGivesNothing) {
  wchar_t path[kMailPathChars];
  ASSERT_TRUE(ExpandIconLocation(std::wstring(300, L'z').c_str(), path));
  EXPECT_EQ(255, lstrlenW(path));
  ScopedVariable wide(L"MAILPATH_TEST_WIDE", std::wstring(200, L'w').c_str());
  EXPECT_FALSE(ExpandIconLocation(L"%MAILPATH_TEST_WIDE%\\%MAILPATH_TEST_WIDE%,0", path));
  EXPECT_STREQ(L"", path);
}

const wchar_t kMailKey[] = L"SOFTWARE\\Clients\\Mail";

DWORD OpenHandles() { return testkit::CountHandles(GetCurrentProcessId()); }

// The prefix's registry as it is: no knob or journal plays a part here.
class MailPath : public testkit::WithLog<::testing::Test> {
 protected:
  void SetUp() override {
    WithLog::SetUp();
    if (HasFatalFailure()) return;
    // One whole resolution first: what the process sets up once on its first
    // registry read and debug line stays, and is no key left open.
    SetDefaultClient(L"Warm");
    AddClient(L"Warm", L"C:\\warm.exe,0");
    GetMailClientPath();
    SHDeleteKeyW(HKEY_LOCAL_MACHINE, kMailKey);
    lstrcpyW(szExecLocation, L"left over from before");
    log_.Clear();
  }
  void TearDown() override { SHDeleteKeyW(HKEY_LOCAL_MACHINE, kMailKey); }

  static suite::UniqueRegKey CreateKey(const std::wstring& path) {
    suite::UniqueRegKey key;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, key.put(), nullptr));
    return key;
  }
  // The default value with exactly these bytes and type.
  static void SetDefault(const std::wstring& path, DWORD type, const void* data, DWORD bytes) {
    auto key = CreateKey(path);
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key.get(), nullptr, 0, type, static_cast<const BYTE*>(data), bytes));
  }
  static void SetDefaultString(const std::wstring& path, const std::wstring& text,
                               DWORD type = REG_SZ) {
    ASSERT_TRUE(testkit::SetMachineString(path, text, type));
  }
  static std::wstring IconKey(const std::wstring& client) {
    return std::wstring(kMailKey) + L"\\" + client + L"\\Protocols\\mailto\\DefaultIcon";
  }
  static void AddClient(const std::wstring& client, const std::wstring& icon, DWORD type = REG_SZ) {
    SetDefaultString(IconKey(client), icon, type);
  }
  static void SetDefaultClient(const std::wstring& client) { SetDefaultString(kMailKey, client); }

  // Resolves with this process's handle count checked around the call.
  std::wstring Resolve() {
    const DWORD before = OpenHandles();
    GetMailClientPath();
    EXPECT_EQ(before, OpenHandles()) << "a registry key was left open";
    return szExecLocation;
  }
};

TEST_F(MailPath, HandleCountShowsAnOpenKey) {
  const DWORD before = OpenHandles();
  ASSERT_NE(0u, before);
  suite::UniqueRegKey key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_READ, key.put()));
  EXPECT_EQ(before + 1, OpenHandles());
  key.reset();
  EXPECT_EQ(before, OpenHandles());
}

TEST_F(MailPath, WorkedExamplesThroughTheRegistry) {
  const struct {
    const wchar_t* value;
    DWORD type;
    const wchar_t* location;
  } table[] = {
      {L"%ProgramFiles%\\Mail App\\mailapp.exe,-2", REG_EXPAND_SZ,
       L"C:\\Program Files\\Mail App\\mailapp.exe"},
      {L"C:\\PROGRA~1\\MAILAPP\\mailapp.exe,-2", REG_SZ, L"C:\\PROGRA~1\\MAILAPP\\mailapp.exe"},
      {L"C:\\Mail\\client.exe,1,2", REG_SZ, L"C:\\Mail\\client.exe,1"},
      {L"C:\\Mail\\client.exe", REG_SZ, L""},
      {L"C:\\ProgramFiles\\x.exe,0", REG_SZ, L"C:\\ProgramFiles\\x.exe"},
      {L"\"%ProgramFiles%\\Quill\\quill.exe\",0", REG_EXPAND_SZ,
       L"C:\\Program Files\\Quill\\quill.exe"},
  };
  SetDefaultClient(L"Mail App");
  for (const auto& row : table) {
    AddClient(L"Mail App", row.value, row.type);
    EXPECT_EQ(std::wstring(row.location), Resolve()) << row.value;
  }
  // The way Windows' own address book registers itself.
  const std::wstring systemRoot = testkit::EnvironmentVariable(L"SystemRoot");
  ASSERT_FALSE(systemRoot.empty());
  AddClient(L"Mail App", L"%SystemRoot%\\System32\\wab.exe,0", REG_EXPAND_SZ);
  EXPECT_EQ(systemRoot + L"\\System32\\wab.exe", Resolve());
}

TEST_F(MailPath, LogLinesOfAResolution) {
  SetDefaultClient(L"Mail App");
  AddClient(L"Mail App", L"%ProgramFiles%\\Mail App\\mailapp.exe,-2", REG_EXPAND_SZ);
  ASSERT_EQ(L"C:\\Program Files\\Mail App\\mailapp.exe", Resolve());
  EXPECT_EQ((std::vector<std::string>{
                "[Ondrel][FilePath]",
                "SOFTWARE\\Clients\\Mail\\",
                "[Vexil][FilePath]RegQueryValueEx(Path) : %ProgramFiles%\\Mail "
                "App\\mailapp.exe,-2;Copy : ProgramFiles\\Mail App\\mailapp.exe,-2",
                "[Ondrel][FilePath]iPos : 0;szExecLocation = C:\\Program Files\\Mail "
                "App\\mailapp.exe",
            }),
            log_.Texts());
}

TEST_F(MailPath, ClientNamesCompareWithCase) {
  SetDefaultClient(L"Mail App");
  AddClient(L"mail app", L"C:\\wrong.exe,0");
  EXPECT_EQ(L"", Resolve());
  EXPECT_TRUE(log_.Logged("[Ondrel][FilePath]iPos : 0;szExecLocation = "));
}

TEST_F(MailPath, TheClientIsFoundAfterOthers) {
  AddClient(L"Aardvark Mail", L"C:\\aardvark.exe,0");
  AddClient(L"Bee Mail", L"C:\\bee.exe,0");
  AddClient(L"Zebra Mail", L"C:\\Zebra\\zebra.exe,3");
  SetDefaultClient(L"Zebra Mail");
  EXPECT_EQ(L"C:\\Zebra\\zebra.exe", Resolve());
}

TEST_F(MailPath, EveryResolutionStartsEmpty) {
  SetDefaultClient(L"Mail App");
  AddClient(L"Mail App", L"C:\\Mail\\ok.exe,0");
  ASSERT_EQ(L"C:\\Mail\\ok.exe", Resolve());
  SHDeleteKeyW(HKEY_LOCAL_MACHINE, kMailKey);
  EXPECT_EQ(L"", Resolve());
}

TEST_F(MailPath, MissingPiecesGiveAnEmptyPathAndTheirLine) {
  // No mail key at all.
  EXPECT_EQ(L"", Resolve());
  EXPECT_TRUE(log_.Logged("[Vexil][FilePath]RegOpenKeyEx(Main) Failed : "));

  // A mail key without a default client.
  log_.Clear();
  AddClient(L"Mail App", L"C:\\Mail\\ok.exe,0");
  EXPECT_EQ(L"", Resolve());
  EXPECT_TRUE(log_.Logged("[Vexil][FilePath]RegQueryValueEx(EXE) Failed : "));

  // A default client without a key of its own: nothing until the last line.
  log_.Clear();
  SetDefaultClient(L"Other App");
  EXPECT_EQ(L"", Resolve());
  EXPECT_EQ((std::vector<std::string>{"[Ondrel][FilePath]", "SOFTWARE\\Clients\\Mail\\",
                                      "[Ondrel][FilePath]iPos : 0;szExecLocation = "}),
            log_.Texts());

  // The client's key without its DefaultIcon key.
  log_.Clear();
  CreateKey(std::wstring(kMailKey) + L"\\Other App\\Protocols");
  EXPECT_EQ(L"", Resolve());
  EXPECT_TRUE(log_.Logged("[Vexil][FilePath]RegOpenKeyEx(Sub) Failed : "));

  // The DefaultIcon key without a default value.
  log_.Clear();
  CreateKey(IconKey(L"Other App"));
  EXPECT_EQ(L"", Resolve());
  EXPECT_TRUE(log_.Logged("[Vexil][FilePath]RegQueryValueEx(Path) Failed : "));
}

TEST_F(MailPath, OverLongAndNonStringValuesAreFailures) {
  const DWORD number = 7;
  // 128 characters and the terminator: 258 bytes, more than there is room for.
  const std::wstring tooLong(128, L'c');
  SetDefaultClient(tooLong);
  EXPECT_EQ(L"", Resolve());
  EXPECT_TRUE(log_.Logged("[Vexil][FilePath]RegQueryValueEx(EXE) Failed : "));

  log_.Clear();
  SetDefault(kMailKey, REG_DWORD, &number, sizeof number);
  EXPECT_EQ(L"", Resolve());
  EXPECT_TRUE(log_.Logged("[Vexil][FilePath]RegQueryValueEx(EXE) Failed : "));

  log_.Clear();
  SetDefaultClient(L"Mail App");
  AddClient(L"Mail App", std::wstring(130, L'p') + L",0,1");
  EXPECT_EQ(L"", Resolve());
  EXPECT_TRUE(log_.Logged("[Vexil][FilePath]RegQueryValueEx(Path) Failed : "));

  log_.Clear();
  const BYTE bytes[] = {'C', 0, ':', 0, ',', 0, '1', 0};
  SetDefault(IconKey(L"Mail App"), REG_BINARY, bytes, sizeof bytes);
  EXPECT_EQ(L"", Resolve());
  EXPECT_TRUE(log_.Logged("[Vexil][FilePath]RegQueryValueEx(Path) Failed : "));
}

TEST_F(MailPath, UnterminatedValuesAreUsedWhole) {
  // 127 characters and no terminator: 254 bytes.
  const std::wstring client(127, L'm');
  SetDefault(kMailKey, REG_SZ, client.c_str(), 254);
  const std::wstring icon = L"C:\\" + std::wstring(119, L'i') + L".ex,7";
  ASSERT_EQ(127u, icon.size());
  SetDefault(IconKey(client), REG_SZ, icon.c_str(), 254);
  EXPECT_EQ(L"C:\\" + std::wstring(119, L'i') + L".ex", Resolve());
}

TEST_F(MailPath, AValueFillingAllTheRoomWithoutATerminatorNeverRunsPast) {
  // 128 characters, no terminator: 256 bytes. Wine refuses to hand out a string
  // that leaves no room for its terminator (Windows hands it out unterminated).
  const std::wstring client(128, L'm');
  SetDefault(kMailKey, REG_SZ, client.c_str(), 256);
  AddClient(client, L"C:\\Mail\\m.exe,0");
  const std::wstring location = Resolve();
  if (location.empty())
    EXPECT_TRUE(log_.Logged("[Vexil][FilePath]RegQueryValueEx(EXE) Failed : "));
  else
    EXPECT_EQ(L"C:\\Mail\\m.exe", location);
}

TEST_F(MailPath, AnOverLongLogLineIsCut) {
  SetDefaultClient(L"Mail App");
  AddClient(L"Mail App", L"C:\\" + std::wstring(100, L'q') + L".exe,0");
  EXPECT_EQ(L"C:\\" + std::wstring(100, L'q') + L".exe", Resolve());
  const std::string value = "C:\\" + std::string(100, 'q') + ".exe,0";
  const std::string full = "[Vexil][FilePath]RegQueryValueEx(Path) : " + value + ";Copy : " + value;
  ASSERT_GT(full.size(), 255u);
  bool found = false;
  for (const auto& text : log_.Texts()) {
    if (text.rfind("[Vexil][FilePath]RegQueryValueEx(Path)", 0) != 0) continue;
    found = true;
    EXPECT_EQ(full.substr(0, 255), text);
  }
  EXPECT_TRUE(found);
}

}  // namespace
