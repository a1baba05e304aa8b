// Starts the real Tandrel.exe beside the real Torvan.exe and watches both.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acpi_client.h"
#include "notebook.h"

namespace watcher {

constexpr UINT kSessionChange = 0x2B1;  // WM_WTSSESSION_CHANGE
constexpr WPARAM kConsoleConnect = 1;
constexpr WPARAM kConsoleDisconnect = 2;
constexpr WPARAM kSessionLock = 7;
constexpr WPARAM kSessionUnlock = 8;
constexpr WPARAM kAboutCommand = 104;
constexpr WPARAM kExitCommand = 105;
constexpr const wchar_t* kMutexName = L"Global\\QRT Tandrel.exe";
// The stand-in service that journals how it was started.
constexpr const wchar_t* kServiceProbe = L"tests\\watcher-probe\\Torvan.exe";

using testkit::ProcessIds;
using testkit::WindowProcess;
inline bool MutexExists() { return testkit::MutexExists(kMutexName); }
// Until a "Torvan" service window of a process other than notPid exists; its pid.
DWORD WaitForServiceWindow(DWORD notPid, DWORD timeoutMs);

class WatcherTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Installs the watcher with the real service and the ACPI stand-in.
  void InstallWatcherAndService();
  // Starts the installed watcher (in its own folder unless a working directory
  // is given) and waits for its hidden window.
  HWND StartWatcher(const std::wstring& workingDirectory = L"");
  // Starts the watcher and waits until the service it started has its window.
  DWORD StartWatcherAndService();
  void PostSessionChange(WPARAM code);
  // Posts it and tells whether process pid ends within 10 s.
  bool PostSessionChangeThatEnds(WPARAM code, DWORD pid);
  // Posted messages are handled in order: once the About box of a posted
  // command 104 is up, everything posted before it has been handled.
  void WaitUntilHandled();
  HWND OpenAbout();
  void CloseAbout(HWND about, WPARAM command = IDOK);

  testkit::Process watcher_;
  HWND window_ = nullptr;
};

// The watcher installed beside the real service and the ACPI stand-in.
class InstalledWatcherTest : public WatcherTest {
 protected:
  void SetUp() override {
    WatcherTest::SetUp();
    InstallWatcherAndService();
  }
};

}  // namespace watcher
