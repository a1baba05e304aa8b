// Starts the real Torvan.exe on the simulated notebook and watches it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acpi_client.h"
#include "notebook.h"

// What a fully equipped notebook has beside the service: its own outside
// libraries and journal-only stand-ins for the suite's libraries.
inline void InstallFullNotebook() {
  testkit::InstallApp({L"Torvan.exe", L"testbed\\TARNACPIDLL32.dll", L"testbed\\QKBD.dll",
                       L"testbed\\Sorrel.dll", L"testbed\\Pelvara.dll",
                       L"testbed\\probes\\Lumex.dll", L"testbed\\probes\\Fennic.dll",
                       L"testbed\\probes\\Ressin.dll", L"testbed\\probes\\Pelvari.dll",
                       L"testbed\\probes\\Pallion.dll"});
}

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testkit::KillProcesses(L"Torvan.exe");
    testkit::ClearKnobs();
    testkit::ResetJournal();
    testkit::SetNetAdapters({});
    ASSERT_TRUE(testbed::ResetDriver()) << "the ACPI driver stand-in is not running";
  }

  void TearDown() override {
    service_.Kill();
    testkit::KillProcesses(L"Torvan.exe");
  }

  // Starts the installed service and waits until its dialog initialisation is
  // over (the window answers messages only once it has returned).
  HWND StartService() {
    service_ = testkit::StartProgram(testkit::AppPath(L"Torvan.exe"));
    EXPECT_TRUE(service_.Started());
    HWND hwnd = testkit::WaitForWindow(L"Torvan", L"Torvan", 10000);
    EXPECT_NE(nullptr, hwnd) << "no Torvan window";
    if (hwnd) {
      DWORD_PTR ignored = 0;
      EXPECT_NE(0, SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_BLOCK, 15000, &ignored));
    }
    return hwnd;
  }

  // Copies a file from bin (e.g. L"testbed\\nvapi.dll") beside the installed service.
  static bool PlaceBeside(const std::wstring& relative) {
    const size_t slash = relative.find_last_of(L'\\');
    const std::wstring name = slash == std::wstring::npos ? relative : relative.substr(slash + 1);
    return CopyFileW((testkit::BinDir() + L"\\" + relative).c_str(),
                     testkit::AppPath(name.c_str()).c_str(), FALSE) != FALSE;
  }

  // Asks the service to end the way its dialog ends and waits for the process.
  void CloseService(HWND hwnd) {
    PostMessageW(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(service_.WaitForExit(15000)) << "Torvan.exe did not end after WM_CLOSE";
    EXPECT_EQ(0u, service_.ExitCode());
  }

  // Presses the keys and then the browser key: the hotkey thread handles one key
  // at a time, so once it asks for "ORMX" every key before it has been handled.
  void PressAndWaitHandled(std::vector<DWORD> codes) {
    const std::string asked = "acpi None_Method_Raw(ORMX)";
    const int before = testkit::CountCalls(testkit::JournalCalls(), asked);
    codes.push_back(81);
    ASSERT_TRUE(testbed::InjectCodes(codes.data(), codes.size()));
    ASSERT_TRUE(testkit::WaitForJournal(asked, 15000, before + 1)) << "keys not handled";
  }

  TarnAcpiStats DriverStats() {
    TarnAcpiStats stats = {};
    stats.size = sizeof stats;
    EXPECT_TRUE(testbed::QueryStats(&stats));
    return stats;
  }

  // Until the driver's count of served (or failed) reads is n, or the time is up.
  bool WaitForReads(unsigned n, DWORD timeoutMs,
                    unsigned int TarnAcpiStats::*count = &TarnAcpiStats::readsServed) {
    return testkit::WaitUntil([&] { return DriverStats().*count >= n; }, timeoutMs);
  }

  testkit::Process service_;
};

class FullNotebookTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    InstallFullNotebook();
  }
};
