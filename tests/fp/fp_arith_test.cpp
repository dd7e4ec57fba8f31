// Addition, subtraction, multiplication, fused multiply-add, division and
// square root: special values, signed zeros, flushing and single rounding.
#include <gtest/gtest.h>

#include "qrx/fp/fp_add.h"
#include "qrx/fp/fp_div.h"
#include "qrx/fp/fp_mul.h"
#include "qrx/fp/fp_muladd.h"
#include "qrx/fp/fp_sqrt.h"
#include "tests/fp/fp_test_util.h"

using namespace fptest;

namespace {

enum class Op { Add, Sub, Mul, MulX, Div, Sqrt, MulAdd };

struct Case32 {
  Op op;
  uint32_t control, a, b, c, want, flags;
};

uint32_t apply(const Case32& k, FPSCR& s) {
  switch (k.op) {
    case Op::Add: return FPAdd<uint32_t>(k.a, k.b, s);
    case Op::Sub: return FPSub<uint32_t>(k.a, k.b, s);
    case Op::Mul: return FPMul<uint32_t>(k.a, k.b, s);
    case Op::MulX: return FPMulX<uint32_t>(k.a, k.b, s);
    case Op::Div: return FPDiv<uint32_t>(k.a, k.b, s);
    case Op::Sqrt: return FPSqrt<uint32_t>(k.a, s);
    case Op::MulAdd: return FPMulAdd<uint32_t>(k.a, k.b, k.c, s);
  }
  return 0;
}

constexpr uint32_t PZ = 0x00000000, NZ = 0x80000000, ONE = 0x3F800000, TWO = 0x40000000,
                   INF = 0x7F800000, NINF = 0xFF800000, QNAN = 0x7FC00000, DNAN = 0x7FC00000,
                   SUB = 0x00000001, MAXF = 0x7F7FFFFF;

TEST(FPArith, SingleSpecialCases) {
  const Case32 cases[] = {
      {Op::Add, RN, PZ, NZ, 0, PZ, 0},
      {Op::Add, RM, PZ, NZ, 0, NZ, 0},
      {Op::Add, RP, NZ, NZ, 0, NZ, 0},
      {Op::Sub, RN, ONE, ONE, 0, PZ, 0},
      {Op::Sub, RM, ONE, ONE, 0, NZ, 0},
      {Op::Sub, RN, INF, INF, 0, DNAN, IOC},
      {Op::Add, RN, INF, NINF, 0, DNAN, IOC},
      {Op::Add, RN, INF, INF, 0, INF, 0},
      {Op::Sub, RN, ONE, 0xFFC00001, 0, 0xFFC00001, 0},  // NaN b keeps its sign
      {Op::Add, RN, MAXF, 0x73800000, 0, INF, OFC | IXC},
      {Op::Add, RZ, MAXF, 0x73800000, 0, MAXF, OFC | IXC},
      {Op::Add, RN, SUB, SUB, 0, 0x00000002, 0},         // exact subnormal sum
      {Op::Add, FZ, SUB, ONE, 0, ONE, IDC},
      {Op::Sub, FZ, 0x00800001, 0x00800000, 0, PZ, UFC},  // flushed tiny result
      {Op::Sub, RN, 0x00800001, 0x00800000, 0, SUB, 0},
      {Op::Mul, RN, INF, PZ, 0, DNAN, IOC},
      {Op::MulX, RN, NINF, PZ, 0, 0xC0000000, 0},
      {Op::MulX, RN, PZ, INF, 0, TWO, 0},
      {Op::Mul, RN, NZ, ONE, 0, NZ, 0},
      {Op::Mul, FZ, SUB, INF, 0, DNAN, IOC | IDC},
      {Op::Mul, RN, 0x00800000, 0x3F000000, 0, 0x00400000, 0},  // exact halving
      {Op::Mul, RN, 0x00800001, 0x3F000000, 0, 0x00400000, UFC | IXC},
      {Op::Mul, RP, 0x00800001, 0x3F000000, 0, 0x00400001, UFC | IXC},
      {Op::Div, RN, ONE, PZ, 0, INF, DZC},
      {Op::Div, RN, NINF, PZ, 0, NINF, 0},
      {Op::Div, RN, PZ, PZ, 0, DNAN, IOC},
      {Op::Div, RN, INF, INF, 0, DNAN, IOC},
      {Op::Div, RN, ONE, NINF, 0, NZ, 0},
      {Op::Div, FZ, ONE, SUB, 0, INF, IDC | DZC},
      {Op::Div, RN, ONE, 0x40400000, 0, 0x3EAAAAAB, IXC},
      {Op::Div, RZ, ONE, 0x40400000, 0, 0x3EAAAAAA, IXC},
      {Op::Div, RN, 0x00000003, 0x00000002, 0, 0x3FC00000, 0},  // subnormal operands
      {Op::Sqrt, RN, NZ, 0, 0, NZ, 0},
      {Op::Sqrt, RN, 0xBF800000, 0, 0, DNAN, IOC},
      {Op::Sqrt, RN, NINF, 0, 0, DNAN, IOC},
      {Op::Sqrt, RN, INF, 0, 0, INF, 0},
      {Op::Sqrt, RN, 0x40800000, 0, 0, TWO, 0},
      {Op::Sqrt, RN, TWO, 0, 0, 0x3FB504F3, IXC},
      {Op::Sqrt, RN, 0x00000002, 0, 0, 0x1A800000, 0},   // subnormal 2^-148
      {Op::MulAdd, RN, QNAN, INF, PZ, DNAN, IOC},
      {Op::MulAdd, RN, QNAN, ONE, TWO, QNAN, 0},
      {Op::MulAdd, RN, 0x7F800001, INF, PZ, 0x7FC00001, IOC},
      {Op::MulAdd, RN, NZ, PZ, 0x40A00000, PZ, 0},
      {Op::MulAdd, RM, NZ, PZ, 0x40A00000, NZ, 0},
      {Op::MulAdd, RN, NINF, INF, ONE, DNAN, IOC},
      {Op::MulAdd, RN, NINF, ONE, ONE, NINF, 0},
      // One rounding: (1 + 2^-23)^2 - (1 + 2^-22) = 2^-46 exactly.
      {Op::MulAdd, RN, 0xBF800002, 0x3F800001, 0x3F800001, 0x28800000, 0},
  };
  for (const Case32& k : cases) {
    EXPECT_EQ(run(k.control, [&](FPSCR& s) { return apply(k, s); }), (Outcome{k.want, k.flags}))
        << "op " << int(k.op) << std::hex << " a " << k.a << " b " << k.b << " c " << k.c;
  }
}

TEST(FPArith, HalfAndDoubleEdges) {
  // Half: 65504 + 8 stays at 65504 under RN, overflows upward in RP.
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPAdd<uint16_t>(0x7BFF, 0x4800, s); }),
            (Outcome{0x7BFF, IXC}));
  EXPECT_EQ(run(RP, [](FPSCR& s) { return FPAdd<uint16_t>(0x7BFF, 0x4800, s); }),
            (Outcome{0x7C00, OFC | IXC}));
  // FZ16 flushes half inputs without a flag; FZ alone does not.
  EXPECT_EQ(run(FZ16, [](FPSCR& s) { return FPMul<uint16_t>(0x0001, 0x3C00, s); }),
            (Outcome{0x0000, 0}));
  EXPECT_EQ(run(FZ, [](FPSCR& s) { return FPMul<uint16_t>(0x0001, 0x3C00, s); }),
            (Outcome{0x0001, 0}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPDiv<uint16_t>(0x3C00, 0x4200, s); }),
            (Outcome{0x3555, IXC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPSqrt<uint16_t>(0x4000, s); }), (Outcome{0x3DA8, IXC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPDiv<uint64_t>(0x3FF0000000000000u, 0x4008000000000000u, s); }),
            (Outcome{0x3FD5555555555555u, IXC}));
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPSqrt<uint64_t>(0x4000000000000000u, s); }),
            (Outcome{0x3FF6A09E667F3BCDu, IXC}));
  // Double fused multiply-add keeps the bits a separate rounding would lose.
  EXPECT_EQ(run(RN, [](FPSCR& s) {
              return FPMulAdd<uint64_t>(0xBFF0000000000002u, 0x3FF0000000000001u,
                                        0x3FF0000000000001u, s);
            }),
            (Outcome{0x3970000000000000u, 0}));
  // Subnormal product of normal doubles, rounded once.
  EXPECT_EQ(run(RN, [](FPSCR& s) { return FPMul<uint64_t>(0x0010000000000001u, 0x3FE0000000000000u, s); }),
            (Outcome{0x0008000000000000u, UFC | IXC}));
}

TEST(FPArith, ScaledFusedCore) {
  // (3 - 1 x 1) / 2 = 1 in one rounding.
  int flags = 0;
  EXPECT_EQ(fp32_muladd(0x40400000, 0xBF800000, 0x3F800000, -1, 0, &flags), 0x3F800000u);
  EXPECT_EQ(fp16_muladd(0x4000, 0xBC00, 0x3C00, 3, 0, &flags), 0x4800);  // (2 - 1) x 8
  EXPECT_EQ(fp64_muladd(0, 0x3FF0000000000000u, 0x3FF0000000000000u, -1074, 0, &flags),
            0x0000000000000001u);
  EXPECT_EQ(flags, 0);
}

}  // namespace
