// The bit-counting helpers at the edges of their contracts: bits above the
// width ignored, widths of 0, 1 and above 64, and the sign-bit counts of
// the all-zero and all-ones patterns.
#include "qrx/library/bit_helpers.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr uint64_t kAllOnes = ~uint64_t{0};

TEST(BitHelpers, CountsAtTheWidthLimits) {
  struct Case {
    uint64_t x;
    int n;
    int highest, clz, cls, count;
  };
  const Case cases[] = {
      {0x00, 8, -1, 8, 7, 0},
      {0xFF, 8, 7, 0, 7, 8},
      {0x40, 8, 6, 1, 0, 1},
      {0x80, 8, 7, 0, 0, 1},
      {0x1FF00, 8, -1, 8, 7, 0},  // bits above N are ignored
      {0xFFC0, 16, 15, 0, 9, 10},
      {0, 16, -1, 16, 15, 0},
      {1, 64, 0, 63, 62, 1},
      {kAllOnes, 64, 63, 0, 63, 64},
      {uint64_t{1} << 63, 64, 63, 0, 0, 1},
      {kAllOnes, 90, 63, 0, 63, 64},  // wider than 64 reads 64 bits
      {1, 1, 0, 0, 0, 1},             // a one-bit element has no sign bits below
      {kAllOnes, 0, -1, 0, 0, 0},     // no bits at all
      {kAllOnes, -5, -1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.x << std::dec << " N=" << c.n);
    EXPECT_EQ(qrx::HighestBitSet(c.x, c.n), c.highest);
    EXPECT_EQ(qrx::CountLeadingZeroBits(c.x, c.n), c.clz);
    EXPECT_EQ(qrx::CountLeadingSignBits(c.x, c.n), c.cls);
    EXPECT_EQ(qrx::BitCount(c.x, c.n), c.count);
  }
}

TEST(BitHelpers, ReverseWithinTheWidth) {
  struct Case {
    uint64_t x;
    int n;
    uint64_t want;
  };
  const Case cases[] = {
      {0x01, 8, 0x80},
      {0x1F01, 8, 0x80},  // bits above N are dropped
      {0x0001, 16, 0x8000},
      {0x12345678, 32, 0x1E6A2C48},
      {1, 64, uint64_t{1} << 63},
      {0xF0, 64, 0x0F00000000000000},
      {kAllOnes, 0, 0},
      {kAllOnes, -1, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(qrx::BitReverse(c.x, c.n), c.want) << c.x << " N=" << c.n;
}

}  // namespace
