// The real Torvan.exe on a fully equipped notebook, watched from outside: its
// private bytes, handles and GDI objects, and whether it still answers a key.
#pragma once

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include "../dispatch/dispatch_fixture.h"
#include "contract.h"
#include "handles.h"

// Every notify code the service acts on.
constexpr DWORD kValidCodes[] = {17, 18, 24, 31, 32, 39, 46, 48, 49, 50,  51,  52,  80,
                                 81, 87, 88, 93, 94, 95, 97, 98, 99, 107, 110, 125, 126};

// Keys whose work leaks handles inside Wine 8 itself: code 97 ends with
// ChangeDisplaySettingsExW(NULL, NULL, NULL, 0, NULL), which leaves 3 handles per
// call in a bare program too (bench/wine_probe measures it). The service's own
// objects are released; handle counts are checked over the other keys only.
constexpr DWORD kWineLeakCodes[] = {97};

inline bool WineLeaks(DWORD code) {
  for (DWORD leaky : kWineLeakCodes)
    if (code == leaky) return true;
  return false;
}

// Growth a leak-free run may still show: what the loader, GDI+ or the shell make
// on first use and keep. A leak per key or message is a multiple of the count.
constexpr DWORD kHandleSlack = 4;
constexpr DWORD kGdiSlack = 4;
// And one thread's stack (1 MiB reserved): in the emulated machine, runs with
// no more threads, handles or GDI objects than before ended up 0.8 and 1.1 MiB
// higher in private bytes, once each, and the same runs repeated stayed within
// the old bound: most likely address space ended threads had not yet given back.
constexpr SIZE_T kPrivateSlack = 256 * 1024 + 1024 * 1024;

class SoakTest : public DispatchTest {
 protected:
  void SetUp() override {
    DispatchTest::SetUp();
    testkit::SetNetAdapters({kIntelAdapter});
    // Launch keys start the journal-only stand-ins, which end at once.
    testkit::SetKnob("acpi", "ORMX", 1);
    SetDefaultMailClient(L"Quillmail");
  }

  // Until done() holds, looking every everyMs; false when timeoutMs passed first.
  template <typename Done>
  static bool Until(Done done, DWORD timeoutMs, DWORD everyMs) {
    for (const DWORD start = GetTickCount(); !done(); Sleep(everyMs))
      if (GetTickCount() - start > timeoutMs) return false;
    return true;
  }

  // Until the service has handled every key injected so far and the OSD is down.
  // A last key 94 marks the end: keys are handled one at a time, and its radio call
  // is journaled 50 ms after its read, so a call later than the last read is its
  // own. Its display cycle is then seen up and over.
  bool Drained(DWORD timeoutMs) {
    const DWORD marker = 94;
    if (!testbed::InjectCodes(&marker, 1)) return false;
    const DWORD start = GetTickCount();
    auto until = [&](auto done, DWORD everyMs) {
      return Until(done, timeoutMs - std::min(timeoutMs, GetTickCount() - start), everyMs);
    };
    TarnAcpiStats stats = {};
    auto allRead = [&] {
      stats = DriverStats();
      return stats.codesQueued == 0 && stats.readsServed >= stats.codesInjected;
    };
    auto markerHandled = [&] {
      const ULONGLONG read =
          ((ULONGLONG(stats.lastReadTimeHigh) << 32) | stats.lastReadTimeLow) / 10;
      for (const auto& line : testkit::ReadJournal())
        if (line.component == "Ressin" && line.call.rfind("WLANOnOff(1)", 0) == 0 &&
            line.micros > read + 25000)
          return true;
      return false;
    };
    return until(allRead, 20) && until(markerHandled, 20) &&
           until([&] { return IsWindowVisible(osd_) != FALSE; }, 2) &&
           until([&] { return !IsWindowVisible(osd_); }, 10);
  }

  // Measured from outside, where Wine answers some queries with zeros: a zero
  // here would make every comparison pass.
  testkit::ProcessResources Resources() {
    const testkit::ProcessResources resources = testkit::MeasureResources(service_.Handle());
    EXPECT_NE(0u, resources.handles) << "the handle count is not measurable";
    EXPECT_NE(0u, resources.gdiObjects) << "the GDI count is not measurable";
    EXPECT_NE(0u, resources.privateBytes) << "private bytes are not measurable";
    return resources;
  }

  void ExpectNoGrowth(const testkit::ProcessResources& before) {
    // A display thread still on its way out holds its stack: measured once no more
    // threads run than did before.
    testkit::ProcessResources after;
    testkit::WaitUntil([&] { return (after = Resources()).threads <= before.threads; }, 10000);
    EXPECT_LE(after.handles, before.handles + kHandleSlack);
    EXPECT_LE(after.gdiObjects, before.gdiObjects + kGdiSlack);
    EXPECT_LE(after.privateBytes, before.privateBytes + before.privateBytes / 100 + kPrivateSlack);
    printf("handles %lu -> %lu, GDI objects %lu -> %lu, private bytes %lu -> %lu\n", before.handles,
           after.handles, before.gdiObjects, after.gdiObjects, (unsigned long)before.privateBytes,
           (unsigned long)after.privateBytes);
  }

  // Volume up from silence reaches the Core Audio double and is confirmed on screen.
  void ExpectVolumeKeyAnswered() {
    ASSERT_TRUE(StillRunning());
    testkit::SetKnob("mmdevapi", "MasterScalar", 0);
    testkit::SetKnob("mmdevapi", "Mute", 0);
    const size_t before = testkit::JournalCalls("mmdevapi").size();
    EXPECT_TRUE(PressShowsOsd(48));
    const auto calls = testkit::JournalCalls("mmdevapi");
    bool set = false;
    for (size_t i = before; i < calls.size(); ++i)
      set = set || calls[i].find("SetMasterVolumeLevelScalar(") != std::string::npos;
    EXPECT_TRUE(set) << "the volume key did not reach the audio endpoint";
  }

  std::mt19937 random_{20240611};
};
