// The simulated notebook as Ressin sees it: the WLAN API double's interfaces
// and notifications, the connections manager's connections, the Mobility Center
// process and the service's window.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "contract.h"
#include "notebook_fixture.h"
#include "journal.h"

namespace ressin_test {

constexpr DWORD kSourceAcm = 8;
constexpr DWORD kNoListener = 255;

using testkit::SetStringKnob;

// What the service would pass to InitRessin: 1 on Vista, 2 on Windows 7.
int VersionCode();

using testkit::MobilityCenter;
using testkit::WlanNotify;

struct Posted {
  WPARAM wParam;
  LPARAM lParam;
  DWORD tick;  // when it was posted
};

// A window in the test process standing in for the service's main window.
class ServiceWindow {
 public:
  explicit ServiceWindow(const wchar_t* className = L"Torvan", const wchar_t* title = L"Torvan");
  ~ServiceWindow();
  HWND Handle() const { return hwnd_; }
  // Message 1128 received so far (the queue is read on the calling thread,
  // which must be the one that made the window).
  const std::vector<Posted>& Messages();
  // Forgets what arrived so far.
  void Clear() {
    Messages();
    messages_.clear();
  }

 private:
  HWND hwnd_ = nullptr;
  std::vector<Posted> messages_;
};

// "Ressin.dll" loaded by file name and its three entries bound, as the service
// does.
class RessinLibrary {
 public:
  RessinLibrary();
  ~RessinLibrary();
  bool Loaded() const { return module_ && init_ && uninit_ && onoff_; }
  int Init(int code) { return init_(code); }
  int UnInit() { return uninit_(); }
  int OnOff(int on) { return onoff_(on); }
  // Frees the library now (the destructor then does nothing).
  void Unload();
  // Unload, then true once Ressin.dll has left the process. A re-check holds the
  // library until it has ended, so nothing of it can post after this.
  bool UnloadAndWaitForRechecks(DWORD timeoutMs = 10000);

 private:
  HMODULE module_ = nullptr;
  PFN_InitRessin init_ = nullptr;
  PFN_UnInitRessin uninit_ = nullptr;
  PFN_WLANOnOff onoff_ = nullptr;
};

// Exactly one message 1128 has arrived, with wParam 0 and this lParam.
::testing::AssertionResult PostedOne(ServiceWindow& service, LPARAM lParam);

// A fresh notebook with Ressin.dll loaded as the service loads it.
class RessinTest : public testkit::FreshNotebook {
 protected:
  void SetUp() override {
    FreshNotebook::SetUp();
    ASSERT_TRUE(ressin_.Loaded());
  }

  RessinLibrary ressin_;
};

// And initialised with this Windows version's code, as the service does.
class InitialisedRessin : public RessinTest {
 protected:
  void SetUp() override {
    RessinTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(1, ressin_.Init(VersionCode()));
  }
};

// Base, then where a notification's message goes: the Mobility Center running
// and the service's window. The stand-in counts as running once it has written
// its first journal line, so it starts after Base has made the journal fresh.
template <typename Base>
class WithMobilityCenter : public Base {
 protected:
  void SetUp() override {
    Base::SetUp();
    if (::testing::Test::HasFatalFailure()) return;
    mblctr_.emplace();
    ASSERT_TRUE(mblctr_->Running());
  }

  std::optional<MobilityCenter> mblctr_;
  ServiceWindow service_;
};

// Lines of one component's journal, each "<component> <call>".
std::vector<std::string> Calls(const char* component);
using testbed::KnobDword;
using testkit::Contains;
using testkit::CountCalls;
using testkit::System32;

}  // namespace ressin_test
