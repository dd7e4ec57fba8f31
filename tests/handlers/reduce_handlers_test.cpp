// Reduction and element-counting handlers on encoded words, where the
// reference sweep cannot reach or rarely does: every pattern at every
// element size, the saturation limits of the 32- and 64-bit register forms
// and of the vector forms, extreme reductions, the register width of the
// UQDECB descriptor, a library context with another vector length, and
// descriptor codes a routine does not expect.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "qrx/decode/decode_tables.h"
#include "qrx/library/reduce_lib.h"
#include "qrx/routines/reduce_routines.h"
#include "qrx/state/cpu_state.h"
#include "tests/handlers/handler_machine.h"

namespace {

using qrx::kVectorBytes;
// Element counts of a vector: B, H, S, D.
constexpr uint64_t kB = kVectorBytes, kH = kB / 2, kS = kB / 4, kDw = kB / 8;

constexpr uint64_t kAllOnes = ~uint64_t{0};
constexpr uint64_t kTop = uint64_t{1} << 63;

using qrx_test::Machine;

// Encodings: size at 23..22, the multiplier minus one at 19..16, the pattern
// at 9..5, the register at 4..0.
constexpr uint32_t kCnt = 0x0420E000;       // CNTB..CNTD Xd
constexpr uint32_t kIncX = 0x0430E000;      // INCB..INCD Xdn
constexpr uint32_t kIncZ = 0x0430C000;      // INCH..INCD Zdn
constexpr uint32_t kQScalar = 0x0420F000;   // + 1<<20 for X, D 1<<11, U 1<<10
constexpr uint32_t kQVector = 0x0420C000;   // D 1<<11, U 1<<10
constexpr uint32_t kQPScalar = 0x25288800;  // + 1<<10 for X, D 1<<17, U 1<<16; Pm 8..5
constexpr uint32_t kQPVector = 0x25288000;
constexpr unsigned kAll = 31;

constexpr uint32_t sized(uint32_t base, unsigned esize_code, unsigned pattern, unsigned mul = 1) {
  return base | esize_code << 22 | (mul - 1) << 16 | pattern << 5;
}

// The count pattern p selects among n elements: POW2, VL1..VL8,
// VL16..VL256 (none when they do not fit), unallocated, MUL4, MUL3, ALL.
uint64_t pattern_count(unsigned p, uint64_t n) {
  uint64_t fixed = p >= 1 && p <= 8 ? p : p >= 9 && p <= 13 ? 16u << (p - 9) : 0;
  if (p == 0) {
    uint64_t pow2 = 1;
    while (pow2 * 2 <= n) pow2 *= 2;
    return n ? pow2 : 0;
  }
  if (fixed) return fixed <= n ? fixed : 0;
  return p == 29 ? n - n % 4 : p == 30 ? n - n % 3 : p == 31 ? n : 0;
}

// Patterns x element sizes.
TEST(ReduceHandlers, PatternCountsAtEveryElementSize) {
  struct Row { unsigned pattern; uint64_t count[4]; };
  std::vector<Row> rows;
  for (unsigned p : {0u, 1u, 5u, 8u, 9u, 10u, 11u, 12u, 13u, 14u, 20u, 28u, 29u, 30u, 31u})
    rows.push_back({p, {pattern_count(p, kB), pattern_count(p, kH), pattern_count(p, kS), pattern_count(p, kDw)}});
  const char* const cnt[] = {"VecU8CountVLSI", "VecU16CountVLSI", "VecU32CountVLSI", "VecU64CountVLSI"};
  const char* const inc[] = {"VecU8IncrVLSI", "VecU16IncrVLSI", "VecU32IncrVLSI", "VecU64IncrVLSI"};
  const char* const incz[] = {nullptr, "VecU16IncrVLVI", "VecU32IncrVLVI", "VecU64IncrVLVI"};
  for (const Row& r : rows) {
    for (unsigned e = 0; e < 4; ++e) {
      for (unsigned mul : {1u, 16u}) {
        SCOPED_TRACE(testing::Message() << "pattern " << r.pattern << " size " << e << " x" << mul);
        uint64_t want = r.count[e] * mul;
        Machine m;
        m.s->x[3] = 1000;
        ASSERT_EQ(m.run(sized(kCnt, e, r.pattern, mul) | 2, cnt[e]), KALT64_DECODE_OK);
        ASSERT_EQ(m.run(sized(kIncX, e, r.pattern, mul) | 3, inc[e]), KALT64_DECODE_OK);
        EXPECT_EQ(m.s->x[2], want);
        EXPECT_EQ(m.s->x[3], 1000 + want);
        if (incz[e] == nullptr) continue;
        unsigned esize = 1u << e;
        m.splat(4, 7, esize);
        ASSERT_EQ(m.run(sized(kIncZ, e, r.pattern, mul) | 4, incz[e]), KALT64_DECODE_OK);
        EXPECT_EQ(m.element(4, 0, esize), 7 + want);
        EXPECT_EQ(m.element(4, kVectorBytes / esize - 1, esize), 7 + want);
      }
    }
  }
}

// Saturation at the 32- and 64-bit register limits and the element limits:
// the signed W forms sign-extend their result, the unsigned W forms
// zero-extend it, and the unsigned decrements stop at 0. Counts: ALL of
// bytes kB, of H kH, of S kS, of D kDw; Pm holds kB active bytes.
TEST(ReduceHandlers, SaturationLimits) {
  struct Case { uint32_t word; const char* form; unsigned esize; uint64_t in, want; };
  constexpr uint32_t kX = 1u << 20, kXP = 1u << 10, kD = 1u << 11, kU = 1u << 10;
  constexpr uint32_t kDP = 1u << 17, kUP = 1u << 16, kPm1 = 1u << 5;
  const Case cases[] = {
      // Register forms by pattern: esize 0 means the result is X0.
      {sized(kQScalar, 0, kAll), "VecS8QIncrVL4SI", 0, 0x7FFFFFF0, 0x7FFFFFFF},
      {sized(kQScalar, 0, kAll), "VecS8QIncrVL4SI", 0, 0xFFFFFFFF7FFFFFF0, 0x7FFFFFFF},
      {sized(kQScalar | kD, 0, kAll), "VecS8QDecrVL4SI", 0, 0x80000005, 0xFFFFFFFF80000000},
      {sized(kQScalar | kD, 0, kAll), "VecS8QDecrVL4SI", 0, 5, static_cast<uint64_t>(5 - static_cast<int64_t>(kB))},
      {sized(kQScalar | kU, 0, kAll), "VecU8QIncrVL4SI", 0, 0xFFFFFFF0, 0xFFFFFFFF},
      {sized(kQScalar | kU, 0, kAll), "VecU8QIncrVL4SI", 0, 0xFFFFFFFF00000001, 1 + kB},
      {sized(kQScalar | kD | kU, 0, kAll), "VecU8QDecrVL4SI", 0, 0xFFFFFFFF00000000 | (kB - 1), 0},
      {sized(kQScalar | kD | kU, 0, kAll), "VecU8QDecrVL4SI", 0, 0xFFFFFFFF00000100, 0x100 - kB},
      {sized(kQScalar | kX | kD | kU, 0, kAll), "VecU8QDecrVL8SI", 0, 0x100000100, 0x100000100 - kB},
      {sized(kQScalar | kX | kD | kU, 0, kAll), "VecU8QDecrVL8SI", 0, kAllOnes, kAllOnes - kB},
      {sized(kQScalar | kX | kD | kU, 3, kAll), "VecU64QDecrVL8SI", 0, kDw - 1, 0},
      {sized(kQScalar | kX | kD | kU, 1, kAll), "VecU16QDecrVL8SI", 0, kTop, kTop - kH},
      {sized(kQScalar | kX, 0, kAll), "VecS8QIncrVL8SI", 0, kTop - 16, kTop - 1},
      {sized(kQScalar | kX | kD, 0, kAll), "VecS8QDecrVL8SI", 0, kTop + 5, kTop},
      {sized(kQScalar | kX | kU, 0, kAll), "VecU8QIncrVL8SI", 0, kAllOnes - 5, kAllOnes},
      {sized(kQScalar | kX | kU, 2, kAll, 16), "VecU32QIncrVL8SI", 0, 0xFFFFFFF0, 0xFFFFFFF0 + 16 * kS},
      // Register forms by predicate.
      {kQPScalar | kPm1, "VecS8QIncrSCount4PS", 0, 0x7FFFFFFF, 0x7FFFFFFF},
      {kQPScalar | kPm1 | kDP, "VecS8QDecrSCount4PS", 0, 0x80000000, 0xFFFFFFFF80000000},
      {kQPScalar | kPm1 | kDP | kUP, "VecU8QDecrSCount4PS", 0, 0xFFFFFFFF00000010, 0},
      {kQPScalar | kPm1 | kUP, "VecU8QIncrSCount4PS", 0, 0x1FFFFFFFF, 0xFFFFFFFF},
      {kQPScalar | kPm1 | kXP | kDP, "VecS8QDecrSCount8PS", 0, kTop + 1, kTop},
      {kQPScalar | kPm1 | kXP | kUP, "VecU8QIncrSCount8PS", 0, kAllOnes - 1, kAllOnes},
      {kQPScalar | kPm1 | kXP | kDP | kUP, "VecU8QDecrSCount8PS", 0, kB - 1, 0},
      // Vector forms: every element of Z0 starts at `in`.
      {sized(kQVector, 1, kAll), "VecS16QIncrVLVI", 2, 0x8001 - kH, 0x7FFF},
      {sized(kQVector | kU, 1, kAll), "VecU16QIncrVLVI", 2, 0x10001 - kH, 0xFFFF},
      {sized(kQVector | kD, 1, kAll), "VecS16QDecrVLVI", 2, 0x7FFF + kH, 0x8000},
      {sized(kQVector | kD | kU, 2, kAll), "VecU32QDecrVLVI", 4, kS - 1, 0},
      {sized(kQVector | kD, 3, kAll), "VecS64QDecrVLVI", 8, kTop + kDw - 1, kTop},
      {sized(kQVector | kU, 3, kAll), "VecU64QIncrVLVI", 8, kAllOnes - kDw + 1, kAllOnes},
      {kQPVector | 2u << 22 | kPm1, "VecS32QIncrCountPV", 4, 0x80000001 - kS, 0x7FFFFFFF},
      {kQPVector | 3u << 22 | kPm1 | kDP | kUP, "VecU64QDecrCountPV", 8, kDw - 1, 0},
      {kQPVector | 1u << 22 | kPm1 | kDP, "VecS16QDecrCountPV", 2, 0x8000, 0x8000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.form << " in 0x" << std::hex << c.in);
    Machine m;
    std::memset(m.s->p[1], 1, qrx::kPredicateBytes);
    if (c.esize == 0) {
      m.s->x[0] = c.in;
      ASSERT_EQ(m.run(c.word, c.form), KALT64_DECODE_OK);
      EXPECT_EQ(m.s->x[0], c.want);
    } else {
      m.splat(0, c.in, c.esize);
      ASSERT_EQ(m.run(c.word, c.form), KALT64_DECODE_OK);
      EXPECT_EQ(m.element(0, 0, c.esize), c.want);
      EXPECT_EQ(m.element(0, kVectorBytes / c.esize - 1, c.esize), c.want);
    }
  }
}

// UQDECB takes the register width from the descriptor's width code,
// wherever the descriptor keeps it: a destructive X descriptor holds it in
// qual2 with qual empty.
TEST(ReduceHandlers, UqdecbRegisterWidthFromTheDescriptor) {
  struct Case { kalt64_i_reg rdn; uint64_t want; };
  const Case cases[] = {
      {i_destructive(0, kalt64_i_reg::W64), 0x100000100 - kB},
      {i_operand(0, kalt64_i_reg::W64), 0x100000100 - kB},
      {i_destructive(0, kalt64_i_reg::W32), 0x100 - kB},
      {i_operand(0, kalt64_i_reg::W32), 0x100 - kB},
  };
  for (const Case& c : cases) {
    Machine m;
    m.s->x[0] = 0x100000100;
    EXPECT_EQ(qrx_uqdecb_rii(m.s.get(), c.rdn, kAll, 1), KALT64_DECODE_OK);
    EXPECT_EQ(m.s->x[0], c.want) << c.rdn.qual << " " << c.rdn.qual2;
  }
}

// Reductions at the extremes: every byte 255 or -128, identities with no
// active element; the rest of Vd is cleared, and Vd may be Zn.
TEST(ReduceHandlers, ReductionExtremes) {
  struct Case { uint32_t word; const char* form; unsigned esize; uint64_t fill; bool active; uint64_t want; };
  constexpr uint32_t kVd2Zn2 = 2u << 5 | 2;
  const Case cases[] = {
      {0x04012000 | kVd2Zn2, "VecU8AddReduceV", 1, 0xFF, true, kB * 255},
      {0x04002000 | kVd2Zn2, "VecS8AddReduceV", 1, 0x80, true, static_cast<uint64_t>(-128 * static_cast<int64_t>(kB))},
      {0x04C12000 | kVd2Zn2, "VecU64AddReduceV", 8, kAllOnes, true, 0 - kDw},
      {0x040A2000 | kVd2Zn2, "VecS8MinReduceV", 1, 5, false, 127},
      {0x04482000 | kVd2Zn2, "VecS16MaxReduceV", 2, 5, false, 0x8000},
      {0x04CB2000 | kVd2Zn2, "VecU64MinReduceV", 8, 5, false, kAllOnes},
      {0x049A2000 | kVd2Zn2, "VecU32AndReduceV", 4, 5, false, 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.form);
    Machine m;
    m.splat(2, c.fill, c.esize);
    m.leading(0, c.active ? kVectorBytes / c.esize : 0, c.esize);
    ASSERT_EQ(m.run(c.word, c.form), KALT64_DECODE_OK);
    EXPECT_EQ(m.element(2, 0, 8), c.want);
    for (unsigned i = 8; i < kVectorBytes; ++i) ASSERT_EQ(m.s->z[2][i], 0) << i;
  }
}

// The library counts elements from the context's vector length, capped at
// the architectural maximum, and leaves the bytes beyond it zero.
TEST(ReduceHandlers, LibraryFollowsTheContextLength) {
  CpuContext ctx{};
  ctx.VL = 16;  // 1024 bits
  EXPECT_EQ(qrx::values::lib_count<uint8_t>(kAll, 0, &ctx), 128u);
  EXPECT_EQ(qrx::values::lib_count<uint64_t>(29, 2, &ctx), 3 * 16u);
  PredV all{};
  for (uint64_t& w : all.w) w = kAllOnes;
  EXPECT_EQ((qrx::values::lib_step_rp<uint16_t, qrx::IncStep, uint64_t>(all, 1, &ctx)), 65u);
  VecValue z{};
  std::memset(z.b, 0xFF, sizeof z.b);
  VecValue r = qrx::values::lib_step_zp<uint32_t, qrx::QDecStep<true>>(z, all, &ctx);
  EXPECT_EQ(r.get<uint32_t>(31), 0xFFFFFFFFu - 32);
  EXPECT_EQ(r.get<uint32_t>(32), 0u);
  ctx.VL = 0x3FFFFFF;  // far beyond 2048 bits: 256 bytes
  EXPECT_EQ(qrx::values::lib_count<uint8_t>(kAll, 0, &ctx), 256u);
}

#ifdef NDEBUG
// Descriptor codes a routine does not expect are not executed and change
// nothing.
TEST(ReduceHandlers, UnexpectedDescriptorCodes) {
  Machine m;
  m.splat(3, 0x11, 1);
  kalt64_p_reg pg = p_operand(0, kalt64_p_reg::GOVERNING);
  EXPECT_EQ(qrx_uaddv_vpz(m.s.get(), 3, pg, z_operand(1, kalt64_z_reg::Q)), KALT64_DECODE_NOT_EXECUTED);
  EXPECT_EQ(qrx_sminv_vpz(m.s.get(), 3, p_operand(0, kalt64_p_reg::NONE), z_operand(1, ESIZE_B)),
            KALT64_DECODE_NOT_EXECUTED);
  m.s->x[4] = 9;
  EXPECT_EQ(qrx_incp_rp(m.s.get(), i_destructive(4, kalt64_i_reg::W64), p_operand(0, kalt64_p_reg::ZEROING)),
            KALT64_DECODE_NOT_EXECUTED);
  EXPECT_EQ(qrx_uqdecb_rii(m.s.get(), kalt64_i_reg{4, 4, 4, 4}, kAll, 1), KALT64_DECODE_NOT_EXECUTED);
  EXPECT_EQ(m.s->x[4], 9u);
  EXPECT_EQ(m.element(3, 0, 8), 0x1111111111111111u);
}
#endif

}  // namespace
