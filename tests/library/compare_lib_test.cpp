// The exported compare functions at vector lengths no handler passes (a
// handler always gives 18 doublewords): the architectural maximum, where
// elements beyond 144 bytes and the last doubleword of a wide operand
// count, and an empty vector, which compares nothing and sets Z and C.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "qrx/decode/library_compare.h"
#include "qrx/library/lib_types.h"

namespace {

constexpr uint32_t kN = 0x80000000, kZ = 0x40000000, kC = 0x20000000;

CpuContext context(uint32_t vl) {
  CpuContext ctx;
  std::memset(&ctx, 0, sizeof ctx);
  ctx.VL = vl;
  return ctx;
}

PredV all_true() {
  PredV p;
  std::memset(&p, 0xFF, sizeof p);
  return p;
}

TEST(CompareLibrary, MaximumLengthReachesTheLastElements) {
  CpuContext ctx = context(32);  // 2048 bits
  VecValue zn{}, zm{};
  zn.b[255] = 200;                    // the last byte element
  zn.set<uint32_t>(63, 0x80000000u);  // the last word element
  zm.set<uint64_t>(31, 0);            // and the doubleword it meets
  zm.set<uint64_t>(0, 1);             // words 0 and 1: 0 < 1
  PredV bytes = VecU8CmpFlgGEVIZ(all_true(), zn, 100, &ctx);
  EXPECT_EQ(bytes.w[3], uint64_t{1} << 63);
  EXPECT_EQ(bytes.w[0] | bytes.w[1] | bytes.w[2], 0u);
  EXPECT_EQ(ctx.NZCV, 0u);  // N = element 0 (false), Z = 0, C = NOT element 255

  PredV words = VecS32CmpFlgLTVWZ(all_true(), zn, zm, &ctx);
  EXPECT_EQ(words.w[0], 0x11u);  // elements 0 and 1
  EXPECT_EQ(words.w[1] | words.w[2], 0u);
  EXPECT_EQ(words.w[3], uint64_t{1} << 60);  // element 63: -2^31 < 0
  EXPECT_EQ(ctx.NZCV, kN);
}

TEST(CompareLibrary, EmptyVectorComparesNothing) {
  CpuContext ctx = context(0);
  ctx.NZCV = kN | 0x0ABCDEF;
  VecValue zn{};
  PredV r = VecS8CmpFlgGEVIZ(all_true(), zn, 0, &ctx);
  EXPECT_EQ(r.w[0] | r.w[1] | r.w[2] | r.w[3], 0u);
  EXPECT_EQ(ctx.NZCV, kZ | kC | 0x0ABCDEF);
}

}  // namespace
