// Reciprocal and reciprocal-square-root estimates, their step functions and
// the reciprocal exponent.
#include <gtest/gtest.h>

#include "qrx/fp/fp_estimate.h"
#include "qrx/fp/fp_step.h"
#include "tests/fp/fp_test_util.h"

using namespace fptest;

namespace {

TEST(FPEstimate, RSqrtTableRule) {
  const uint8_t first[] = {255, 253, 251, 249, 247, 245, 243, 242};
  const uint8_t even[] = {105, 104, 103, 101, 100, 99, 97, 96};
  for (unsigned i = 0; i < 8; ++i) {
    EXPECT_EQ(fp_rsqrt_table_entry(i), first[i]) << i;
    EXPECT_EQ(fp_rsqrt_table_entry(128 + i), even[i]) << i;
  }
  for (unsigned i = 1; i < 128; ++i) {  // estimates fall as the input grows
    EXPECT_LE(fp_rsqrt_table_entry(i), fp_rsqrt_table_entry(i - 1)) << i;
    EXPECT_LE(fp_rsqrt_table_entry(128 + i), fp_rsqrt_table_entry(127 + i)) << i;
  }
}

TEST(FPEstimate, RecipSingle) {
  struct Case {
    uint32_t control, x, want, flags;
  } cases[] = {
      {RN, 0x3F800000, 0x3F7F8000, 0},
      {RN, 0x40000000, 0x3EFF8000, 0},
      {RN, 0x00000000, 0x7F800000, DZC},
      {RN, 0xFF800000, 0x80000000, 0},
      {FZ, 0x00200000, 0x7F800000, DZC | IDC},
      {RN, 0x00100000, 0x7F800000, OFC | IXC},  // below 2^-128
      {RZ, 0x00100000, 0x7F7FFFFF, OFC | IXC},
      {RP, 0x80100000, 0xFF7FFFFF, OFC | IXC},
      {RN, 0x00200000, 0x7F7F8000, 0},          // 2^-128 is large enough
      {RN, 0x7E800000, 0x007FC000, 0},  // exponent 253: subnormal, leading one kept
      {RN, 0x7F000000, 0x003FE000, 0},  // exponent 254: shifted two places
      {FZ, 0x7E800000, 0x00000000, UFC},
      {RN, 0x7FC00001, 0x7FC00001, 0},
      {RN, 0x7F800001, 0x7FC00001, IOC},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.control, [&](FPSCR& s) { return FPRecipEstimate<uint32_t>(c.x, s); }),
              (Outcome{c.want, c.flags}))
        << std::hex << c.x;
  }
}

TEST(FPEstimate, RSqrtSingle) {
  struct Case {
    uint32_t control, x, want, flags;
  } cases[] = {
      {RN, 0x3F800000, 0x3F7F8000, 0},
      {RN, 0x40800000, 0x3EFF8000, 0},
      {RN, 0x40000000, 0x3F348000, 0},
      {RN, 0xBF800000, 0x7FC00000, IOC},
      {RN, 0x80000000, 0xFF800000, DZC},
      {RN, 0x7F800000, 0x00000000, 0},
      {FZ, 0x00000001, 0x7F800000, DZC | IDC},
      {RN, 0x00000001, 0x64B48000, 0},  // 2^-149: exponent (380 + 22) >> 1, even
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.control, [&](FPSCR& s) { return FPRSqrtEstimate<uint32_t>(c.x, s); }),
              (Outcome{c.want, c.flags}))
        << std::hex << c.x;
  }
}

TEST(FPEstimate, StepsAndRecpX) {
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPRecipStepFused<uint32_t>(0x7F800000, 0, s); }),
            (Outcome{0x40000000, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPRSqrtStepFused<uint32_t>(0, 0xFF800000, s); }),
            (Outcome{0x3FC00000, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPRecipStepFused<uint16_t>(0x3C00, 0x3C00, s); }),
            (Outcome{0x3C00, 0}));  // 2 - 1 x 1
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPRSqrtStepFused<uint64_t>(0x3FF0000000000000u, 0x3FF0000000000000u, s); }),
            (Outcome{0x3FF0000000000000u, 0}));  // (3 - 1) / 2
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPRecipStepFused<uint32_t>(0x7FC00001, 0, s); }),
            (Outcome{0xFFC00001, 0}));  // a's NaN comes out negated
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPRecipStepFused<uint32_t>(0x7F800000, 0x3F800000, s); }),
            (Outcome{0xFF800000, 0}));
  struct Case {
    uint32_t control, x, want, flags;
  } recpx[] = {
      {RN, 0x40400000, 0x3F800000, 0},
      {RN, 0x3F800000, 0x40000000, 0},
      {RN, 0x00000001, 0x7F000000, 0},
      {FZ, 0x80000001, 0xFF000000, IDC},
      {RN, 0xFF800000, 0x80000000, 0},
      {RN, 0x7F800001, 0x7FC00001, IOC},
  };
  for (const Case& c : recpx) {
    EXPECT_EQ(run(c.control, [&](FPSCR& s) { return FPRecpX<uint32_t>(c.x, s); }),
              (Outcome{c.want, c.flags}))
        << std::hex << c.x;
  }
}

}  // namespace
