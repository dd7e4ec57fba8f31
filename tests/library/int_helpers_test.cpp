// The integer helper set at the limits of its contracts, which no
// instruction's operands reach: widths of 0, below 0 and above 64, 128-bit
// intermediates, saturation of both signs, shift counts at and beyond the
// width. (The element operations' results at the integer limits are checked
// against the reference model by qrx-int-edges.)
#include "qrx/library/int_helpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

using qrx::int128;

constexpr uint64_t kAllOnes = ~uint64_t{0};
constexpr uint64_t kTop = uint64_t{1} << 63;

int128 I(int64_t v) { return v; }

TEST(IntHelpers, IntWidensByWidthAndSignedness) {
  struct Case {
    uint64_t x;
    int n;
    bool is_unsigned;
    int128 want;
  };
  const Case cases[] = {
      {0xFF, 8, true, 255},
      {0xFF, 8, false, -1},
      {0x17F, 8, false, 127},  // bits above N are ignored
      {0x80, 8, false, -128},
      {kTop, 64, false, I(std::numeric_limits<int64_t>::min())},
      {kAllOnes, 64, true, int128{kAllOnes}},
      {kAllOnes, 64, false, -1},
      {kAllOnes, 0, false, 0},  // N of 0 or less gives 0
      {kAllOnes, -3, true, 0},
      {kAllOnes, 1, false, -1},
      {kAllOnes, 90, true, int128{kAllOnes}},  // wider than 64 reads 64 bits
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(qrx::Int(c.x, c.n, c.is_unsigned) == c.want) << c.x << " N=" << c.n;
  }
  EXPECT_TRUE(qrx::SInt(0x80, 8) == -128);
  EXPECT_TRUE(qrx::SInt(0x80, 12) == 0);
  EXPECT_EQ(qrx::ones(0), 0u);
  EXPECT_EQ(qrx::ones(64), kAllOnes);
  EXPECT_EQ(qrx::bits(-1), kAllOnes);
}

TEST(IntHelpers, ShiftsAtAndBeyondTheWidth) {
  const int128 neg = -5, pos = 5;
  const int128 big = int128{1} << 100;
  struct Case {
    int128 v;
    qrx::uint128 s;
    int128 want;
  };
  const Case right[] = {
      {neg, 0, -5},  {neg, 1, -3},  {neg, 127, -1}, {neg, 128, -1}, {neg, 1000, -1},
      {pos, 127, 0}, {pos, 128, 0}, {big, 100, 1},  {big, 101, 0},
  };
  for (const Case& c : right) EXPECT_TRUE(qrx::ShiftRightInt(c.v, c.s) == c.want);

  EXPECT_TRUE(qrx::ShiftLeftInt(1, 0) == 1);
  EXPECT_TRUE(qrx::ShiftLeftInt(1, 64) == (int128{1} << 64));
  EXPECT_TRUE(qrx::ShiftLeftInt(1, 100) == (int128{1} << 64));  // count capped at 64
  EXPECT_TRUE(qrx::ShiftLeftInt(-8, -2) == -2);                 // negative: right shift
  EXPECT_TRUE(qrx::ShiftLeftInt(-8, std::numeric_limits<int64_t>::min()) == -1);
  // Wraps in 128 bits instead of overflowing.
  EXPECT_TRUE(qrx::ShiftLeftInt(int128{1} << 100, 64) == 0);
}

TEST(IntHelpers, SatQClampsBothSigns) {
  struct Case {
    int128 v;
    int n;
    bool is_unsigned;
    uint64_t result;
    bool saturated;
  };
  const Case cases[] = {
      {-1, 8, true, 0, true},
      {256, 8, true, 0xFF, true},
      {255, 8, true, 0xFF, false},
      {128, 8, false, 0x7F, true},
      {127, 8, false, 0x7F, false},
      {-128, 8, false, 0x80, false},
      {-129, 8, false, 0x80, true},  // the N-bit pattern of the minimum
      {int128{1} << 64, 64, true, kAllOnes, true},
      {-(int128{1} << 63) - 1, 64, false, kTop, true},
      {int128{1} << 63, 64, false, kTop - 1, true},
      {-(int128{1} << 63), 64, false, kTop, false},
  };
  for (const Case& c : cases) {
    qrx::SatQResult r = qrx::SatQ(c.v, c.n, c.is_unsigned);
    EXPECT_EQ(r.result, c.result) << "N=" << c.n << " unsigned=" << c.is_unsigned;
    EXPECT_EQ(r.saturated, c.saturated) << "N=" << c.n << " unsigned=" << c.is_unsigned;
  }
  EXPECT_EQ(qrx::SatAdd(kTop - 1, 1, 64, false), kTop - 1);
  EXPECT_EQ(qrx::SatSub(0, 1, 64, true), 0u);
  EXPECT_EQ(qrx::SatAdd(kAllOnes, kAllOnes, 64, true), kAllOnes);
  EXPECT_EQ(qrx::SatSub(0x80, 0x01, 8, false), 0x80u);
  EXPECT_EQ(qrx::SatAdd(0x64, 0x64, 8, false), 0x7Fu);
}

TEST(IntHelpers, MaxMinCompareLowBits) {
  EXPECT_EQ(qrx::Max(0x80, 0x7F, 8, false), 0x7Fu);
  EXPECT_EQ(qrx::Max(0x80, 0x7F, 8, true), 0x80u);
  EXPECT_EQ(qrx::Min(0x1FF, 0x001, 8, false), 0x1FFu);  // 0xFF is -1
  EXPECT_EQ(qrx::Min(kTop, 0, 64, false), kTop);
  EXPECT_EQ(qrx::Max(3, 4, 12, true), 0u);  // only 8, 16, 32, 64
}

}  // namespace
