// Operations without a scalar counterpart: the trigonometric and exponential
// support operations and scaling.
#include <gtest/gtest.h>

#include "qrx/fp/fp_expa.h"
#include "qrx/fp/fp_scale.h"
#include "qrx/fp/fp_trig.h"
#include "tests/fp/fp_test_util.h"

using namespace fptest;

namespace {

TEST(FPExpA, AssemblesPowerOfTwo) {
  struct Case {
    uint64_t x, want;
    int width;
  } cases[] = {
      {0, 0, 32},
      {127u << 6, 0x3F800000, 32},
      {(127u << 6) | 32, 0x3FB504F3, 32},                // sqrt(2)
      {(127u << 6) | 1, 0x3F8164D2, 32},
      {0xFFFF0000u | (128u << 6), 0x40000000, 32},      // high bits ignored
      {15u << 5, 0x3C00, 16},
      {(15u << 5) | 16, 0x3DA8, 16},                     // sqrt(2) in half
      {(15u << 5) | 3, 0x3C45, 16},
      {1023u << 6, 0x3FF0000000000000u, 64},
      {(1023u << 6) | 32, 0x3FF6A09E667F3BCDu, 64},     // sqrt(2) in double
      {(1024u << 6) | 2, 0x400059B0D3158574u, 64},
  };
  for (const Case& c : cases) {
    uint64_t got = c.width == 16   ? FPEXPA<uint16_t>(uint16_t(c.x))
                   : c.width == 32 ? FPEXPA<uint32_t>(uint32_t(c.x))
                                   : FPEXPA<uint64_t>(c.x);
    EXPECT_EQ(got, c.want) << std::hex << c.x;
  }
}

TEST(FPTrig, MultiplyAddSelectsSeriesBySignBit) {
  struct Case {
    unsigned index;
    uint32_t a, b, want, flags;
  } cases[] = {
      // index 0: 1.0 + a x |b|
      {0, 0x40000000, 0x3F800000, 0x40400000, 0},
      // b negative: cosine entry 9 (-0.5) + 2 x 1
      {1, 0x40000000, 0xBF800000, 0x3FC00000, 0},
      // -0 selects the cosine series too: entry 8 (1.0) + 0
      {0, 0x3F800000, 0x80000000, 0x3F800000, 0},
      // sine entry 1 with b = 0: the coefficient itself
      {1, 0x3F800000, 0x00000000, 0xBE2AAAAB, 0},
      // a negative NaN b selects the cosine series, the NaN propagates
      {2, 0x3F800000, 0xFFC00001, 0x7FC00001, 0},
      {5, 0x7F800000, 0x00000000, 0x7FC00000, IOC},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(RN, [&](FPSCR& s) { return FPTRIMADD<uint32_t>(c.index, c.a, c.b, s); }),
              (Outcome{c.want, c.flags}))
        << c.index << std::hex << " " << c.a << " " << c.b;
  }
  EXPECT_EQ(fp_trig_coefficient<uint64_t>(15), 0xBDA8F76380FBB401u);
  EXPECT_EQ(fp_trig_coefficient<uint16_t>(10), 0x293A);
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPTRIMADD<uint16_t>(1, 0x3C00, 0xBC00, s); }),
            (Outcome{0x3800, 0}));  // -0.5 + 1 x 1
}

TEST(FPTrig, StartingSquareAndSelect) {
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPTRISMUL<uint32_t>(0xC0000000, 1, s); }),
            (Outcome{0xC0800000, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPTRISMUL<uint32_t>(0xC0000000, 2, s); }),
            (Outcome{0x40800000, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPTRISMUL<uint16_t>(0x7E00, 1, s); }),
            (Outcome{0x7E00, 0}));  // NaN keeps its sign
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPTRISMUL<uint64_t>(0x7FE0000000000000u, 0, s); }),
            (Outcome{0x7FF0000000000000u, OFC | IXC}));
  struct Case {
    uint32_t a, b, want;
  } sel[] = {
      {0x40A00000, 0, 0x40A00000},
      {0x40A00000, 1, 0x3F800000},
      {0x40A00000, 2, 0xC0A00000},
      {0x40A00000, 3, 0xBF800000},
      {0x7FC00001, 2, 0xFFC00001},
  };
  for (const Case& c : sel) EXPECT_EQ(FPTRISSEL<uint32_t>(c.a, c.b), c.want) << c.b;
  EXPECT_EQ(FPTRISSEL<uint16_t>(0x4000, 3), 0xBC00);
  EXPECT_EQ(FPTRISSEL<uint64_t>(0x4000000000000000u, 1), 0x3FF0000000000000u);
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
