// Library functions of the predicate family, called with packed operands.
#include "qrx/library/predicate_lib.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <limits>

#include "qrx/library/pred_support.h"

namespace {

constexpr uint32_t N = qrx::kFlagN, Z = qrx::kFlagZ, C = qrx::kFlagC, V = qrx::kFlagV;
constexpr uint32_t kOther = 0x0ABCDEF0u;  // bits that flag setting leaves alone

PredV bits(std::initializer_list<unsigned> set) {
  PredV p{};
  for (unsigned j : set) p.set_bit(j, true);
  return p;
}

// Eight bits at offset `at`: bit k of `byte` is predicate bit at + k.
PredV byte_at(unsigned at, unsigned byte) {
  PredV p{};
  for (unsigned k = 0; k < 8; ++k) p.set_bit(at + k, (byte >> k) & 1);
  return p;
}

PredV all_ones() {
  PredV p;
  for (uint64_t& w : p.w) w = ~uint64_t{0};
  return p;
}

CpuContext context(uint32_t nzcv = kOther) {
  CpuContext c{};
  c.NZCV = nzcv;
  c.VL = qrx::kContextVL;
  return c;
}

bool same(const PredV& a, const PredV& b) {
  return a.w[0] == b.w[0] && a.w[1] == b.w[1] && a.w[2] == b.w[2] && a.w[3] == b.w[3];
}

using Logic = PredV (*)(PredV, PredV, PredV, CpuContext*);

// Pg = 11110000, Pn = 11001100, Pm = 10101010 at the last byte of the
// vector: each op's truth table lands in the active upper nibble.
TEST(PredicateLogicLib, TruthTablesAndFlags) {
  struct Row {
    const char* name;
    Logic f;
    unsigned byte;
    bool flags;
    uint32_t nzcv;
  } rows[] = {
      {"ORN", VecPOrNPPZ, 0xD0, false, 0},
      {"NAND", VecPNandPPZ, 0x70, false, 0},
      {"ANDS", VecPAndFlgPPZ, 0x80, true, 0},
      {"BICS", VecPBicFlgPPZ, 0x40, true, C},
      {"ORRS", VecPOrFlgPPZ, 0xE0, true, 0},
      {"ORNS", VecPOrNFlgPPZ, 0xD0, true, N},
      {"NORS", VecPNorFlgPPZ, 0x10, true, N | C},
      {"NANDS", VecPNandFlgPPZ, 0x70, true, N | C},
      {"EORS", VecPXorFlgPPZ, 0x60, true, C},
  };
  const unsigned at = qrx::kPredicateBits - 8;
  for (const Row& r : rows) {
    CpuContext c = context(kOther | V);
    PredV out = r.f(byte_at(at, 0xF0), byte_at(at, 0xCC), byte_at(at, 0xAA), &c);
    EXPECT_TRUE(same(out, byte_at(at, r.byte))) << r.name;
    EXPECT_EQ(c.NZCV, kOther | (r.flags ? r.nzcv : V)) << r.name;
  }
}

TEST(PredicateLogicLib, NothingBeyondTheVectorLength) {
  CpuContext c = context();
  PredV out = VecPNandPPZ(all_ones(), PredV{}, PredV{}, &c);
  PredV expect{};
  for (unsigned j = 0; j < qrx::kPredicateBits; ++j) expect.set_bit(j, true);
  EXPECT_TRUE(same(out, expect));
  out = VecPOrNFlgPPZ(PredV{}, all_ones(), PredV{}, &c);  // empty Pg
  EXPECT_TRUE(same(out, PredV{}));
  EXPECT_EQ(c.NZCV, kOther | Z | C);
}

TEST(PtruesLib, CountsOnlyFirstBitsAndSetsFlags) {
  struct Row {
    PredV (*f)(unsigned long, CpuContext*);
    unsigned esize;
    unsigned long pattern;
    unsigned count;
  } rows[] = {
      {VecP8TrueFlgI, 1, 31, qrx::kBytesElems},
      {VecP16TrueFlgI, 2, 3, 3},
      {VecP32TrueFlgI, 4, 0, 32},
      {VecP64TrueFlgI, 8, 29, qrx::kDwordElems / 4 * 4},
      {VecP64TrueFlgI, 8, 13, 0},  // VL256
      {VecP8TrueFlgI, 1, 20, 0},   // unallocated
  };
  for (const Row& r : rows) {
    CpuContext c = context(kOther | V);
    PredV out = r.f(r.pattern, &c);
    EXPECT_TRUE(same(out, qrx::pred_leading(r.count, r.esize))) << r.esize << "/" << r.pattern;
    EXPECT_EQ(c.NZCV, kOther | (r.count ? N : Z | C));
  }
}

TEST(PfirstLib, SetsTheFirstGoverningBit) {
  CpuContext c = context();
  PredV out = VecPSetFirstActiveP(bits({5, 9}), bits({10}), &c);
  EXPECT_TRUE(same(out, bits({5, 10})));
  EXPECT_EQ(c.NZCV, kOther | N | C);  // bit 9, the last governing bit, stays false
  out = VecPSetFirstActiveP(PredV{}, bits({10}), &c);
  EXPECT_TRUE(same(out, bits({10})));
  EXPECT_EQ(c.NZCV, kOther | Z | C);
}

TEST(BreakLib, BreakAfterAndBefore) {
  struct Row {
    PredV (*f)(PredV, PredV, CpuContext*);
    PredV pg, pn, out;
    uint32_t nzcv;
  } rows[] = {
      // Break at the first active bit: BRKB leaves nothing, BRKA that bit.
      {VecPBreakBFlgPZ, bits({2, 4, 6}), bits({2}), PredV{}, Z | C},
      {VecPBreakAFlgPZ, bits({2, 4, 6}), bits({2}), bits({2}), N | C},
      // Break at bit 4; inactive bits (3, 5) stay 0.
      {VecPBreakAFlgPZ, bits({2, 4, 6}), bits({3, 4}), bits({2, 4}), N | C},
      {VecPBreakBFlgPZ, bits({2, 4, 6}), bits({3, 4}), bits({2}), N | C},
      // No break: every active bit.
      {VecPBreakBFlgPZ, bits({0, 143}), PredV{}, bits({0, 143}), N},
  };
  for (const Row& r : rows) {
    CpuContext c = context(kOther | V);
    EXPECT_TRUE(same(r.f(r.pg, r.pn, &c), r.out));
    EXPECT_EQ(c.NZCV, kOther | r.nzcv);
  }
}

TEST(BreakPrevLib, CarryFromLastActiveBit) {
  CpuContext c = context();
  // Pn false at Pg's last active bit: all false.
  PredV out = VecPBreakPrevAFlgPZ(bits({1, 2, 3}), bits({1, 2}), PredV{}, &c);
  EXPECT_TRUE(same(out, PredV{}));
  EXPECT_EQ(c.NZCV, kOther | Z | C);
  // Carry true; Pm at bit 11 ends the run after bit 11 (BRKPA keeps it).
  out = VecPBreakPrevAPZ(bits({3, 10, 11, 12}), bits({12}), bits({11}), &c);
  EXPECT_TRUE(same(out, bits({3, 10, 11})));
  EXPECT_EQ(c.NZCV, kOther | Z | C);  // the non-flag form leaves the flags
  out = VecPBreakPrevAFlgPZ(bits({3, 10, 11, 12}), bits({12}), bits({11}), &c);
  EXPECT_EQ(c.NZCV, kOther | N | C);
}

TEST(RdffrsLib, FfrUnderPg) {
  CpuContext c = context();
  c.FFR = bits({0, 1, 2, 100});
  PredV out = VecPActualFlgP(bits({1, 2, 3, 100}), &c);
  EXPECT_TRUE(same(out, bits({1, 2, 100})));
  EXPECT_EQ(c.NZCV, kOther | N);
  EXPECT_TRUE(same(c.FFR, bits({0, 1, 2, 100})));
}

TEST(WhileLeLib, SignedExtremes) {
  constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();
  constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
  struct Row {
    const char* what;
    PredV out;
    unsigned esize, count;
  };
  CpuContext c = context();
  const Row rows[] = {
      {"W Rm max: all", VecS32While4LESS(kMax32, kMax32, &c), 4, qrx::kWordElems},
      {"W wraps below Rm", VecS8While4LESS(-3, -1, &c), 1, 3},
      {"W Rn > Rm", VecS64While4LESS(10, 9, &c), 8, 0},
      {"X Rm max: all", VecS16While8LESS(kMax64 - 1, kMax64, &c), 2, qrx::kHalfElems},
      {"X min = min: one", VecS8While8LESS(kMin64, kMin64, &c), 1, 1},
      {"X negative to zero", VecS64While8LESS(-2, 0, &c), 8, 3},
  };
  for (const Row& r : rows)
    EXPECT_TRUE(same(r.out, qrx::pred_leading(r.count, r.esize))) << r.what;
}

TEST(WhileLeLib, FlagsUnderAllTrueMask) {
  struct Row {
    int64_t rn, rm;
    uint32_t nzcv;
  } rows[] = {
      {0, 100, N},                             // all true: C = 0
      {0, 4, N | C},                           // five true
      {5, 4, Z | C},                           // none
  };
  for (const Row& r : rows) {
    CpuContext c = context(kOther | V);
    VecS64While8LESS(r.rn, r.rm, &c);
    EXPECT_EQ(c.NZCV, kOther | r.nzcv) << r.rn << " " << r.rm;
  }
}

TEST(CtermLib, NAndVFromTheCondition) {
  struct Row {
    bool eq;
    uint64_t rn, rm;
    uint32_t before, after;
  } rows[] = {
      {true, 7, 7, V | Z, N | Z},             // holds: N = 1, V = 0
      {true, 7, 8, N, V},                     // fails with C = 0: V = 1
      {true, 7, 8, N | C, C},                 // fails with C = 1: V = 0
      {false, 7, 8, Z | C | V, N | Z | C},
      {false, 7, 7, Z, Z | V},
  };
  for (const Row& r : rows) {
    CpuContext c = context(kOther | r.before);
    (r.eq ? VecU64CTermEQ : VecU64CTermNE)(r.rn, r.rm, &c);
    EXPECT_EQ(c.NZCV, kOther | r.after);
    c = context(kOther | r.before);
    (r.eq ? VecU32CTermEQ : VecU32CTermNE)(static_cast<uint32_t>(r.rn), static_cast<uint32_t>(r.rm), &c);
    EXPECT_EQ(c.NZCV, kOther | r.after);
  }
}

}  // namespace
