// The stepping, rounding and balance rules of the two audio stacks, apart from
// any device: the numbers the text gives, and the mended multi-channel rule.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "audio.h"
#include "audio_fixture.h"

using namespace audio_test;

namespace {

TEST(MixerStep, OneChannelUpFromZeroTakesFifteenPressesThenStays) {
  const DWORD expected[] = {4369,  8738,  13107, 17476, 21845, 26214, 30583, 34952,
                            39321, 43690, 48059, 52428, 56797, 61166, 65535, 65535};
  DWORD value = 0;
  for (int press = 0; press < 16; ++press) {
    value = StepMixerChannels(&value, 1, 1);
    EXPECT_EQ(expected[press], value) << "press " << press + 1;
    EXPECT_EQ(press < 15 ? press + 1 : 15, MixerLevel(value)) << "press " << press + 1;
  }
}

TEST(MixerStep, DownFromTopReachesZeroInFifteenPresses) {
  DWORD value = 65535;
  for (int press = 1; press <= 15; ++press) {
    StepMixerChannels(&value, 1, 0);
    EXPECT_EQ(65535u - 4369u * press, value) << "press " << press;
    EXPECT_EQ(15 - press, MixerLevel(value)) << "press " << press;
  }
  EXPECT_EQ(0u, StepMixerValue(0, 0));
}

TEST(MixerStep, BoundsOfOneStep) {
  const struct {
    DWORD from;
    int direction;
    DWORD to;
  } table[] = {
      {4369, 0, 0},      {4370, 0, 1},      {1, 0, 0},         {100, 0, 0},       {61165, 1, 65534},
      {61166, 1, 65535}, {65535, 1, 65535}, {70000, 1, 65535}, {70000, 0, 65631},
  };
  for (const auto& row : table)
    EXPECT_EQ(row.to, StepMixerValue(row.from, row.direction)) << row.from << " " << row.direction;
}

TEST(MixerStep, LevelRoundsDown) {
  const struct {
    DWORD value;
    LONG level;
  } table[] = {{0, 0}, {4368, 0}, {4369, 1}, {34369, 7}, {61165, 13}, {65534, 14}, {65535, 15}};
  for (const auto& row : table) EXPECT_EQ(row.level, MixerLevel(row.value)) << row.value;
}

TEST(MixerBalance, TwoChannelsKeepTheirRatio) {
  const struct {
    DWORD left, right;
    int direction;
    DWORD newLeft, newRight;
  } table[] = {
      {30000, 15000, 1, 34369, 17184},  // the left is louder: ratio 5000
      {15000, 30000, 1, 17184, 34369},  // the right is louder and stepped
      {20000, 20000, 1, 24369, 24369},  // equal channels move together
      {20000, 20000, 0, 15631, 15631},
      {0, 0, 1, 4369, 4369},  // ratio 10000 when both are silent
      {0, 0, 0, 0, 0},
      {65535, 0, 0, 61166, 0},
      {4000, 2000, 0, 0, 0},
      {30000, 29999, 1, 34369, 34365},  // ratio 9999
  };
  for (const auto& row : table) {
    DWORD values[2] = {row.left, row.right};
    StepMixerChannels(values, 2, row.direction);
    EXPECT_EQ(row.newLeft, values[0]) << row.left << "/" << row.right;
    EXPECT_EQ(row.newRight, values[1]) << row.left << "/" << row.right;
  }
}

TEST(MixerBalance, RatioIsInTenThousandthsRoundedDown) {
  EXPECT_EQ(5000.0f, BalanceRatio(15000, 30000));
  EXPECT_EQ(3333.0f, BalanceRatio(1, 3));
  EXPECT_EQ(10000.0f, BalanceRatio(0, 0));
  EXPECT_EQ(0.0f, BalanceRatio(0, 65535));
  EXPECT_EQ(10000.0f, BalanceRatio(65535, 65535));
}

TEST(MixerBalance, ScaledValueIsRoundedToSinglePrecisionThenTruncated) {
  EXPECT_EQ(17184u, ScaleByRatio(34369, 5000.0f));  // 17184.5
  EXPECT_EQ(65535u, ScaleByRatio(65535, 10000.0f));
  EXPECT_EQ(0u, ScaleByRatio(4369, 0.0f));
  EXPECT_EQ(21842u, ScaleByRatio(65535, 3333.0f));  // 21842.8155
}

TEST(MixerBalance, MoreChannelsStepTheLoudestAndScaleEachOther) {
  DWORD three[3] = {10000, 30000, 30000};  // the first of the loudest is stepped
  EXPECT_EQ(34369u, StepMixerChannels(three, 3, 1));
  EXPECT_EQ((std::vector<DWORD>{11455, 34369, 34369}), std::vector<DWORD>(three, three + 3));

  DWORD six[6] = {0, 6000, 12000, 60000, 30000, 60000};
  EXPECT_EQ(55631u, StepMixerChannels(six, 6, 0));
  EXPECT_EQ((std::vector<DWORD>{0, 5563, 11126, 55631, 27815, 55631}),
            std::vector<DWORD>(six, six + 6));
}

TEST(EndpointStep, UpFromZeroReachesExactlyOneOnTheFifteenthPress) {
  float value = 0.0f;
  ExpectEndpointClimbsToOne([&] { value = StepEndpointUp(value); }, [&] { return value; },
                            [&] { return EndpointLevel(value); });
}

TEST(EndpointStep, DownFromOneEndsInATinyRestThenExactlyZero) {
  float value = 1.0f;
  ExpectEndpointFallsToZero([&] { value = StepEndpointDown(value); }, [&] { return value; },
                            [&] { return EndpointLevel(value); });
}

TEST(EndpointStep, OddValues) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    float from;
    float up, down;
  } table[] = {
      {nan, 1.0f, 0.0f},
      {1.5f, 1.0f, 0.0f},                  // above the range: down clears it
      {kEndpointStep, 0.13333334f, 0.0f},  // exactly one step is not more than a step
      {0.95f, 1.0f, 0.8833333f},
  };
  for (const auto& row : table) {
    EXPECT_EQ(row.up, StepEndpointUp(row.from)) << row.from;
    EXPECT_FLOAT_EQ(row.down, StepEndpointDown(row.from)) << row.from;
  }
}

TEST(EndpointStep, LevelRoundsToNearest) {
  const struct {
    float value;
    LONG level;
  } table[] = {{0.0f, 0},   {0.0333f, 0}, {0.0334f, 1}, {0.5f, 8},
               {0.96f, 14}, {0.97f, 15},  {1.0f, 15}};
  for (const auto& row : table) EXPECT_EQ(row.level, EndpointLevel(row.value)) << row.value;
}

}  // namespace
