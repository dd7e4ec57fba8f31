// Library functions of the predicate family where the reference sweep is
// weak: results never beyond the vector length (also for a VL field above
// the architectural maximum) and PTRUES results and flags per element size.
#include "qrx/library/predicate_lib.h"

#include <gtest/gtest.h>

#include "qrx/library/pred_support.h"

namespace {

constexpr uint32_t N = qrx::kFlagN, Z = qrx::kFlagZ, C = qrx::kFlagC, V = qrx::kFlagV;
constexpr uint32_t kOther = 0x0ABCDEF0u;  // bits that flag setting leaves alone

PredV all_ones() {
  PredV p;
  for (uint64_t& w : p.w) w = ~uint64_t{0};
  return p;
}

CpuContext context(uint32_t vl = qrx::kContextVL) {
  CpuContext c{};
  c.NZCV = kOther | V;
  c.VL = vl;
  return c;
}

bool same(const PredV& a, const PredV& b) {
  return a.w[0] == b.w[0] && a.w[1] == b.w[1] && a.w[2] == b.w[2] && a.w[3] == b.w[3];
}

TEST(PredicateLib, ResultsStopAtTheVectorLength) {
  struct Row {
    uint32_t vl;
    unsigned bits;
  } rows[] = {{qrx::kContextVL, qrx::kPredicateBits}, {2, 16}, {0, 0}, {qrx::kVLMask, 256}};
  for (const Row& r : rows) {
    CpuContext c = context(r.vl);
    EXPECT_TRUE(same(VecPNandPPZ(all_ones(), PredV{}, PredV{}, &c), qrx::pred_leading(r.bits, 1)))
        << r.vl;
    EXPECT_TRUE(same(VecPSetFirstActiveP(all_ones(), all_ones(), &c), qrx::pred_leading(r.bits, 1)))
        << r.vl;
    EXPECT_TRUE(same(VecP16TrueFlgI(31, &c), qrx::pred_leading(r.bits / 2, 2))) << r.vl;
    c.FFR = all_ones();
    EXPECT_TRUE(same(VecPActualFlgP(all_ones(), &c), qrx::pred_leading(r.bits, 1))) << r.vl;
    EXPECT_EQ(c.NZCV, kOther | (r.bits ? N : Z | C)) << r.vl;
  }
}

TEST(PredicateLib, PtruesPerElementSize) {
  unsigned words_pow2 = 1;  // POW2 of the word elements
  while (words_pow2 * 2 <= qrx::kWordElems) words_pow2 *= 2;
  struct Row {
    PredV (*f)(unsigned long, CpuContext*);
    unsigned esize;
    unsigned long pattern;
    unsigned count;
  } rows[] = {
      {VecP8TrueFlgI, 1, 31, qrx::kBytesElems},
      {VecP16TrueFlgI, 2, 3, 3},
      {VecP32TrueFlgI, 4, 0, words_pow2},
      {VecP64TrueFlgI, 8, 29, qrx::kDwordElems / 4 * 4},
      {VecP64TrueFlgI, 8, 13, 0},  // VL256: empty, Z = C = 1
      {VecP8TrueFlgI, 1, 20, 0},   // unallocated
  };
  for (const Row& r : rows) {
    CpuContext c = context();
    PredV out = r.f(r.pattern, &c);
    // Only the first bit of each element can be set.
    for (unsigned j = 0; j < qrx::kPredicateBits; ++j)
      ASSERT_EQ(out.bit(j), j % r.esize == 0 && j / r.esize < r.count)
          << r.esize << "/" << r.pattern << " bit " << j;
    EXPECT_EQ(c.NZCV, kOther | (r.count ? N : Z | C)) << r.esize << "/" << r.pattern;
  }
}

}  // namespace
