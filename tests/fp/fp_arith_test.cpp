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

struct Case {
  Op op;
  int width;
  uint32_t control;
  uint64_t a, b, c, want;
  uint32_t flags;
};

template <typename T>
uint64_t apply(const Case& k, FPSCR& s) {
  const T a = T(k.a), b = T(k.b), c = T(k.c);
  switch (k.op) {
    case Op::Add: return FPAdd<T>(a, b, s);
    case Op::Sub: return FPSub<T>(a, b, s);
    case Op::Mul: return FPMul<T>(a, b, s);
    case Op::MulX: return FPMulX<T>(a, b, s);
    case Op::Div: return FPDiv<T>(a, b, s);
    case Op::Sqrt: return FPSqrt<T>(a, s);
    case Op::MulAdd: return FPMulAdd<T>(a, b, c, s);
  }
  return 0;
}

constexpr uint64_t PZ = 0x00000000, NZ = 0x80000000, ONE = 0x3F800000, TWO = 0x40000000,
                   INF = 0x7F800000, NINF = 0xFF800000, QNAN = 0x7FC00000, DNAN = 0x7FC00000,
                   SUB = 0x00000001, MAXF = 0x7F7FFFFF;

TEST(FPArith, SpecialValuesAndBoundaries) {
  const Case cases[] = {
      {Op::Add, 32, RN, PZ, NZ, 0, PZ, 0},
      {Op::Add, 32, RM, PZ, NZ, 0, NZ, 0},
      {Op::Add, 32, RP, NZ, NZ, 0, NZ, 0},
      {Op::Sub, 32, RM, ONE, ONE, 0, NZ, 0},
      {Op::Add, 32, RN, INF, NINF, 0, DNAN, IOC},
      {Op::Sub, 32, RN, ONE, 0xFFC00001, 0, 0xFFC00001, 0},  // NaN b keeps its sign
      {Op::Add, 32, RN, MAXF, 0x73800000, 0, INF, OFC | IXC},
      {Op::Add, 32, RZ, MAXF, 0x73800000, 0, MAXF, OFC | IXC},
      {Op::Add, 32, FZ, SUB, ONE, 0, ONE, IDC},
      {Op::Sub, 32, FZ, 0x00800001, 0x00800000, 0, PZ, UFC},  // flushed tiny result
      {Op::Sub, 32, RN, 0x00800001, 0x00800000, 0, SUB, 0},   // exact subnormal result
      {Op::Mul, 32, RN, INF, PZ, 0, DNAN, IOC},
      {Op::MulX, 32, RN, NINF, PZ, 0, 0xC0000000, 0},
      {Op::Mul, 32, FZ, SUB, INF, 0, DNAN, IOC | IDC},
      {Op::Mul, 32, RN, 0x00800001, 0x3F000000, 0, 0x00400000, UFC | IXC},
      {Op::Mul, 32, RP, 0x00800001, 0x3F000000, 0, 0x00400001, UFC | IXC},
      {Op::Div, 32, RN, ONE, PZ, 0, INF, DZC},
      {Op::Div, 32, RN, NINF, PZ, 0, NINF, 0},
      {Op::Div, 32, RN, PZ, PZ, 0, DNAN, IOC},
      {Op::Div, 32, FZ, ONE, SUB, 0, INF, IDC | DZC},
      {Op::Div, 32, RZ, ONE, 0x40400000, 0, 0x3EAAAAAA, IXC},
      {Op::Div, 32, RN, 0x00000003, 0x00000002, 0, 0x3FC00000, 0},  // subnormal operands
      {Op::Sqrt, 32, RN, NZ, 0, 0, NZ, 0},
      {Op::Sqrt, 32, RN, NINF, 0, 0, DNAN, IOC},
      {Op::Sqrt, 32, RN, 0x40800000, 0, 0, TWO, 0},
      {Op::Sqrt, 32, RN, TWO, 0, 0, 0x3FB504F3, IXC},
      {Op::Sqrt, 32, RN, 0x00000002, 0, 0, 0x1A800000, 0},  // subnormal 2^-148
      {Op::MulAdd, 32, RN, QNAN, INF, PZ, DNAN, IOC},
      {Op::MulAdd, 32, RN, QNAN, ONE, TWO, QNAN, 0},
      {Op::MulAdd, 32, RN, 0x7F800001, INF, PZ, 0x7FC00001, IOC},
      {Op::MulAdd, 32, RN, NZ, PZ, 0x40A00000, PZ, 0},
      {Op::MulAdd, 32, RM, NZ, PZ, 0x40A00000, NZ, 0},
      // One rounding: (1 + 2^-23)^2 - (1 + 2^-22) = 2^-46 exactly.
      {Op::MulAdd, 32, RN, 0xBF800002, 0x3F800001, 0x3F800001, 0x28800000, 0},
      // Half: 65504 + 8 stays in range under RN and overflows upward in RP.
      {Op::Add, 16, RN, 0x7BFF, 0x4800, 0, 0x7BFF, IXC},
      {Op::Add, 16, RP, 0x7BFF, 0x4800, 0, 0x7C00, OFC | IXC},
      // FZ16 flushes half inputs without a flag; FZ alone does not.
      {Op::Mul, 16, FZ16, 0x0001, 0x3C00, 0, 0x0000, 0},
      {Op::Mul, 16, FZ, 0x0001, 0x3C00, 0, 0x0001, 0},
      {Op::Div, 16, RN, 0x3C00, 0x4200, 0, 0x3555, IXC},
      {Op::Sqrt, 16, RN, 0x4000, 0, 0, 0x3DA8, IXC},
      {Op::Div, 64, RN, 0x3FF0000000000000u, 0x4008000000000000u, 0, 0x3FD5555555555555u, IXC},
      {Op::Sqrt, 64, RN, 0x4000000000000000u, 0, 0, 0x3FF6A09E667F3BCDu, IXC},
      {Op::MulAdd, 64, RN, 0xBFF0000000000002u, 0x3FF0000000000001u, 0x3FF0000000000001u,
       0x3970000000000000u, 0},
      // A subnormal product of normal doubles, a tie rounded to even.
      {Op::Mul, 64, RN, 0x0010000000000001u, 0x3FE0000000000000u, 0, 0x0008000000000000u,
       UFC | IXC},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(run(k.control,
                  [&](FPSCR& s) {
                    return k.width == 16   ? apply<uint16_t>(k, s)
                           : k.width == 32 ? apply<uint32_t>(k, s)
                                           : apply<uint64_t>(k, s);
                  }),
              (Outcome{k.want, k.flags}))
        << "op " << int(k.op) << " width " << k.width << std::hex << " a " << k.a << " b " << k.b
        << " c " << k.c;
  }
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
