// Operations without a scalar counterpart, where the vector comparison's
// random operands rarely reach: every entry of the exponential table, and
// scaling at the ends of the scale operand's range.
#include <gtest/gtest.h>

#include <cmath>

#include "qrx/fp/fp_expa.h"
#include "qrx/fp/fp_scale.h"
#include "tests/fp/fp_test_util.h"

using namespace fptest;

namespace {

// FEXPA's fraction i is 2^(i/32) (half) or 2^(i/64) (single, double) with
// the leading one dropped, rounded to nearest; the exponent field comes from
// the bits above the index, the rest is ignored.
template <typename T>
void expect_expa_table(int frac_bits, int index_bits, T exponent) {
  const unsigned entries = 1u << index_bits;
  for (unsigned i = 0; i < entries; ++i) {
    const long double f = std::exp2(static_cast<long double>(i) / entries) - 1;
    const T frac = T(std::llround(std::ldexp(f, frac_bits)));
    const T x = T(T(exponent << index_bits) | i);
    EXPECT_EQ(FPEXPA<T>(x), T(T(exponent << frac_bits) | frac)) << i;
  }
}

TEST(FPExpA, EveryTableEntry) {
  expect_expa_table<uint16_t>(10, 5, 15);
  expect_expa_table<uint32_t>(23, 6, 127);
  expect_expa_table<uint64_t>(52, 6, 1023);
  EXPECT_EQ(FPEXPA<uint32_t>(0xFFFF0000u | (128u << 6)), 0x40000000u);  // high bits ignored
}

TEST(FPScale, RoundsOnceAndClamps) {
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPScale32(0x3F800000, 200, s); }),
            (Outcome{0x7F800000, OFC | IXC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPScale32(0x3F800000, -200, s); }),
            (Outcome{0x00000000, UFC | IXC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPScale32(0x3F800000, -149, s); }),
            (Outcome{0x00000001, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPScale32(0x00000001, 149, s); }),
            (Outcome{0x3F800000, 0}));  // a subnormal scaled back up
  EXPECT_EQ(run(RZ, [](FPSCR& s) { return FPScale32(0xBF800000, INT32_MAX, s); }),
            (Outcome{0xFF7FFFFF, OFC | IXC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPScale32(0x3F800000, INT32_MIN, s); }),
            (Outcome{0x00000000, UFC | IXC}));
  EXPECT_EQ(run(FZ, [](FPSCR& s) { return FPScale32(0x3F800000, -127, s); }),
            (Outcome{0x00000000, UFC}));
  EXPECT_EQ(run(FZ, [](FPSCR& s) { return FPScale32(0x00000001, 100, s); }),
            (Outcome{0x00000000, IDC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPScale16(0x3C00, -24, s); }), (Outcome{0x0001, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPScale16(0x3C00, INT16_MIN, s); }),
            (Outcome{0x0000, UFC | IXC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPScale64(0x3FF0000000000000u, INT64_MAX, s); }),
            (Outcome{0x7FF0000000000000u, OFC | IXC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPScale64(0xFFF0000000000000u, -5, s); }),
            (Outcome{0xFFF0000000000000u, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPScale64(0x7FF0000000000001u, 5, s); }),
            (Outcome{0x7FF8000000000001u, IOC}));
}

}  // namespace
