// The shared predicate support: PTRUE pattern decoding at its limits (every
// pattern at the build's length is run through CNT and INC in
// tests/handlers/reduce_handlers_test.cpp), the predicate test flags, the
// last-active search and the WHILE count around the integer boundaries.
#include "qrx/library/pred_support.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

constexpr uint32_t N = qrx::kFlagN, Z = qrx::kFlagZ, C = qrx::kFlagC, V = qrx::kFlagV;

PredV bits(std::initializer_list<unsigned> set) {
  PredV p{};
  for (unsigned j : set) p.set_bit(j, true);
  return p;
}

CpuContext context(uint32_t nzcv, uint32_t vl = qrx::kContextVL) {
  CpuContext c{};
  c.NZCV = nzcv;
  c.VL = vl;
  return c;
}

TEST(VecTrueILength, SmallAndEmptyVectors) {
  EXPECT_EQ(VecTrueILength(0, 1), 1u);  // POW2 of 1
  EXPECT_EQ(VecTrueILength(0, 0), 0u);
  EXPECT_EQ(VecTrueILength(31, 0), 0u);
  EXPECT_EQ(VecTrueILength(31, -4), 0u);
  EXPECT_EQ(VecTrueILength(3, 2), 0u);     // VL3 does not fit in 2
  EXPECT_EQ(VecTrueILength(32, 144), 0u);  // beyond the 5-bit field
}

struct TestRow {
  const char* what;
  PredV mask, result;
  int esize;
  uint32_t flags;  // N, Z, C with V = 0
};

// The library takes the length from its context: these rows are for a
// 1152-bit vector (VL 18) at any build length.
constexpr uint32_t kRowsVL = 18;

TEST(PredSetNZCV, PredicateTestTable) {
  const TestRow rows[] = {
      {"empty mask", PredV{}, bits({0, 5, 143}), 8, Z | C},
      {"first and last both true", bits({3, 140}), bits({3, 140}), 8, N},
      {"first false, last true", bits({3, 140}), bits({140}), 8, 0},
      {"first true, last false", bits({3, 140}), bits({3}), 8, N | C},
      {"no common element", bits({3, 140}), bits({4, 141}), 8, Z | C},
      {"result bit inside a D element is not the element", bits({0, 8}), bits({1, 9}), 64, Z | C},
      {"mask bit inside a D element is not active", bits({1, 8}), bits({0, 8}), 64, N},
      {"last D element is bit 136", bits({0, 136}), bits({136}), 64, 0},
      {"mask bits beyond the vector length are ignored", bits({150}), bits({150}), 8, Z | C},
      {"not an element size", bits({0}), bits({0}), 12, Z | C},
  };
  for (const TestRow& r : rows) {
    CpuContext c = context(V | 0x0ABCDEF0u, kRowsVL);
    PredSetNZCV(r.mask, r.result, r.esize, &c);
    EXPECT_EQ(c.NZCV, r.flags | 0x0ABCDEF0u) << r.what;
    // The NZC form keeps V.
    c = context(V, kRowsVL);
    PredSetNZC(r.mask, r.result, r.esize, &c);
    EXPECT_EQ(c.NZCV, r.flags | V) << r.what;
    c = context(N | Z | C, kRowsVL);
    PredSetNZC(r.mask, r.result, r.esize, &c);
    EXPECT_EQ(c.NZCV, r.flags) << r.what;
  }
}

TEST(PredSetNZCV, VectorLengthBoundsTheElements) {
  CpuContext none = context(0, 0);
  PredSetNZCV(bits({0}), bits({0}), 8, &none);
  EXPECT_EQ(none.NZCV, Z | C);
  // Two doublewords: element 2 (bit 16) is beyond the vector.
  CpuContext two = context(0, 2);
  PredSetNZCV(bits({0, 16}), bits({16}), 8, &two);
  EXPECT_EQ(two.NZCV, Z | C);
  // A VL field beyond the architectural maximum stops at 2048 bits.
  CpuContext huge = context(0, qrx::kVLMask);
  PredSetNZCV(bits({0, 255}), bits({255}), 8, &huge);
  EXPECT_EQ(huge.NZCV, 0u);
}

TEST(FindLastActive, Table) {
  struct Row {
    PredV mask;
    int esize;
    int last;
  } rows[] = {
      {PredV{}, 8, -1},
      {bits({0}), 8, 0},
      {bits({5, 143}), 8, 143},
      {bits({5, 143}), 64, -1},  // 143 is not the first bit of a D element
      {bits({8, 136}), 64, 17},
      {bits({2, 142}), 16, 71},
      {bits({200}), 8, -1},  // beyond the vector length
  };
  for (const Row& r : rows) {
    CpuContext c = context(0, kRowsVL);
    EXPECT_EQ(FindLastActive(r.mask, r.esize, &c), r.last);
  }
}

TEST(QrxPtest, SignedAndUnsignedElementTypesAgree) {
  cpu_state s{};
  uint8_t mask[qrx::kPredicateBytes] = {}, result[qrx::kPredicateBytes] = {};
  mask[4] = mask[12] = 1;
  result[4] = 1;
  result[13] = 1;  // second byte of halfword 6: not the element
  s.nzcv = 0xFFFFFFFF00000000ull | V | 0x123;
  qrx_ptest<int16_t>(&s, mask, result);
  EXPECT_EQ(s.nzcv, 0xFFFFFFFF00000000ull | N | C | 0x123);
  qrx_ptest<uint16_t>(&s, mask, result);
  EXPECT_EQ(s.nzcv, 0xFFFFFFFF00000000ull | N | C | 0x123);
  // Only bit 0 of a byte counts.
  result[4] = 2;
  qrx_ptest<int8_t>(&s, mask, result);
  EXPECT_EQ(s.nzcv & qrx::kFlagsNZCV, Z | C);
}

// The WHILE count against its definition, element by element, over values
// around every signed and unsigned boundary of both widths.
unsigned while_by_definition(uint64_t rn, uint64_t rm, unsigned width, qrx::WhileCond cond,
                             unsigned n) {
  uint64_t wmask = width == 64 ? ~0ull : 0xFFFFFFFFull;
  auto sx = [&](uint64_t v) {
    return width == 64 ? static_cast<int64_t>(v) : static_cast<int64_t>(static_cast<int32_t>(v));
  };
  for (unsigned i = 0; i < n; ++i) {
    uint64_t a = (rn + i) & wmask, b = rm & wmask;
    bool ok = cond == qrx::WhileCond::LT   ? sx(a) < sx(b)
              : cond == qrx::WhileCond::LE ? sx(a) <= sx(b)
              : cond == qrx::WhileCond::LO ? a < b
                                           : a <= b;
    if (!ok) return i;
  }
  return n;
}

TEST(WhileTrueCount, MatchesTheDefinitionAroundBoundaries) {
  const uint64_t bases[] = {
      0, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x7FFFFFFFFFFFFFFF, 0x8000000000000000, ~0ull};
  const int64_t offsets[] = {-200, -145, -144, -143, -20, -1, 0, 1, 17, 143, 144, 200};
  const qrx::WhileCond conds[] = {qrx::WhileCond::LT, qrx::WhileCond::LE, qrx::WhileCond::LO,
                                  qrx::WhileCond::LS};
  const unsigned counts[] = {qrx::kBytesElems, qrx::kDwordElems, 0};
  for (uint64_t bn : bases)
    for (int64_t on : offsets)
      for (uint64_t bm : bases)
        for (int64_t om : {int64_t{-3}, int64_t{0}, int64_t{5}, int64_t{150}})
          for (unsigned width : {32u, 64u})
            for (qrx::WhileCond c : conds)
              for (unsigned n : counts) {
                uint64_t rn = bn + static_cast<uint64_t>(on), rm = bm + static_cast<uint64_t>(om);
                ASSERT_EQ(qrx::while_true_count(rn, rm, width, c, n),
                          while_by_definition(rn, rm, width, c, n))
                    << std::hex << rn << " " << rm << " w" << std::dec << width << " cond "
                    << static_cast<unsigned>(c) << " n " << n;
              }
}

}  // namespace
