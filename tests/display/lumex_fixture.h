// A fresh Lumex.dll per test, loaded from the installed suite folder, with the
// vendor stand-ins a test group places in the system folder. The vendors' own libraries stay
// loaded once found (as on Windows), so which files are present is fixed per test
// program run: each group is registered as its own ctest test with a filter.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_capture.h"
#include "contract.h"
#include "notebook.h"

// The Intel object's program id out of the registry while this lives: its
// CLSID, or with wholeKey its key as well.
class IntelProgramIdRemoved {
 public:
  explicit IntelProgramIdRemoved(bool wholeKey) {
    removed_ = RegDeleteKeyW(HKEY_LOCAL_MACHINE, kClsidKey) == ERROR_SUCCESS &&
               (!wholeKey || RegDeleteKeyW(HKEY_LOCAL_MACHINE, kProgIdKey) == ERROR_SUCCESS);
  }
  ~IntelProgramIdRemoved() {
    const wchar_t clsid[] = L"{05FE2AF0-2EA5-4B69-81BD-A7AC71A0D2F0}";
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kClsidKey, nullptr, REG_SZ, clsid, sizeof clsid);
  }
  bool Removed() const { return removed_; }

 private:
  static constexpr const wchar_t* kProgIdKey = L"Software\\Classes\\IgfxExt.CUIExternal";
  static constexpr const wchar_t* kClsidKey = L"Software\\Classes\\IgfxExt.CUIExternal\\CLSID";
  bool removed_ = false;
};

// Installs Lumex.dll and puts the given vendor stand-ins (relative to bin) into
// the system folder, where Lumex looks for them.
void PlaceLibraries(std::initializer_list<const wchar_t*> standIns);

class LumexTest : public testkit::WithLog<> {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs one request; returns the lines it wrote.
  std::vector<std::string> Layout(int code) {
    return log_.Of([&] { onMonitorLayout_(code); });
  }

  HMODULE lumex_ = nullptr;
  PFN_OnMonitorLayout onMonitorLayout_ = nullptr;
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

using Lines = std::vector<std::string>;

// What the service's three detection steps write when each finds no vendor.
constexpr char kVexilError[] = "[Vexil][HotkeyThread]IniGraphics(0x61) Error";
constexpr char kAtiStepError[] = "[Lumex][HotkeyThread]IniGraphics(0x61) Error";
constexpr char kNvidiaStepError[] = "[Lumex][OnMonitorLayoutNVidia]IniGraphics(0x61) Error";
constexpr char kNoAtiLibrary[] = "[Lumex][AtiPdlLoad]LoadLibrary(\"atitmmxx.dll\") Error ";

// The lines of a request whose three steps each write cause before their error.
inline Lines EachStepFails(const std::string& cause) {
  return {cause, kVexilError, cause, kAtiStepError, cause, kNvidiaStepError};
}

using testkit::ComponentCalls;
// How many calls of a component begin with prefix.
inline int CountCalls(const std::string& component, const std::string& prefix) {
  return testkit::CountCalls(testkit::JournalCalls(component), component + " " + prefix);
}
// The "[..]" record of a journaled call as bytes.
std::vector<unsigned char> RecordBytes(const std::string& call);
// A little-endian 32-bit word of a record.
unsigned long WordAt(const std::vector<unsigned char>& record, size_t offset);
