// Long runs of keys: many valid presses, each key repeated on its own, and a burst of
// arbitrary 32-bit codes. The service must keep its handle, GDI and memory use flat
// and still answer a key.
#include "soak_fixture.h"

namespace {

// 10 000 presses take ~9 minutes (the service pauses 50 ms per key): the benchmark
// does that many; this test does enough to show a per-key leak many times over.
constexpr int kValidPresses = 1500;
constexpr int kRandomCodes = 1000;

class KeySoak : public SoakTest {
 protected:
  // One press of every valid code, so that what is made once on first use (the
  // shell for launches, GDI+ caches, the audio endpoint) is there before counting.
  void WarmUp() {
    ASSERT_TRUE(testbed::InjectCodes(kValidCodes, sizeof kValidCodes / sizeof kValidCodes[0]));
    ASSERT_TRUE(Drained(60000));
  }
};

TEST_F(KeySoak, ManyValidPressesLeakNothing) {
  Start();
  WarmUp();
  const testkit::ProcessResources before = Resources();

  std::vector<DWORD> keys;
  for (DWORD code : kValidCodes)
    if (!WineLeaks(code)) keys.push_back(code);
  std::uniform_int_distribution<size_t> pick(0, keys.size() - 1);
  std::vector<DWORD> codes(kValidPresses);
  for (auto& code : codes) code = keys[pick(random_)];
  const unsigned readsBefore = DriverStats().readsServed;
  ASSERT_TRUE(testbed::InjectCodes(codes.data(), codes.size()));
  ASSERT_TRUE(Drained(180000)) << "the service did not work through the presses";
  EXPECT_EQ(0u, DriverStats().codesDropped);
  EXPECT_EQ(readsBefore + kValidPresses + 1, DriverStats().readsServed) << "and Drained's own key";

  ExpectNoGrowth(before);
  ExpectVolumeKeyAnswered();
}

// Names the key that leaks, where the long runs only show that one does.
TEST_F(KeySoak, EachKeyRepeatedLeaksNothing) {
  constexpr int kRepeats = 20;
  Start();
  WarmUp();
  for (DWORD code : kValidCodes) {
    const testkit::ProcessResources before = Resources();
    const std::vector<DWORD> codes(kRepeats, code);
    ASSERT_TRUE(testbed::InjectCodes(codes.data(), codes.size()));
    ASSERT_TRUE(Drained(30000)) << code;
    const testkit::ProcessResources after = Resources();
    if (!WineLeaks(code)) {
      EXPECT_LE(after.handles, before.handles + kHandleSlack)
          << "code " << code << ": " << before.handles << " -> " << after.handles << " handles";
    }
    EXPECT_LE(after.gdiObjects, before.gdiObjects + kGdiSlack)
        << "code " << code << ": " << before.gdiObjects << " -> " << after.gdiObjects
        << " GDI objects";
  }
  ExpectVolumeKeyAnswered();
}

TEST_F(KeySoak, ABurstOfArbitraryCodesLeaksNothing) {
  Start();
  WarmUp();
  const testkit::ProcessResources before = Resources();

  // Mostly the full 32-bit range, with the table's neighbourhood and the extremes
  // mixed in, so the burst also meets codes just outside each row.
  std::vector<DWORD> codes;
  std::uniform_int_distribution<DWORD> anyCode(0, 0xFFFFFFFFu);
  std::uniform_int_distribution<DWORD> smallCode(0, 255);
  for (int i = 0; i < kRandomCodes; ++i) {
    const DWORD code = i % 4 == 0 ? smallCode(random_) : anyCode(random_);
    codes.push_back(WineLeaks(code) ? code + 0x100 : code);
  }
  for (DWORD edge : {0u, 0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 0x10000u + 48u, 0xFFFFFFD0u})
    codes.push_back(edge);
  ASSERT_TRUE(testbed::InjectCodes(codes.data(), codes.size()));
  ASSERT_TRUE(Drained(180000)) << "the service did not work through the burst";
  EXPECT_EQ(0u, DriverStats().codesDropped);

  ExpectNoGrowth(before);
  ExpectVolumeKeyAnswered();
}

}  // namespace
