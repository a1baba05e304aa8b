// A fresh Lumex.dll per test, loaded from the installed suite folder, with the
// vendor stand-ins a test group places beside it. The vendors' own libraries stay
// loaded once found (as on Windows), so which files are present is fixed per test
// program run: each group is registered as its own ctest test with a filter.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_capture.h"
#include "notebook.h"

typedef void(__cdecl* PFN_OnMonitorLayout)(int layoutCode);

// Places Lumex.dll and the given stand-ins (relative to bin) where the library
// search of this process finds them.
void PlaceLibraries(std::initializer_list<const wchar_t*> standIns);

class LumexTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs one request; returns the lines it wrote.
  std::vector<std::string> Layout(int code) {
    return log_.Of([&] { onMonitorLayout_(code); });
  }

  HMODULE lumex_ = nullptr;
  PFN_OnMonitorLayout onMonitorLayout_ = nullptr;
  testkit::LogCapture log_;
};

// The groups: which stand-ins are placed for the whole run of the program.
class IntelNvidia : public LumexTest {
 protected:
  static void SetUpTestSuite() { PlaceLibraries({L"testbed\\nvapi.dll"}); }
};

class Ati : public LumexTest {
 protected:
  static void SetUpTestSuite() { PlaceLibraries({L"testbed\\atitmmxx.dll"}); }
};

class AtiNoAdapterId : public LumexTest {
 protected:
  static void SetUpTestSuite() {
    PlaceLibraries({L"testbed\\variants\\ati-no-ATIDL_GetAdapterID\\atitmmxx.dll"});
  }
};

class NoVendor : public LumexTest {
 protected:
  static void SetUpTestSuite() { PlaceLibraries({}); }
};

// Journal calls of one component, without the component name.
std::vector<std::string> Calls(const std::string& component);
// How many calls of a component begin with prefix.
int CountCalls(const std::string& component, const std::string& prefix);
// The "[..]" record of a journaled call as bytes.
std::vector<unsigned char> RecordBytes(const std::string& call);
// A little-endian 32-bit word of a record.
unsigned long WordAt(const std::vector<unsigned char>& record, size_t offset);
