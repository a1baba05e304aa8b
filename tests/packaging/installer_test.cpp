// The installer round trip, run the way an administrator runs it: setup.exe /S,
// then the uninstaller its registration names, each to its end.
#include <windows.h>

#include <gtest/gtest.h>

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "notebook.h"

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Torvan";
const wchar_t* const kShipped[] = {L"Torvan.exe", L"Tandrel.exe", L"Lumex.dll",   L"Fennic.dll",
                                   L"Ressin.dll", L"Pelvari.dll", L"Pallion.dll", L"Pictor.dll"};
const wchar_t kOtherFolder[] = L"C:\\Hotkeys Elsewhere";
constexpr DWORD kProgramTimeoutMs = 60000;

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The string value, or "<absent>" when the key or value is missing.
std::wstring RegistryString(const wchar_t* keyPath, const wchar_t* name) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return L"<absent>";
  wchar_t value[512] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  const LONG result =
      RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return L"<absent>";
  return type == REG_SZ ? value : L"<not REG_SZ>";
}

bool KeyExists(const wchar_t* keyPath) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

using testkit::Narrow;

// The root the build's signatures chain to, as PEM; empty when the build was
// checked against the system's roots.
std::string SigningRoot() {
  const std::string path = SUITE_SIGN_ROOT;
  return path.empty() ? std::string() : testkit::ReadShared(std::wstring(path.begin(), path.end()));
}

// That root made trusted by this machine, as an administrator trusts a maker's.
bool Trust(const std::string& pem) {
  DWORD size = 0;
  if (pem.empty() ||
      !CryptStringToBinaryA(pem.c_str(), DWORD(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                            &size, nullptr, nullptr))
    return false;
  std::vector<BYTE> der(size);
  if (!CryptStringToBinaryA(pem.c_str(), DWORD(pem.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                            &size, nullptr, nullptr))
    return false;
  HCERTSTORE root =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (!root) return false;
  const BOOL added = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                      CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(root, 0);
  return added != FALSE;
}

// What Windows' Authenticode policy says of a file, asking no one.
LONG VerifyTrust(const std::wstring& path) {
  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = path.c_str();
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  HWND noWindow = static_cast<HWND>(INVALID_HANDLE_VALUE);
  const LONG result = WinVerifyTrust(noWindow, &action, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  WinVerifyTrust(noWindow, &action, &data);
  return result;
}

// Splits a command line of the form "\"path\" arguments".
void SplitCommand(const std::wstring& command, std::wstring* path, std::wstring* arguments) {
  path->clear();
  arguments->clear();
  if (command.size() < 2 || command[0] != L'"') return;
  const size_t close = command.find(L'"', 1);
  if (close == std::wstring::npos) return;
  *path = command.substr(1, close - 1);
  if (close + 2 <= command.size()) *arguments = command.substr(close + 2);
}

// The names of a PE file's sections, long ones looked up in its string table.
std::vector<std::string> SectionNames(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  const std::vector<char> image((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  std::vector<std::string> names;
  auto at = [&](size_t offset, size_t size) {
    return offset + size <= image.size() ? image.data() + offset : nullptr;
  };
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0, sizeof(IMAGE_DOS_HEADER)));
  if (!dos) return names;
  const auto* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS32*>(at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS32)));
  if (!nt) return names;
  const IMAGE_FILE_HEADER& coff = nt->FileHeader;
  const size_t strings = coff.PointerToSymbolTable + coff.NumberOfSymbols * 18;
  const size_t first =
      dos->e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + coff.SizeOfOptionalHeader;
  for (WORD i = 0; i < coff.NumberOfSections; ++i) {
    const auto* section = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        at(first + i * sizeof(IMAGE_SECTION_HEADER), sizeof(IMAGE_SECTION_HEADER)));
    if (!section) break;
    std::string name(reinterpret_cast<const char*>(section->Name),
                     strnlen(reinterpret_cast<const char*>(section->Name), 8));
    if (name[0] == '/' && coff.PointerToSymbolTable) {
      const char* longName = at(strings + std::strtoul(name.c_str() + 1, nullptr, 10), 1);
      if (longName) name = longName;
    }
    names.push_back(name);
  }
  return names;
}

// A file's version record: its fixed version as "a.b.c.d" and its original name.
struct FileVersion {
  std::string version;
  std::wstring originalName;
};

FileVersion VersionOf(const std::wstring& path) {
  FileVersion result;
  DWORD unused = 0;
  std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), &unused));
  if (block.empty() || !GetFileVersionInfoW(path.c_str(), 0, DWORD(block.size()), block.data()))
    return result;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) && fixed) {
    char text[64];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu.%lu", fixed->dwFileVersionMS >> 16,
                  fixed->dwFileVersionMS & 0xFFFF, fixed->dwFileVersionLS >> 16,
                  fixed->dwFileVersionLS & 0xFFFF);
    result.version = text;
  }
  wchar_t* name = nullptr;
  if (VerQueryValueW(block.data(), L"\\StringFileInfo\\040904b0\\OriginalFilename",
                     reinterpret_cast<void**>(&name), &size) &&
      name)
    result.originalName = name;
  return result;
}

DWORD RegistryDword(const wchar_t* keyPath, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  RegGetValueW(HKEY_LOCAL_MACHINE, keyPath, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return value;
}

// What the files of a folder hold, in KB.
double FolderKilobytes(const std::wstring& folder) {
  double bytes = 0;
  testkit::ForEachFile(folder, [&](const std::wstring&, const WIN32_FIND_DATAW& found) {
    bytes += found.nFileSizeLow;
  });
  return bytes / 1024;
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    testkit::ResetJournal();
    testkit::ClearKnobs();
    StopSuite();
    // A previous case may have left an installation or files of its own.
    RemoveFolder(testkit::AppDir());
    RemoveFolder(kOtherFolder);
    ASSERT_FALSE(Exists(testkit::AppDir()));
    HKEY run;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
      RegDeleteValueW(run, L"Tandrel");
      RegCloseKey(run);
    }
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
  }

  void TearDown() override { StopSuite(); }

  static void RemoveFolder(const std::wstring& folder) {
    for (const wchar_t* file : kShipped) DeleteFileW((folder + L"\\" + file).c_str());
    DeleteFileW((folder + L"\\uninst.exe").c_str());
    DeleteFileW((folder + L"\\notes.txt").c_str());
    RemoveDirectoryW(folder.c_str());
  }

  static void StopSuite() {
    testkit::KillProcesses(L"Tandrel.exe");
    testkit::KillProcesses(L"Torvan.exe");
  }

  // Runs a program to its end; its exit code, or STILL_ACTIVE when it hung.
  static DWORD Run(const std::wstring& path, const std::wstring& arguments) {
    testkit::Process process = testkit::StartProgram(path, arguments);
    EXPECT_TRUE(process.Started()) << Narrow(path) << " " << GetLastError();
    if (!process.WaitForExit(kProgramTimeoutMs)) {
      process.Kill();
      return STILL_ACTIVE;
    }
    return process.ExitCode();
  }

  static DWORD RunSetup(const std::wstring& arguments = L"/S") {
    return Run(testkit::BinDir() + L"\\setup.exe", arguments);
  }

  // The quiet uninstall exactly as registered. It hands over to a copy of itself
  // in a temporary folder ("Un.exe") and returns at once; that copy's end is the
  // uninstall's.
  static void RunRegisteredUninstall() {
    std::wstring path, arguments;
    SplitCommand(RegistryString(kUninstallKey, L"QuietUninstallString"), &path, &arguments);
    ASSERT_TRUE(Exists(path)) << Narrow(path);
    ASSERT_EQ(0u, Run(path, arguments));
    ASSERT_TRUE(testkit::WaitUntil([] { return testkit::CountProcesses(L"Un.exe") == 0; }, 30000))
        << "the uninstaller did not finish";
  }

  // Starts what the Run entry names, as a logon would, and waits for the
  // service's window; the service's pid.
  static DWORD StartAtLogon() {
    std::wstring path, arguments;
    SplitCommand(RegistryString(kRunKey, L"Tandrel"), &path, &arguments);
    testkit::Process watcher = testkit::StartProgram(path, arguments);
    EXPECT_TRUE(watcher.Started()) << Narrow(path);
    const DWORD service =
        testkit::WindowProcess(testkit::WaitForWindow(L"Torvan", L"Torvan", 20000));
    // The window exists from the start of dialog initialisation; the driver is
    // opened after the image and display libraries were loaded.
    EXPECT_TRUE(testkit::WaitForJournal("ACPI_LoadDriver", 20000));
    return service;
  }

  static void ExpectNothingLeft(const std::wstring& folder) {
    for (const wchar_t* file : kShipped)
      EXPECT_FALSE(Exists(folder + L"\\" + file)) << Narrow(file);
    EXPECT_FALSE(Exists(folder + L"\\uninst.exe"));
    EXPECT_FALSE(Exists(folder));
    EXPECT_EQ(L"<absent>", RegistryString(kRunKey, L"Tandrel"));
    EXPECT_FALSE(KeyExists(kUninstallKey));
    EXPECT_EQ(0, testkit::CountProcesses(L"Tandrel.exe"));
    EXPECT_EQ(0, testkit::CountProcesses(L"Torvan.exe"));
  }
};

// The service needs the notebook's ACPI access library, which is the
// notebook's, not the installer's.
class InstalledSuite : public Installer {
 protected:
  void SetUp() override {
    Installer::SetUp();
    ASSERT_TRUE(testkit::PlaceInSystemFolder(L"testbed\\TARNACPIDLL32.dll")) << GetLastError();
  }
  void TearDown() override {
    Installer::TearDown();
    testkit::RemoveFromSystemFolder(L"TARNACPIDLL32.dll");
  }
};

TEST_F(Installer, SilentInstallPutsEveryBinaryTheRunEntryAndTheUninstaller) {
  ASSERT_EQ(0u, RunSetup());

  for (const wchar_t* file : kShipped) {
    ASSERT_TRUE(Exists(testkit::AppPath(file))) << Narrow(file) << " not installed";
    // The very bytes the build signed (and checked against its root), signature and all.
    const std::string built = testkit::ReadShared(testkit::BinDir() + L"\\" + file);
    ASSERT_FALSE(built.empty()) << Narrow(file);
    EXPECT_TRUE(built == testkit::ReadShared(testkit::AppPath(file))) << Narrow(file);
    // Shipped as released: stripped, debug information only beside the build, and
    // the suite's one version with the file's own name.
    const std::vector<std::string> sections = SectionNames(testkit::AppPath(file));
    EXPECT_FALSE(sections.empty()) << Narrow(file);
    for (const std::string& name : sections) EXPECT_NE(0u, name.rfind(".debug_", 0)) << name;
    const FileVersion version = VersionOf(testkit::AppPath(file));
    EXPECT_EQ(SUITE_VERSION, version.version) << Narrow(file);
    EXPECT_EQ(file, version.originalName);
  }
  EXPECT_EQ(L"\"" + testkit::AppPath(L"Tandrel.exe") + L"\"", RegistryString(kRunKey, L"Tandrel"));
  EXPECT_EQ(Narrow(RegistryString(kUninstallKey, L"DisplayVersion")), SUITE_VERSION);
  const double installed = FolderKilobytes(testkit::AppDir());
  EXPECT_NEAR(installed, RegistryDword(kUninstallKey, L"EstimatedSize"), installed / 10);

  EXPECT_EQ(L"\"" + testkit::AppPath(L"uninst.exe") + L"\"",
            RegistryString(kUninstallKey, L"UninstallString"));
  EXPECT_EQ(L"\"" + testkit::AppPath(L"uninst.exe") + L"\" /S",
            RegistryString(kUninstallKey, L"QuietUninstallString"));
  EXPECT_EQ(L"Torvan", RegistryString(kUninstallKey, L"DisplayName"));
  EXPECT_EQ(testkit::AppDir(), RegistryString(kUninstallKey, L"InstallLocation"));
  // The uninstaller setup.exe writes is the one the build signed before packing it.
  const std::string signedUninstaller =
      testkit::ReadShared(testkit::BinDir() + L"\\..\\signing\\uninst.exe");
  ASSERT_FALSE(signedUninstaller.empty());
  EXPECT_TRUE(signedUninstaller == testkit::ReadShared(testkit::AppPath(L"uninst.exe")));
  // Installing starts nothing: the watcher starts at the next logon.
  EXPECT_EQ(0, testkit::CountProcesses(L"Tandrel.exe"));
  EXPECT_EQ(0, testkit::CountProcesses(L"Torvan.exe"));
}

// Windows' own check of what was installed, with the build's root trusted; and
// of a copy changed by one byte after signing. Wine's check finds a missing
// signature and a wrong digest but accepts a root nobody trusted, so whether
// the chain ends at the build's root is osslsigncode's to check (check-signatures).
TEST_F(Installer, TheInstalledServicePassesWindowsOwnCheck) {
  const std::string root = SigningRoot();
  if (std::string(SUITE_SIGN_ROOT).empty()) GTEST_SKIP() << "checked against the system's roots";
  ASSERT_FALSE(root.empty()) << SUITE_SIGN_ROOT;
  ASSERT_EQ(0u, RunSetup());
  ASSERT_TRUE(Trust(root)) << GetLastError();
  EXPECT_EQ(ERROR_SUCCESS, VerifyTrust(testkit::AppPath(L"Torvan.exe")));
  EXPECT_EQ(ERROR_SUCCESS, VerifyTrust(testkit::AppPath(L"uninst.exe")));

  std::string bytes = testkit::ReadShared(testkit::AppPath(L"Torvan.exe"));
  ASSERT_GT(bytes.size(), 0x410u);
  bytes[0x410] = char(bytes[0x410] + 1);
  const std::wstring changed = L"C:\\changed-Torvan.exe";
  std::ofstream(changed.c_str(), std::ios::binary)
      .write(bytes.data(), std::streamsize(bytes.size()));
  EXPECT_NE(ERROR_SUCCESS, VerifyTrust(changed));
  DeleteFileW(changed.c_str());
}

TEST_F(Installer, SilentUninstallLeavesNothing) {
  ASSERT_EQ(0u, RunSetup());
  RunRegisteredUninstall();
  ExpectNothingLeft(testkit::AppDir());
}

TEST_F(Installer, UninstallKeepsAFileItDidNotInstallAndSoTheFolder) {
  ASSERT_EQ(0u, RunSetup());
  const std::wstring notes = testkit::AppPath(L"notes.txt");
  HANDLE file = CreateFileW(notes.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);

  RunRegisteredUninstall();
  for (const wchar_t* shipped : kShipped)
    EXPECT_FALSE(Exists(testkit::AppPath(shipped))) << Narrow(shipped);
  EXPECT_TRUE(Exists(notes));
  EXPECT_EQ(L"<absent>", RegistryString(kRunKey, L"Tandrel"));
  EXPECT_FALSE(KeyExists(kUninstallKey));
}

TEST_F(Installer, AnotherFolderIsWhatTheRunEntryAndTheUninstallerName) {
  const std::wstring folder = kOtherFolder;
  // /D must be last and unquoted, spaces and all.
  ASSERT_EQ(0u, RunSetup(L"/S /D=" + folder));
  EXPECT_TRUE(Exists(folder + L"\\Tandrel.exe"));
  EXPECT_FALSE(Exists(testkit::AppDir()));
  EXPECT_EQ(L"\"" + folder + L"\\Tandrel.exe\"", RegistryString(kRunKey, L"Tandrel"));

  RunRegisteredUninstall();
  ExpectNothingLeft(folder);
}

// A file that cannot be replaced must not be skipped in silence.
TEST_F(Installer, ALockedFileFailsTheInstallInsteadOfPassingAsSuccess) {
  CreateDirectoryW(testkit::AppDir().c_str(), nullptr);
  HANDLE locked = CreateFileW(testkit::AppPath(L"Lumex.dll").c_str(), GENERIC_READ | GENERIC_WRITE,
                              0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, locked);
  const DWORD exitCode = RunSetup();
  CloseHandle(locked);
  EXPECT_NE(STILL_ACTIVE, exitCode) << "the silent installer waited for an answer";
  EXPECT_NE(0u, exitCode);
  // Nothing starts from the incomplete folder at logon, and it can be removed.
  EXPECT_EQ(L"<absent>", RegistryString(kRunKey, L"Tandrel"));
  RunRegisteredUninstall();
  ExpectNothingLeft(testkit::AppDir());
}

TEST_F(InstalledSuite, TheWatcherFromTheInstalledFolderStartsTheInstalledService) {
  ASSERT_EQ(0u, RunSetup());
  const DWORD service = StartAtLogon();
  ASSERT_NE(0u, service) << "no service window";

  for (const wchar_t* file : {L"Torvan.exe", L"Lumex.dll", L"Pictor.dll"})
    EXPECT_TRUE(testkit::HasModule(service, testkit::AppPath(file))) << Narrow(file);
  EXPECT_EQ(1, testkit::CountProcesses(L"Tandrel.exe"));
  EXPECT_EQ(1, testkit::CountProcesses(L"Torvan.exe"));
}

// The watcher would start the old service again and running files cannot be
// removed: the uninstaller ends both first.
TEST_F(InstalledSuite, UninstallWhileTheSuiteRunsEndsItAndLeavesNothing) {
  ASSERT_EQ(0u, RunSetup());
  ASSERT_NE(0u, StartAtLogon());
  RunRegisteredUninstall();
  ExpectNothingLeft(testkit::AppDir());
}

TEST_F(InstalledSuite, InstallOverARunningSuiteReplacesIt) {
  ASSERT_EQ(0u, RunSetup());
  ASSERT_NE(0u, StartAtLogon());
  ASSERT_EQ(0u, RunSetup());
  EXPECT_EQ(0, testkit::CountProcesses(L"Tandrel.exe"));
  EXPECT_EQ(0, testkit::CountProcesses(L"Torvan.exe"));
  for (const wchar_t* file : kShipped) EXPECT_TRUE(Exists(testkit::AppPath(file))) << Narrow(file);
  // What was replaced runs again.
  EXPECT_NE(0u, StartAtLogon());
}

}  // namespace
