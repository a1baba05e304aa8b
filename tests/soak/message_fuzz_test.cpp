// Random touchpad-mode and network-availability messages posted to the real
// service: only the well-formed ones act, each exactly once, and nothing leaks.
#include "soak_fixture.h"

namespace {

constexpr int kMessages = 10000;
constexpr int kChunk = 500;

class MessageFuzz : public SoakTest {
 protected:
  // The "WLED" calls journaled so far, by argument.
  void CountWled(int* off, int* on) {
    *off = *on = 0;
    for (const auto& call : testkit::JournalCalls("acpi")) {
      if (call.find("One_Method_Raw(WLED, 0)") != std::string::npos) ++*off;
      if (call.find("One_Method_Raw(WLED, 1)") != std::string::npos) ++*on;
    }
  }

  bool WledCountsReach(int off, int on, DWORD timeoutMs) {
    int seenOff = 0, seenOn = 0;
    return Until([&] { return CountWled(&seenOff, &seenOn), seenOff >= off && seenOn >= on; },
                 timeoutMs, 20);
  }
};

TEST_F(MessageFuzz, RandomParametersActOnlyWhenWellFormedAndLeakNothing) {
  Start();
  int expectOff = 0, expectOn = 0;
  CountWled(&expectOff, &expectOn);
  // Both kinds once first, so the OSD and the ACPI path have done their first use.
  PostMessageW(hwnd_, WM_FSPMSG, 0, 2);
  PostMessageW(hwnd_, WM_RESSINMSG, 0, 1);
  ASSERT_TRUE(WledCountsReach(expectOff, ++expectOn, 5000));
  ASSERT_TRUE(Drained(5000));
  const testkit::ProcessResources before = Resources();

  // Parameters near the meaningful values half the time, anything otherwise.
  std::uniform_int_distribution<DWORD> any(0, 0xFFFFFFFFu);
  std::uniform_int_distribution<int> nearMeaningful(-1, 4);
  std::bernoulli_distribution coin(0.5);
  for (int sent = 0; sent < kMessages; sent += kChunk) {
    for (int i = 0; i < kChunk; ++i) {
      const UINT message = coin(random_) ? WM_FSPMSG : WM_RESSINMSG;
      const WPARAM wParam = coin(random_) ? 0 : coin(random_) ? 1 : any(random_);
      const LPARAM lParam = coin(random_) ? LPARAM(nearMeaningful(random_)) : LPARAM(any(random_));
      if (message == WM_RESSINMSG && wParam == 0 && lParam == 0) ++expectOff;
      if (message == WM_RESSINMSG && wParam == 0 && lParam == 1) ++expectOn;
      ASSERT_TRUE(PostMessageW(hwnd_, message, wParam, lParam));
    }
    ASSERT_TRUE(WledCountsReach(expectOff, expectOn, 20000))
        << "the service fell behind after " << sent + kChunk << " messages";
  }
  ASSERT_TRUE(Drained(10000));
  int off = 0, on = 0;
  CountWled(&off, &on);
  EXPECT_EQ(expectOff, off);
  EXPECT_EQ(expectOn, on);

  ExpectNoGrowth(before);
  ExpectVolumeKeyAnswered();
}

}  // namespace
