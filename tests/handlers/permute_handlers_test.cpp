// Permute handlers on encoded words, aimed at what the reference sweep
// rarely reaches: all-false and last-only predicates of the extractions,
// out-of-range table and EXT positions, the SIMD&FP scalar results that clear
// their register, the 128-bit DUP, predicate SEL governed by P8..P15, and a
// destination equal to its sources (once per kind of operation).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "qrx/decode/decode_tables.h"
#include "qrx/state/cpu_state.h"
#include "tests/handlers/handler_machine.h"

namespace {

using qrx::kPredicateBytes;
using qrx::kVectorBytes;
constexpr unsigned kLast = kVectorBytes - 1;  // the last byte element

// Bytes first.. of a ramp(z, 0) register, as a little-endian word.
uint32_t ramp_word(unsigned first) {
  uint32_t v = 0;
  for (unsigned j = 0; j < 4; ++j) v |= static_cast<uint32_t>((first + j) & 0xFF) << (8 * j);
  return v;
}

// The handler machine with byte ramps and predicates by element index.
struct Regs : qrx_test::Machine {
  // Byte i of Zz = seed + i (mod 256).
  void ramp(unsigned z, unsigned seed) {
    for (unsigned i = 0; i < kVectorBytes; ++i) s->z[z][i] = static_cast<uint8_t>(seed + i);
  }
  // Elements of `esize` bytes active exactly at the given indexes.
  void active(unsigned p, unsigned esize, std::initializer_list<unsigned> elems) {
    std::memset(s->p[p], 0, kPredicateBytes);
    for (unsigned i : elems) s->p[p][i * esize] = 1;
  }
  bool zero_from(unsigned z, unsigned from) const {
    for (unsigned i = from; i < kVectorBytes; ++i)
      if (s->z[z][i] != 0) return false;
    return true;
  }
};

// ----- Broadcast -----

TEST(PermuteBroadcast, DupScalarRegister31IsTheStackPointer) {
  Regs m;
  m.s->sp = 0x1122334455667788;
  ASSERT_EQ(m.run(0x05203be1, "VecU8DupS"), KALT64_DECODE_OK);  // dup z1.b, wsp
  for (unsigned i = 0; i < kVectorBytes; ++i) ASSERT_EQ(m.s->z[1][i], 0x88) << i;
}

TEST(PermuteBroadcast, ShiftedByteImmediateIsNotExecuted) {
  Regs m;
  m.ramp(1, 7);
  uint8_t before[kVectorBytes];
  std::memcpy(before, m.s->z[1], kVectorBytes);
  EXPECT_EQ(m.run(0x2538ffa1, "VecS8DupI"), KALT64_DECODE_NOT_EXECUTED);  // dup z1.b, #-3, lsl #8
  EXPECT_EQ(m.run(0x05107fe1, "VecS8DupIM"), KALT64_DECODE_NOT_EXECUTED);  // cpy z1.b, p0/m, #-1, lsl #8
  EXPECT_EQ(std::memcmp(before, m.s->z[1], kVectorBytes), 0);
  ASSERT_EQ(m.run(0x2578ffa1, "VecS16DupI"), KALT64_DECODE_OK);  // dup z1.h, #-3, lsl #8
  EXPECT_EQ(m.element(1, kVectorBytes / 2 - 1, 2), 0xFD00u);
}

TEST(PermuteBroadcast, IndexedQuadAndLastEncodableByteIndex) {
  Regs m;
  m.ramp(2, 0);
  ASSERT_EQ(m.run(0x05f02041, "VecU128ExtDupVI"), KALT64_DECODE_OK);  // dup z1.q, z2.q[3]
  uint8_t quad[16] = {};  // zero when the vector has no fourth quadword
  if (kVectorBytes > 48) std::memcpy(quad, m.s->z[2] + 48, 16);
  for (unsigned seg = 0; seg < kVectorBytes / 16; ++seg) EXPECT_EQ(std::memcmp(m.s->z[1] + 16 * seg, quad, 16), 0) << seg;
  ASSERT_EQ(m.run(0x05ff2041, "VecU8ExtDupVI"), KALT64_DECODE_OK);  // dup z1.b, z2.b[63]
  EXPECT_EQ(m.element(1, kLast, 1), kVectorBytes > 63 ? 63u : 0u);
  // Destination = source: dup z2.d, z2.d[1].
  uint64_t want = m.element(2, 1, 8);
  ASSERT_EQ(m.run(0x05382042, "VecU64ExtDupVI"), KALT64_DECODE_OK);
  for (unsigned i = 0; i < kVectorBytes / 8; ++i) ASSERT_EQ(m.element(2, i, 8), want) << i;
}

// ----- Extract -----

TEST(PermuteExtract, LastAndConditionalLastEdges) {
  struct Case {
    uint32_t word;
    const char* form;
    std::initializer_list<unsigned> on;
    uint64_t want;  // W3 afterwards (old W3 = 0xABCD1234)
  };
  const Case cases[] = {
      {0x0521a443, "VecU8LastBV", {}, kLast & 0xFF},  // lastb: all false, last element
      {0x0520a443, "VecU8LastAV", {}, 0},         // lasta: all false, element 0
      {0x0520a443, "VecU8LastAV", {kLast}, 0},    // lasta: only the last active wraps
      {0x0520a443, "VecU8LastAV", {5, 9}, 10},
      {0x0531a443, "VecU8CondXBSV", {}, 0x34},    // clastb: old low byte, zero-extended
      {0x0531a443, "VecU8CondXBSV", {5, 9}, 9},
  };
  for (const Case& c : cases) {
    Regs m;
    m.ramp(2, 0);
    m.s->x[3] = 0xFFFFFFFFABCD1234;
    m.active(1, 1, c.on);
    ASSERT_EQ(m.run(c.word, c.form), KALT64_DECODE_OK);
    EXPECT_EQ(m.s->x[3], c.want) << c.form;
  }
}

TEST(PermuteExtract, ScalarResultsClearTheRestOfTheRegister) {
  for (uint32_t word : {0x052b8440u, 0x052a8440u}) {  // clastb / clasta b0, p1, b0, z2.b
    for (bool any : {false, true}) {
      Regs m;
      m.ramp(0, 0x40);
      m.ramp(2, 0);
      m.active(1, 1, any ? std::initializer_list<unsigned>{7} : std::initializer_list<unsigned>{});
      ASSERT_EQ(m.run(word, word == 0x052b8440u ? "VecB8CondXBSV" : "VecB8CondXASV"), KALT64_DECODE_OK);
      uint64_t want = !any ? 0x40 : word == 0x052b8440u ? 7 : 8;
      EXPECT_EQ(m.element(0, 0, 1), want);
      EXPECT_TRUE(m.zero_from(0, 1));
    }
  }
}

TEST(PermuteExtract, ExtPositionPastTheVectorKeepsZdn) {
  Regs m;
  for (unsigned imm : {255u, 143u, kLast}) {  // ext z1.b, z1.b, z2.b, #imm
    SCOPED_TRACE(imm);
    m.ramp(1, 0);
    m.ramp(2, 0x80);
    ASSERT_EQ(m.run(0x05200041 | (imm >> 3) << 16 | (imm & 7) << 10, "VecU8SlideVI"), KALT64_DECODE_OK);
    if (imm >= kVectorBytes) {  // past the vector: Zdn kept
      for (unsigned i = 0; i < kVectorBytes; ++i) ASSERT_EQ(m.s->z[1][i], i) << i;
      continue;
    }
    EXPECT_EQ(m.s->z[1][0], imm);
    EXPECT_EQ(m.s->z[1][kVectorBytes - imm], 0x80);
  }
}

TEST(PermuteExtract, SpliceAllFalseAndAliased) {
  Regs m;
  m.ramp(1, 0);
  m.ramp(2, 0x80);
  m.active(1, 1, {});
  ASSERT_EQ(m.run(0x052c8441, "VecU8SpliceVV"), KALT64_DECODE_OK);  // splice z1.b, p1, z1.b, z2.b
  EXPECT_EQ(std::memcmp(m.s->z[1], m.s->z[2], kVectorBytes), 0);
  // splice z1.s, p1, z1.s, z1.s with the last two elements active.
  const unsigned last_s = kVectorBytes / 4 - 1;
  m.ramp(1, 0);
  m.active(1, 4, {last_s - 1, last_s});
  ASSERT_EQ(m.run(0x05ac8421, "VecU32SpliceVV"), KALT64_DECODE_OK);
  EXPECT_EQ(m.element(1, 0, 4), ramp_word(4 * (last_s - 1)));  // old element last_s - 1
  EXPECT_EQ(m.element(1, 2, 4), 0x03020100u);                   // old element 0
}

// ----- Interleave, select, table -----

TEST(PermuteInterleave, PredicateSelectGovernedByP9) {
  Regs m;
  m.active(1, 1, {});  // the 3-bit field would read P1
  m.active(2, 1, {3});
  m.all_true(3, 1);
  m.active(9, 1, {3, 4});
  ASSERT_EQ(m.run(0x25036651, "VecPSelPP"), KALT64_DECODE_OK);  // sel p1.b, p9, p2.b, p3.b
  EXPECT_EQ(m.s->p[1][3], 1);
  EXPECT_EQ(m.s->p[1][4], 0);
  EXPECT_EQ(m.s->p[1][5], 1);
}

TEST(PermuteInterleave, TableIndexesPastTheVectorGiveZero) {
  Regs m;
  m.ramp(2, 0x10);
  std::memset(m.s->z[3], 255, kVectorBytes);
  m.s->z[3][0] = static_cast<uint8_t>(kLast);
  m.s->z[3][1] = static_cast<uint8_t>(kVectorBytes);  // past the vector, unless it is 256 bytes
  ASSERT_EQ(m.run(0x05233041, "VecU8TblVV"), KALT64_DECODE_OK);  // tbl z1.b, {z2.b}, z3.b
  EXPECT_EQ(m.s->z[1][0], static_cast<uint8_t>(0x10 + kLast));
  if (kVectorBytes < 256) {
    EXPECT_EQ(m.s->z[1][1], 0);
    EXPECT_EQ(m.s->z[1][2], 0);  // index 255
  }
}

TEST(PermuteInterleave, ZipOfARegisterWithItself) {
  Regs m;
  m.ramp(1, 0);
  ASSERT_EQ(m.run(0x05616021, "VecU16Zip1VV"), KALT64_DECODE_OK);  // zip1 z1.h, z1.h, z1.h
  for (unsigned k = 0; k < kVectorBytes / 4; ++k) {
    ASSERT_EQ(m.element(1, 2 * k, 2), (2 * k) | (2 * k + 1) << 8) << k;
    ASSERT_EQ(m.element(1, 2 * k + 1, 2), (2 * k) | (2 * k + 1) << 8) << k;
  }
}

// Pd = Pm: the second source is read before the destination is written
// (the routine path's UZP1 and the library path's UZP2).
TEST(PermuteInterleave, PredicateUnzipIntoItsSecondSource) {
  for (auto c : {std::make_pair(0x05e14801u, "VecP64Uzp1PP"), std::make_pair(0x05e14c01u, "VecP64Uzp2PP"),
                 std::make_pair(0x05a14801u, "VecP32Uzp1PP")}) {
    Regs m;
    unsigned esize = c.first == 0x05a14801u ? 4 : 8;
    m.all_true(1, esize);  // uzp p1, p0, p1 with P0 all false
    std::memset(m.s->p[0], 0, kPredicateBytes);
    ASSERT_EQ(m.run(c.first, c.second), KALT64_DECODE_OK);
    for (unsigned j = 0; j < kPredicateBytes; ++j)
      ASSERT_EQ(m.s->p[1][j], j >= kPredicateBytes / 2 && j % esize == 0 ? 1 : 0) << c.second << " byte " << j;
  }
}

// ----- Reverse -----

TEST(PermuteReverse, PredicateAndAliasedByteReverse) {
  Regs m;
  m.active(2, 2, {0, 1});
  ASSERT_EQ(m.run(0x05744041, "VecP16ReverseP"), KALT64_DECODE_OK);  // rev p1.h, p2.h
  EXPECT_EQ(m.s->p[1][kPredicateBytes - 2], 1);
  EXPECT_EQ(m.s->p[1][kPredicateBytes - 4], 1);
  EXPECT_EQ(m.s->p[1][0], 0);
  m.ramp(1, 0);
  m.active(1, 8, {0});
  ASSERT_EQ(m.run(0x05e48421, "VecU64Rev1V"), KALT64_DECODE_OK);  // revb z1.d, p1/m, z1.d
  EXPECT_EQ(m.element(1, 0, 8), 0x0001020304050607u);
  EXPECT_EQ(m.element(1, 1, 8), 0x0F0E0D0C0B0A0908u);
}

// ----- Unpack and insert -----

TEST(PermuteUnpack, PredicateHighHalfAndAliasedSignedUnpack) {
  Regs m;
  m.all_true(2, 1);
  ASSERT_EQ(m.run(0x05314041, "VecPUnpackHiP"), KALT64_DECODE_OK);  // punpkhi p1.h, p2.b
  for (unsigned j = 0; j < kPredicateBytes; ++j) ASSERT_EQ(m.s->p[1][j], j % 2 == 0 ? 1 : 0) << j;
  m.ramp(1, 0x80);  // the first S element of the high half: bytes from the middle on
  ASSERT_EQ(m.run(0x05f13821, "VecS64UnpackHiV"), KALT64_DECODE_OK);  // sunpkhi z1.d, z1.s
  const uint32_t hi = ramp_word(0x80 + kVectorBytes / 2);
  EXPECT_EQ(m.element(1, 0, 8), static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(hi))));
}

TEST(PermuteUnpack, InsertZeroRegisterAndAliasedScalar) {
  Regs m;
  m.ramp(1, 1);
  ASSERT_EQ(m.run(0x05a43be1, "VecU32InsertS"), KALT64_DECODE_OK);  // insr z1.s, wzr
  EXPECT_EQ(m.element(1, 0, 4), 0u);
  EXPECT_EQ(m.element(1, 1, 4), 0x04030201u);
  ASSERT_EQ(m.run(0x05f43821, "VecD64InsertS"), KALT64_DECODE_OK);  // insr z1.d, d1
  EXPECT_EQ(m.element(1, 0, 8), 0x0403020100000000u);
  EXPECT_EQ(m.element(1, 1, 8), 0x0403020100000000u);
}

}  // namespace
