// The integer helper set and element operations at their limits: 128-bit
// intermediates, saturation of both signs, shift counts at and beyond the
// width, division corner cases and the bitmask-immediate decoder.
#include "qrx/library/int_helpers.h"
#include "qrx/library/int_ops.h"

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

TEST(IntOps, HighHalfOfProducts) {
  EXPECT_EQ(qrx::MulHOp<true>{}(kAllOnes, kAllOnes), kAllOnes - 1);
  EXPECT_EQ(qrx::MulHOp<false>{}(kTop, kTop), uint64_t{1} << 62);
  EXPECT_EQ(qrx::MulHOp<false>{}(kAllOnes, uint64_t{2}), kAllOnes);  // -1 x 2
  EXPECT_EQ(qrx::MulHOp<false>{}(uint8_t{0x80}, uint8_t{0x80}), 0x40);
  EXPECT_EQ(qrx::MulHOp<true>{}(uint8_t{0xFF}, uint8_t{0xFF}), 0xFE);
  EXPECT_EQ(qrx::MulHOp<false>{}(uint16_t{0xFFFF}, uint16_t{0x7FFF}), 0xFFFF);
}

TEST(IntOps, DivisionByZeroAndMinusOne) {
  using qrx::quotient;
  const uint32_t min32 = 0x80000000u;
  EXPECT_EQ(quotient<false>(min32, 0xFFFFFFFFu), min32);
  EXPECT_EQ(quotient<false>(kTop, kAllOnes), kTop);
  EXPECT_EQ(quotient<false>(uint32_t{7}, uint32_t{0}), 0u);
  EXPECT_EQ(quotient<true>(kAllOnes, uint64_t{0}), 0u);
  EXPECT_EQ(quotient<false>(uint32_t{7}, static_cast<uint32_t>(-2)), static_cast<uint32_t>(-3));
  EXPECT_EQ(quotient<false>(static_cast<uint64_t>(-7), uint64_t{2}), static_cast<uint64_t>(-3));
  EXPECT_EQ(quotient<true>(0xFFFFFFFFu, 2u), 0x7FFFFFFFu);
  EXPECT_EQ(qrx::DivROp<true>{}(uint32_t{3}, uint32_t{12}), 4u);
}

TEST(IntOps, ShiftAmountsAreUnsigned) {
  struct Case {
    uint64_t amount;
    uint8_t lsl, lsr, asr;
  };
  // Of 0x81: logical and arithmetic results.
  const Case cases[] = {
      {0, 0x81, 0x81, 0x81}, {1, 0x02, 0x40, 0xC0},  {7, 0x80, 0x01, 0xFF}, {8, 0, 0, 0xFF},
      {255, 0, 0, 0xFF},     {kAllOnes, 0, 0, 0xFF}, {kTop, 0, 0, 0xFF},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(qrx::LslOp{}(uint8_t{0x81}, c.amount), c.lsl) << c.amount;
    EXPECT_EQ(qrx::LsrOp{}(uint8_t{0x81}, c.amount), c.lsr) << c.amount;
    EXPECT_EQ(qrx::AsrOp{}(uint8_t{0x81}, c.amount), c.asr) << c.amount;
  }
  EXPECT_EQ(qrx::AsrOp{}(uint8_t{0x7F}, kAllOnes), 0);
  EXPECT_EQ(qrx::LslROp{}(kTop, uint64_t{1}), 0u);  // 1 shifted by 2^63
  EXPECT_EQ(qrx::AsrOp{}(kTop, 64), kAllOnes);
  EXPECT_EQ(qrx::LslOp{}(kAllOnes, 63), kTop);
}

TEST(IntOps, AsrdRoundsTowardZero) {
  struct Case {
    uint8_t x;
    unsigned sh;
    uint8_t want;
  };
  const Case cases[] = {
      {0xFF, 1, 0x00},  // -1 / 2
      {0xFD, 1, 0xFF},  // -3 / 2 = -1
      {0x80, 8, 0x00},  // -128 / 256
      {0x80, 7, 0xFF},  // -128 / 128
      {0x7F, 8, 0x00}, {0x7F, 1, 0x3F},
  };
  for (const Case& c : cases) EXPECT_EQ(qrx::AsrdOp{}(c.x, c.sh), c.want);
  EXPECT_EQ(qrx::AsrdOp{}(kTop, 64), 0u);
  EXPECT_EQ(qrx::AsrdOp{}(kTop, 63), kAllOnes);
  EXPECT_EQ(qrx::AsrdOp{}(kTop + 1, 63), 0u);
}

TEST(IntOps, SaturatingImmediatesAreNotTruncated) {
  EXPECT_EQ(qrx::QAddImmOp<false>{}(uint8_t{0}, 200), 0x7F);
  EXPECT_EQ(qrx::QAddImmOp<true>{}(uint8_t{250}, 10), 0xFF);
  EXPECT_EQ(qrx::QSubImmOp<true>{}(uint16_t{5}, 65280), 0);
  EXPECT_EQ(qrx::QSubImmOp<false>{}(uint16_t{0x8000}, 65280), 0x8000);
  EXPECT_EQ(qrx::QAddImmOp<false>{}(uint16_t{0x100}, 65280), 0x7FFF);
  EXPECT_EQ(qrx::QAddImmOp<true>{}(kAllOnes - 5, 255), kAllOnes);
}

TEST(IntOps, AbsAndAbdWidenBeforeTruncating) {
  EXPECT_EQ(qrx::AbsOp{}(uint8_t{0x80}), 0x80);
  EXPECT_EQ(qrx::AbsOp{}(kTop), kTop);
  EXPECT_EQ(qrx::AbdOp<false>{}(uint8_t{0x7F}, uint8_t{0x80}), 0xFF);  // |127 - -128|
  EXPECT_EQ(qrx::AbdOp<true>{}(uint8_t{0}, uint8_t{0xFF}), 0xFF);
  EXPECT_EQ(qrx::AbdOp<false>{}(kTop - 1, kTop), kAllOnes);
}

TEST(LogicalImmediate, DecodesAndReplicates) {
  struct Case {
    unsigned n, immr, imms;
    uint64_t want;
  };
  const Case cases[] = {
      {0, 0, 60, 0x5555555555555555},  // 2-bit element with one set bit
      {0, 1, 60, 0xAAAAAAAAAAAAAAAA},
      {0, 0, 0x27, 0x00FF00FF00FF00FF},
      {0, 1, 0x30, 0x8080808080808080},
      {1, 0, 0, 1},
      {1, 1, 0, kTop},
      {1, 0, 0x3E, kAllOnes >> 1},
      {0, 16, 0x0F, 0xFFFF0000FFFF0000},
  };
  for (const Case& c : cases) {
    uint64_t got = 0;
    ASSERT_TRUE(qrx::decode_logical_imm(c.n, c.immr, c.imms, &got)) << c.imms;
    EXPECT_EQ(got, c.want) << c.imms;
  }
}

TEST(LogicalImmediate, ReservedEncodingsAreRejected) {
  struct Case {
    unsigned n, immr, imms;
  };
  const Case cases[] = {
      {0, 0, 0x3F},  // N:NOT(imms) has no set bit
      {0, 5, 0x3E},  // one-bit element
      {1, 0, 0x3F},  // 64 ones
      {0, 0, 0x1F},  // 32 ones
      {0, 3, 0x3D},  // 2-bit element, both ones
  };
  for (const Case& c : cases) {
    uint64_t got = 0x1234;
    EXPECT_FALSE(qrx::decode_logical_imm(c.n, c.immr, c.imms, &got)) << c.imms;
    EXPECT_EQ(got, 0x1234u);
  }
}

}  // namespace
