// The rounding core, NaN selection and canonicalisation.
#include <gtest/gtest.h>

#include "qrx/fp/fp_core.h"
#include "tests/fp/fp_test_util.h"

using namespace fptest;

namespace {

constexpr FPRounding kTieEven = FPRounding::TieEven, kPosInf = FPRounding::PosInf;

struct RoundCase {
  int sign, exp;
  uint32_t mnt;
  int rm, mode;
  uint32_t want;
  int flags;
};

TEST(FPRoundCore, SingleBoundaries) {
  const RoundCase cases[] = {
      // Exact normal value.
      {0, 127, 0x00000000, 0, 0, 0x3F800000, 0},
      // Halfway between 1.0 and the next value: ties to even, up in +inf.
      {0, 127, 0x00000100, 0, 0, 0x3F800000, FP_FLAG_IXC},
      {0, 127, 0x00000300, 0, 0, 0x3F800002, FP_FLAG_IXC},
      {0, 127, 0x00000100, 1, 0, 0x3F800001, FP_FLAG_IXC},
      {1, 127, 0x00000100, 1, 0, 0xBF800000, FP_FLAG_IXC},
      {1, 127, 0x00000100, 2, 0, 0xBF800001, FP_FLAG_IXC},
      {0, 127, 0x000003FF, 3, 0, 0x3F800001, FP_FLAG_IXC},
      // Round to odd sets the lowest bit and never rounds up.
      {0, 127, 0x00000180, 5, 0, 0x3F800001, FP_FLAG_IXC},
      {0, 127, 0xFFFFFF80, 5, 0, 0x3FFFFFFF, FP_FLAG_IXC},
      // Ties away from zero: half a unit goes up at either sign, less stays.
      {0, 127, 0x00000100, 4, 0, 0x3F800001, FP_FLAG_IXC},
      {1, 127, 0x00000100, 4, 0, 0xBF800001, FP_FLAG_IXC},
      {0, 127, 0x000000FF, 4, 0, 0x3F800000, FP_FLAG_IXC},
      // Carry out of the significand.
      {0, 127, 0xFFFFFF80, 0, 0, 0x40000000, FP_FLAG_IXC},
      // Largest subnormal rounding up to the smallest normal: tiny before rounding.
      {0, 0, 0xFFFFFF00, 0, 0, 0x00800000, FP_FLAG_UFC | FP_FLAG_IXC},
      // Exact subnormal: no flag.
      {0, 0, 0x00000000, 0, 0, 0x00400000, 0},
      {0, -22, 0x00000000, 0, 0, 0x00000001, 0},
      // Far below the subnormal range.
      {0, -200, 0x00000000, 0, 0, 0x00000000, FP_FLAG_UFC | FP_FLAG_IXC},
      {0, -200, 0x00000000, 1, 0, 0x00000001, FP_FLAG_UFC | FP_FLAG_IXC},
      // Flushed tiny result: zero with UFC alone, even when it was exact.
      {1, 0, 0x00000000, 0, FP_MODE_FZ, 0x80000000, FP_FLAG_UFC},
      // Overflow per direction.
      {0, 255, 0, 0, 0, 0x7F800000, FP_FLAG_OFC | FP_FLAG_IXC},
      {0, 255, 0, 2, 0, 0x7F7FFFFF, FP_FLAG_OFC | FP_FLAG_IXC},
      {1, 255, 0, 1, 0, 0xFF7FFFFF, FP_FLAG_OFC | FP_FLAG_IXC},
      {1, 255, 0, 2, 0, 0xFF800000, FP_FLAG_OFC | FP_FLAG_IXC},
      {0, 255, 0, 3, 0, 0x7F7FFFFF, FP_FLAG_OFC | FP_FLAG_IXC},
      {0, 255, 0, 5, 0, 0x7F7FFFFF, FP_FLAG_OFC | FP_FLAG_IXC},
      {1, 255, 0, 4, 0, 0xFF800000, FP_FLAG_OFC | FP_FLAG_IXC},
      {0, 254, 0xFFFFFF80, 0, 0, 0x7F800000, FP_FLAG_OFC | FP_FLAG_IXC},
  };
  for (const RoundCase& c : cases) {
    int flags = 0;
    EXPECT_EQ(fp32_round_(c.sign, c.exp, c.mnt, FPRounding(c.rm), c.mode, &flags), c.want)
        << std::hex << c.sign << " " << c.exp << " " << c.mnt << " rm " << c.rm;
    EXPECT_EQ(flags, c.flags) << std::hex << c.mnt << " rm " << c.rm;
  }
}

TEST(FPRoundCore, HalfAlternativeFormatAndFlush) {
  int flags = 0;
  // Alternative half precision uses exponent 31 as an ordinary one.
  EXPECT_EQ(fp16_round_(0, 31, 0, kTieEven, FP_MODE_AHP, &flags), 0x7C00);
  EXPECT_EQ(flags, 0);
  EXPECT_EQ(fp16_round_(1, 32, 0, kTieEven, FP_MODE_AHP, &flags), 0xFFFF);
  EXPECT_EQ(flags, FP_FLAG_IOC);
  flags = 0;
  EXPECT_EQ(fp16_round_(0, 31, 0, kTieEven, 0, &flags), 0x7C00);
  EXPECT_EQ(flags, FP_FLAG_OFC | FP_FLAG_IXC);
  // FZ does not flush half results; FZ16 does.
  flags = 0;
  EXPECT_EQ(fp16_round_(0, 0, 0, kTieEven, FP_MODE_FZ, &flags), 0x0200);
  EXPECT_EQ(fp16_round_(0, 0, 0, kTieEven, FP_MODE_FZ16, &flags), 0x0000);
  EXPECT_EQ(flags, FP_FLAG_UFC);
  // Double: the smallest subnormal rounds from half of it upward only in +inf.
  flags = 0;
  EXPECT_EQ(fp64_round_(0, -52, 0, kPosInf, 0, &flags), 0x0000000000000001u);
  EXPECT_EQ(fp64_round_(0, -52, 0, kTieEven, 0, &flags), 0x0000000000000000u);
  EXPECT_EQ(flags, FP_FLAG_UFC | FP_FLAG_IXC);
}

TEST(FPNaNs, SelectionQuietingAndDefault) {
  struct Case {
    uint32_t a, b, control, want, flags;
  } cases[] = {
      {0x7FC00001, 0x7F800002, 0, 0x7FC00002, IOC},   // signalling second wins
      {0x7FC00001, 0xFFC00002, 0, 0x7FC00001, 0},     // first quiet NaN
      {0x3F800000, 0xFF800003, 0, 0xFFC00003, IOC},   // sign and payload kept
      {0x7FC00001, 0x3F800000, DN, 0x7FC00000, 0},    // DN: default NaN
      {0x7F800001, 0x3F800000, DN, 0x7FC00000, IOC},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.control, [&](FPSCR& s) {
                int flags = 0;
                uint32_t r = fp_process_nans<uint32_t>(c.a, c.b, fp_mode_from_fpscr(s), &flags);
                fp_set_flags(s, flags);
                return r;
              }),
              (Outcome{c.want, c.flags}))
        << std::hex << c.a << " " << c.b;
  }
}

TEST(FPProcess, CanonicalisesAndFlushes) {
  EXPECT_EQ(run(0, [](FPSCR& s) { return FPProcess32(0x00000001, s); }), (Outcome{0x00000001, 0}));
  EXPECT_EQ(run(0, [](FPSCR& s) { return FPProcess32(0x7F7FFFFF, s); }), (Outcome{0x7F7FFFFF, 0}));
  EXPECT_EQ(run(FZ, [](FPSCR& s) { return FPProcess32(0x80000001, s); }),
            (Outcome{0x80000000, IDC}));
  EXPECT_EQ(run(FZ16, [](FPSCR& s) { return FPProcess16(0x03FF, s); }), (Outcome{0x0000, 0}));
  EXPECT_EQ(run(0, [](FPSCR& s) { return FPProcess16(0x7C01, s); }), (Outcome{0x7E01, IOC}));
  EXPECT_EQ(run(DN, [](FPSCR& s) { return FPProcess64(0xFFF8000000000001u, s); }),
            (Outcome{0x7FF8000000000000u, 0}));
  EXPECT_EQ(run(FZ, [](FPSCR& s) { return FPProcess64(0xFFF0000000000000u, s); }),
            (Outcome{0xFFF0000000000000u, 0}));
}

TEST(FPStatus, ModeWordAndMerge) {
  FPSCR s{FPSCR::AHP | FPSCR::DN | FPSCR::FZ | (2u << 22) | FPSCR::FZ16 | 0xF0000000u | FPSCR::UFC};
  EXPECT_EQ(fp_mode_from_fpscr(s), 2 | FP_MODE_FZ | FP_MODE_DN | FP_MODE_FZ16);
  fp_set_flags(s, FP_FLAG_IOC | FP_FLAG_IDC | 0x60);
  EXPECT_EQ(s.value & 0xFF, FPSCR::UFC | FPSCR::IOC | FPSCR::IDC);  // never clears, drops non-flags
  EXPECT_EQ(s.value & 0xF0000000u, 0xF0000000u);
}

}  // namespace
