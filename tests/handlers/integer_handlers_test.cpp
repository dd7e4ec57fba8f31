// Integer handlers on encoded words, where the reference sweep cannot reach
// or rarely does: encodings the reference model rejects (reserved bitmask
// immediates, shifted byte immediates), division and shift corners in one
// table, predicate bytes with upper bits set, zeroing MOVPRFX, INDEX with the
// zero register, and descriptor codes a routine does not expect.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "qrx/decode/decode_tables.h"
#include "qrx/library/integer_lib.h"
#include "qrx/routines/integer_routines.h"
#include "qrx/state/cpu_state.h"
#include "tests/handlers/handler_machine.h"

namespace {

using qrx::kVectorBytes;

constexpr uint64_t kAllOnes = ~uint64_t{0};
constexpr uint64_t kTop = uint64_t{1} << 63;

using qrx_test::Machine;

// Predicated destructive words: Zdn 4..0, Pg 12..10, Zm 9..5.
constexpr uint32_t zpz(uint32_t base, unsigned zdn, unsigned pg, unsigned zm) {
  return base | pg << 10 | zm << 5 | zdn;
}

TEST(IntegerHandlers, ReservedBitmaskImmediatesAreNotExecuted) {
  struct Case {
    uint32_t word;
    const char* form;
  };
  const Case cases[] = {
      {0x05C007E0, "VecS64DupMaskI"},  // N:NOT(imms) without a set bit
      {0x05C007C3, "VecS64DupMaskI"},  // one-bit element
      {0x05C3F7E3, "VecS64DupMaskI"},  // 64 ones
      {0x050003E1, "VecU64OrVIX"},     // 32 ones
      {0x054007A2, "VecU64XorVIX"},    // 2-bit element of ones
      {0x058007E4, "VecU64AndVIX"},
  };
  for (const Case& c : cases) {
    Machine m;
    m.fill<uint64_t>(c.word & 31, 0x0123456789ABCDEF);
    EXPECT_EQ(m.run(c.word, c.form), KALT64_DECODE_NOT_EXECUTED) << std::hex << c.word;
    EXPECT_EQ(m.get<uint64_t>(c.word & 31, 0), 0x0123456789ABCDEFu);
    EXPECT_EQ(m.s->encoding, c.word);
  }
}

// Division and shift corners on merging words (Zdn Z1, Pg P0, Zm Z2): the
// last element gets the result, element 0 is inactive and keeps Zdn. Wide
// shifts take 64-bit amounts from Zm.
TEST(IntegerHandlers, DivisionAndShiftCorners) {
  struct Case {
    uint32_t base;
    const char* form;
    unsigned esize, zm_esize;
    uint64_t zdn, zm, want;
  };
  const Case cases[] = {
      {0x04940000, "VecS32DivVVM", 4, 4, 0x80000000, 0xFFFFFFFF, 0x80000000},  // INT_MIN / -1
      {0x04940000, "VecS32DivVVM", 4, 4, 7, 0, 0},                             // by zero
      {0x04940000, "VecS32DivVVM", 4, 4, 0xFFFFFFF9, 2, 0xFFFFFFFD},           // -7 / 2 rounds to 0
      {0x04D40000, "VecS64DivVVM", 8, 8, kTop, kAllOnes, kTop},
      {0x04D50000, "VecU64DivVVM", 8, 8, kAllOnes, 0, 0},
      {0x04950000, "VecU32DivVVM", 4, 4, 0xFFFFFFFF, 0xFFFFFFFF, 1},
      {0x04970000, "VecU32DivRVVM", 4, 4, 3, 100, 33},              // Zm / Zdn
      {0x04188000, "VecS8ShrVWM", 1, 8, 0x80, kAllOnes, 0xFF},      // ASR wide by 2^64-1
      {0x041B8000, "VecU8ShlVWM", 1, 8, 0x01, 8, 0x00},             // LSL wide by the width
      {0x04D78000, "VecU64ShlRVVM", 8, 8, kTop, 1, 0},              // Zm << 2^63
      {0x04548000, "VecS16ShrRVVM", 2, 2, 0x0010, 0x8000, 0xFFFF},  // ASRR beyond the width
      {0x04918000, "VecU32ShrVVM", 4, 4, 0xFFFFFFFF, 32, 0},        // LSR by the width
      {0x04108000, "VecS8ShrVVM", 1, 1, 0x81, 0xFF, 0xFF},          // ASR by 255
  };
  for (const Case& c : cases) {
    Machine m;
    m.all_true(0, c.esize);
    m.s->p[0][0] = 0;
    m.splat(1, c.zdn, c.esize);
    m.splat(2, c.zm, c.zm_esize);
    ASSERT_EQ(m.run(zpz(c.base, 1, 0, 2), c.form), KALT64_DECODE_OK);
    EXPECT_EQ(m.last_element(1, c.esize), c.want) << c.form << " " << c.zdn << " " << c.zm;
    EXPECT_EQ(m.element(1, 0, c.esize), c.zdn) << c.form << ": inactive keeps Zdn";
  }
}

// Word quotients are computed in double precision: boundary cases (the
// largest magnitudes, INT_MIN / -1, zero divisors, quotients just below an
// integer), a vector of them at a time, against 64-bit integer division.
TEST(IntegerHandlers, WordDivisionBoundaries) {
  const uint32_t pairs[][2] = {
      {0xFFFFFFFF, 1},          {0xFFFFFFFF, 0xFFFFFFFF}, {0xFFFFFFFE, 0xFFFFFFFF},
      {0x80000000, 1},          {0x80000000, 0xFFFFFFFF}, {0x80000000, 2},
      {0x80000001, 0xFFFFFFFF}, {0x7FFFFFFF, 0xFFFFFFFF}, {0x80000000, 0x80000000},
      {0x80000001, 0x80000000}, {0x7FFFFFFF, 0x80000000}, {0xFFFFFFFF, 0x00010001},
      {0xFFFFFFFE, 0x00010001}, {0xFFFFFFFD, 0x7FFFFFFF}, {0xFFFFFFFF, 0x7FFFFFFF},
      {0x7FFFFFFE, 0x7FFFFFFF}, {0xFFFFFFFF, 0x80000001}, {0xFFFFFFFF, 0xFFFFFFFE},
      {0xFFFFFFFF, 3},          {0xFFFFFFFD, 3},          {0xFFFFFFF9, 2},
      {7, 0xFFFFFFFE},          {1, 0xFFFFFFFF},          {0, 0},
      {0xFFFFFFFF, 0},          {0x80000000, 0},          {0xAAAAAAAA, 0x55555555},
      {0x12345678, 0x9ABC},
  };
  const unsigned lanes = kVectorBytes / 4, count = sizeof pairs / sizeof pairs[0];
  for (bool is_unsigned : {false, true}) {
    for (unsigned first = 0; first < count; first += lanes) {
      Machine m;
      m.all_true(0, 4);
      for (unsigned j = 0; j < lanes; ++j) {
        m.set_element(1, j, pairs[(first + j) % count][0], 4);
        m.set_element(2, j, pairs[(first + j) % count][1], 4);
      }
      ASSERT_EQ(m.run(zpz(is_unsigned ? 0x04950000 : 0x04940000, 1, 0, 2)), KALT64_DECODE_OK);
      for (unsigned j = 0; j < lanes; ++j) {
        const uint32_t n = pairs[(first + j) % count][0], d = pairs[(first + j) % count][1];
        const uint64_t want =
            d == 0 ? 0
            : is_unsigned
                ? uint64_t{n} / d
                : static_cast<uint64_t>(int64_t{static_cast<int32_t>(n)} / static_cast<int32_t>(d));
        EXPECT_EQ(m.element(1, j, 4), want & 0xFFFFFFFF)
            << std::hex << n << " / " << d << (is_unsigned ? " unsigned" : " signed");
      }
    }
  }
}

// Byte forms with the shift bit set, which the model rejects: the immediate
// is 0.
TEST(IntegerHandlers, ShiftedByteImmediatesAreZero) {
  struct Case {
    uint32_t word;
    const char* form;
  };
  const Case cases[] = {
      {0x2524C000 | 1 << 13 | 1 << 5 | 6, "VecS8QAddVIX"},
      {0x2520C000 | 1 << 13 | 7 << 5 | 6, "VecU8AddVIX"},
  };
  for (const Case& c : cases) {
    Machine m;
    m.splat(6, 5, 1);
    ASSERT_EQ(m.run(c.word, c.form), KALT64_DECODE_OK);
    EXPECT_EQ(m.element(6, 0, 1), 5u) << c.form;
  }
}

TEST(IntegerHandlers, PredicateBytesOtherThanTheFirstAreIgnored) {
  Machine m;
  std::memset(m.s->p[2], 0xFE, qrx::kPredicateBytes);  // bit 0 clear everywhere
  const unsigned on = qrx::kWordElems - 1;
  m.s->p[2][4 * on] = 1;  // the last word element only
  m.fill<uint32_t>(1, 10);
  ASSERT_EQ(m.run(zpz(0x04800000, 1, 2, 1), "VecU32AddVVM"), KALT64_DECODE_OK);
  for (unsigned i = 0; i < qrx::kWordElems; ++i)
    EXPECT_EQ(m.get<uint32_t>(1, i), i == on ? 20u : 10u);
}

TEST(IntegerHandlers, MovePrefixMergingAndZeroing) {
  struct Case {
    uint32_t word;
    const char* form;
    uint8_t inactive;
  };
  const Case cases[] = {
      {0x04102000 | 3 << 10 | 4 << 5 | 9, "VecU8MovePrefix1VZ", 0x00},
      {0x04112000 | 3 << 10 | 4 << 5 | 9, "VecU8MovePrefix1VM", 0x77},
  };
  for (const Case& c : cases) {
    Machine m;
    m.fill<uint8_t>(9, 0x77);
    m.fill<uint8_t>(4, 0x11);
    m.s->p[3][2] = 1;
    ASSERT_EQ(m.run(c.word, c.form), KALT64_DECODE_OK);
    for (unsigned i = 0; i < kVectorBytes; ++i)
      ASSERT_EQ(m.get<uint8_t>(9, i), i == 2 ? 0x11 : c.inactive) << c.form << " byte " << i;
  }
}

TEST(IntegerHandlers, IndexReadsRegister31AsZero) {
  Machine m;
  m.s->x[3] = 0x100000005;  // W3 = 5
  ASSERT_EQ(m.run(0x04A04C00 | 3 << 16 | 31 << 5 | 8, "VecS32IndexSS"), KALT64_DECODE_OK);
  for (unsigned i = 0; i < qrx::kWordElems; ++i) EXPECT_EQ(m.get<uint32_t>(8, i), 5 * i);
  ASSERT_EQ(m.run(0x04204000 | 0x1F << 16 | 0x10 << 5 | 8, "VecS8IndexII"), KALT64_DECODE_OK);
  EXPECT_EQ(m.get<uint8_t>(8, 0), 0xF0);  // base -16
  const unsigned last = qrx::kBytesElems - 1;
  EXPECT_EQ(m.get<uint8_t>(8, last), static_cast<uint8_t>(0xF0 - last));
}

TEST(IntegerLibrary, ElementCountsStayWithinTheValueTypes) {
  VecValue a{}, b{};
  PredV all{{kAllOnes, kAllOnes, kAllOnes, kAllOnes}};
  std::memset(a.b, 3, sizeof a.b);
  std::memset(b.b, 10, sizeof b.b);
  CpuContext ctx{};
  ctx.VL = 0x3FFFFFF;  // far beyond 2048 bits: cut to the value size
  VecValue r = VecU8SubRVVM(a, all, b, &ctx);
  EXPECT_EQ(r.b[sizeof r.b - 1], 7);
  ctx.VL = 2;  // 16 bytes of elements; the rest of the result is zero
  r = VecU16QAddVVX(a, b, &ctx);
  EXPECT_EQ(r.b[15], 0x0D);
  EXPECT_EQ(r.b[16], 0);
  r = VecU64DotVVVIX(a, a, b, 7, &ctx);  // index beyond the segment wraps into it
  EXPECT_EQ(r.get<uint64_t>(1), 0x0303030303030303u + 4 * 0x0303u * 0x0A0Au);
}

#ifdef NDEBUG
TEST(IntegerRoutines, UnexpectedDescriptorCodesAreNotExecuted) {
  Machine m;
  m.fill<uint8_t>(1, 0x42);
  kalt64_z_reg no_size{1, kalt64_z_reg::NONE, kalt64_z_reg::NONE, kalt64_z_reg::NONE};
  kalt64_z_reg bytes = z_operand(1, ESIZE_B);
  EXPECT_EQ(qrx_add_zpz(m.s.get(), no_size, p_operand(0, kalt64_p_reg::MERGING), bytes),
            KALT64_DECODE_NOT_EXECUTED);
  kalt64_p_reg no_kind = p_operand(0, kalt64_p_reg::NONE);
  EXPECT_EQ(qrx_add_zpz(m.s.get(), z_destructive(1, ESIZE_B), no_kind, bytes),
            KALT64_DECODE_NOT_EXECUTED);
  EXPECT_EQ(qrx_sdiv_zpz(m.s.get(), z_destructive(1, ESIZE_H), p_operand(0, kalt64_p_reg::MERGING),
                         z_operand(1, ESIZE_H)),
            KALT64_DECODE_NOT_EXECUTED);
  EXPECT_EQ(qrx_index_zii(m.s.get(), no_size, 1, 1), KALT64_DECODE_NOT_EXECUTED);
  EXPECT_EQ(m.get<uint8_t>(1, 0), 0x42);
}
#endif

}  // namespace
