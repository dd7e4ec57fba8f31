// Predicate-family handlers run through their decode entries, where the
// reference sweep is weak: WHILE at the ends of both ranges and widths,
// element-size patterns, flags of an empty mask, and results that never
// leave a 1 in an element's upper bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <vector>

#include "qrx/decode/decode_tables.h"
#include "qrx/library/pred_support.h"

namespace {

constexpr uint64_t N = qrx::kFlagN, Z = qrx::kFlagZ, C = qrx::kFlagC, V = qrx::kFlagV;
constexpr uint64_t kOther = 0xFFFF00000ABCDEF0ull;  // routine-path flags keep these

// Operand field value v at bit `lo`.
constexpr uint32_t at(uint32_t v, unsigned lo) { return v << lo; }

// Runs handler `name` on the word made of its decode pattern and `fields`,
// after checking that the word decodes back to that handler.
kalt64_decode_rc run(cpu_state* s, const char* name, uint32_t fields) {
  const qrx::DecodeEntry* e = qrx::entry_by_name(name);
  if (!e) {
    ADD_FAILURE() << "no handler " << name;
    return KALT64_DECODE_NOT_EXECUTED;
  }
  uint32_t w = e->pattern | fields;
  const qrx::DecodeEntry* back = qrx::find_entry(w);
  EXPECT_TRUE(back && std::strcmp(back->name, name) == 0) << name << " fields collide with the key";
  return e->handler(s, w);
}

using Bytes = std::vector<uint8_t>;

// The last predicate bit, and one inside the second half.
constexpr unsigned kLast = qrx::kPredicateBytes - 1, kMiddle = qrx::kPredicateBytes / 2 + 5;

Bytes pred_of(const cpu_state& s, unsigned n) { return Bytes(s.p[n], s.p[n] + qrx::kPredicateBytes); }

Bytes set_bits(std::initializer_list<unsigned> js) {
  Bytes b(qrx::kPredicateBytes, 0);
  for (unsigned j : js) b[j] = 1;
  return b;
}
Bytes leading(unsigned count, unsigned esize) {
  Bytes b(qrx::kPredicateBytes, 0);
  for (unsigned i = 0; i < count; ++i) b[i * esize] = 1;
  return b;
}
void load(cpu_state* s, unsigned n, const Bytes& b) { std::memcpy(s->p[n], b.data(), b.size()); }

struct WhileRow {
  const char* name;
  unsigned esize;
  uint64_t rn, rm;
  unsigned count;
};

TEST(WhileHandlers, ExtremesOfBothWidths) {
  constexpr uint64_t kMax32 = 0x7FFFFFFF, kMin64 = 0x8000000000000000ull;
  constexpr uint64_t kMax64 = 0x7FFFFFFFFFFFFFFFull, kGarbage = 0xDEAD000000000000ull;
  const unsigned nh = qrx::kHalfElems, ns = qrx::kWordElems, nd = qrx::kDwordElems;
  const WhileRow rows[] = {
      // WHILELT
      {"VecS32While4LTSS", 4, kMax32 - 1, kMax32, 1},           // Rm one above Rn at the top
      {"VecS8While4LTSS", 1, kGarbage | (kMax32 - 1), kMax32, 1},  // upper half of X ignored
      {"VecS16While4LTSS", 2, 0xFFFFFFFE, 2, 4},               // -2 < 2
      {"VecS64While8LTSS", 8, kMin64, kMin64 + 3, 3},
      {"VecS16While8LTSS", 2, kMax64 - 1, kMax64, 1},
      {"VecS8While8LTSS", 1, 5, 5, 0},
      // WHILELE (library)
      {"VecS32While4LESS", 4, kMax32, kMax32, ns},               // wraps and stays <= max
      {"VecS8While8LESS", 1, kMin64, kMin64, 1},
      {"VecS64While4LESS", 8, kGarbage | 0xFFFFFFFF, 0, 2},      // -1, 0
      // WHILELO
      {"VecU8While4LTSS", 1, 6, 5, 0},
      {"VecU8While4LTSS", 1, 0xFFFFFFF0, 0xFFFFFFFF, 15},
      {"VecU64While8LTSS", 8, ~0ull - 2, ~0ull, 2},
      {"VecU32While8LTSS", 4, 0, 0, 0},
      // WHILELS
      {"VecU64While8LESS", 8, ~0ull, ~0ull, nd},                 // Rm all ones: all true
      {"VecU16While4LESS", 2, 0, 0xFFFFFFFF, nh},
      {"VecU8While4LESS", 1, 0x100000000ull, 3, 4},              // W reads 0
      {"VecU32While8LESS", 4, 7, 6, 0},
  };
  for (const WhileRow& r : rows) {
    cpu_state s{};
    s.x[1] = r.rn;
    s.x[2] = r.rm;
    s.nzcv = kOther | V;
    load(&s, 9, Bytes(qrx::kPredicateBytes, 1));
    ASSERT_EQ(run(&s, r.name, at(2, 16) | at(1, 5) | at(9, 0)), KALT64_DECODE_OK) << r.name;
    const unsigned n = qrx::elements_of(r.esize);
    const unsigned count = r.count < n ? r.count : n;  // a short vector holds fewer
    EXPECT_EQ(pred_of(s, 9), leading(count, r.esize)) << r.name;
    uint64_t flags = (count ? N : Z) | (count == n ? 0 : C);
    // Library-path handlers clear nzcv's upper half; routines keep it.
    uint64_t keep = std::strstr(r.name, "VecS") && std::strstr(r.name, "LESS") ? (kOther & 0xFFFFFFFF) : kOther;
    EXPECT_EQ(s.nzcv, keep | flags) << r.name;
  }
}

// What POW2 and a fixed-count pattern VLk select among n elements.
unsigned pow2_at_most(unsigned n) {
  unsigned p = 1;
  while (p * 2 <= n) p *= 2;
  return p;
}
unsigned vl_fixed(unsigned k, unsigned n) { return k <= n ? k : 0; }

TEST(PtrueHandlers, PatternsPerElementSize) {
  struct Row {
    const char* name;
    unsigned esize, pattern, count;
  } rows[] = {
      {"VecP64TrueI", 8, 0, pow2_at_most(qrx::kDwordElems)},  // POW2
      {"VecP64TrueI", 8, 29, qrx::kDwordElems / 4 * 4},
      {"VecP8TrueI", 1, 13, vl_fixed(256, qrx::kBytesElems)},   // VL256
      {"VecP16TrueI", 2, 31, qrx::kHalfElems},
      {"VecP32TrueI", 4, 7, vl_fixed(7, qrx::kWordElems)},
      {"VecP32TrueFlgI", 4, 31, qrx::kWordElems},
      {"VecP8TrueFlgI", 1, 13, vl_fixed(256, qrx::kBytesElems)},
  };
  for (const auto& r : rows) {
    cpu_state s{};
    load(&s, 15, Bytes(qrx::kPredicateBytes, 1));
    ASSERT_EQ(run(&s, r.name, at(r.pattern, 5) | at(15, 0)), KALT64_DECODE_OK);
    EXPECT_EQ(pred_of(s, 15), leading(r.count, r.esize)) << r.name << " " << r.pattern;
    if (std::strstr(r.name, "Flg")) {
      EXPECT_EQ(s.nzcv, r.count ? N : Z | C) << r.name;
    }
  }
}

TEST(PtestHandler, EmptyGoverningPredicate) {
  cpu_state s{};
  load(&s, 4, Bytes(qrx::kPredicateBytes, 1));
  s.nzcv = kOther | N | V;
  ASSERT_EQ(run(&s, "VecPTestPZ", at(3, 10) | at(4, 5)), KALT64_DECODE_OK);
  EXPECT_EQ(s.nzcv, kOther | Z | C);
  load(&s, 3, set_bits({7, kLast}));
  ASSERT_EQ(run(&s, "VecPTestPZ", at(3, 10) | at(4, 5)), KALT64_DECODE_OK);
  EXPECT_EQ(s.nzcv, kOther | N);
}

TEST(FfrHandlers, SetReadWrite) {
  cpu_state s{};
  ASSERT_EQ(run(&s, "VecPClearFFSR", 0), KALT64_DECODE_OK);
  ASSERT_EQ(run(&s, "VecPReadFFSRP", at(4, 0)), KALT64_DECODE_OK);
  EXPECT_EQ(pred_of(s, 4), Bytes(qrx::kPredicateBytes, 1));
  Bytes pattern = set_bits({0, 5, kMiddle, kLast});
  load(&s, 6, pattern);
  ASSERT_EQ(run(&s, "VecPWriteFFSRP", at(6, 5)), KALT64_DECODE_OK);
  EXPECT_EQ(Bytes(s.ffr, s.ffr + qrx::kPredicateBytes), pattern);
  load(&s, 7, set_bits({5, 6, kLast}));
  ASSERT_EQ(run(&s, "VecPActualP", at(7, 5) | at(8, 0)), KALT64_DECODE_OK);
  EXPECT_EQ(pred_of(s, 8), set_bits({5, kLast}));
  s.nzcv = kOther;
  ASSERT_EQ(run(&s, "VecPActualFlgP", at(7, 5) | at(9, 0)), KALT64_DECODE_OK);
  EXPECT_EQ(pred_of(s, 9), set_bits({5, kLast}));
  EXPECT_EQ(s.nzcv, (kOther & 0xFFFFFFFF) | N);
  // Only bit 0 of a byte is the predicate bit: stale bytes of 2 or 3 in an
  // uncleared register file are stored as 0 or 1.
  std::memset(s.p[6], 3, qrx::kPredicateBytes);
  s.p[6][1] = 2;
  ASSERT_EQ(run(&s, "VecPWriteFFSRP", at(6, 5)), KALT64_DECODE_OK);
  Bytes ones(qrx::kPredicateBytes, 1);
  ones[1] = 0;
  EXPECT_EQ(Bytes(s.ffr, s.ffr + qrx::kPredicateBytes), ones);
  ASSERT_EQ(run(&s, "VecPActualP", at(6, 5) | at(8, 0)), KALT64_DECODE_OK);
  EXPECT_EQ(pred_of(s, 8), ones);
}

// Only bit 0 of a predicate byte is the predicate bit: a register file whose
// predicate bytes carry stale upper bits gives the same results, flags and
// written bytes of 0 or 1 as the same file with the bytes cleaned to 0 or 1,
// also when the destination is one of the sources.
TEST(PredicateHandlers, OnlyBitZeroOfEachByteCounts) {
  struct Row {
    const char* name;
    uint32_t fields;
  };
  const uint32_t pppp = at(3, 16) | at(1, 10) | at(2, 5) | at(4, 0), ppp = at(1, 10) | at(2, 5) | at(4, 0);
  const uint32_t aliased = at(4, 16) | at(1, 10) | at(4, 5) | at(4, 0), pp = at(2, 5) | at(4, 0);
  std::vector<Row> rows = {
      {"VecPOrNPPZ", pppp}, {"VecPXorFlgPPZ", pppp}, {"VecPBreakPrevAFlgPZ", pppp},
      {"VecPBreakPrevBFlgPZ", pppp}, {"VecPBreakPrevBPZ", aliased}, {"VecPBreakAFlgPZ", ppp},
      {"VecPBreakNextFlgPZ", ppp}, {"VecPSetFirstActiveP", pp}, {"VecP16GenNextP", pp},
      {"VecP8GenNextP", at(4, 5) | at(4, 0)}, {"VecPTestPZ", at(1, 10) | at(2, 5)}, {"VecU32SCountP", ppp},
      {"VecPActualP", pp}, {"VecPActualFlgP", pp}, {"VecPReadFFSRP", at(4, 0)}, {"VecPWriteFFSRP", at(2, 5)},
  };
  for (const char* logic : {"VecPAndPPZ", "VecPBicPPZ", "VecPOrPPZ", "VecPNorPPZ", "VecPXorPPZ"}) {
    rows.push_back({logic, pppp});
    rows.push_back({logic, aliased});
  }
  for (const char* brk : {"VecPBreakAPM", "VecPBreakAPZ", "VecPBreakBPM", "VecPBreakBPZ"}) {
    rows.push_back({brk, ppp});
    rows.push_back({brk, at(4, 10) | at(2, 5) | at(4, 0)});
  }
  uint64_t seed = 0x9E3779B97F4A7C15ull;
  for (const Row& r : rows) {
    for (unsigned round = 0; round < 16; ++round) {
      cpu_state stale{}, clean{};
      uint8_t* regs[] = {stale.p[1], stale.p[2], stale.p[3], stale.p[4], stale.ffr};
      for (uint8_t* p : regs)
        for (unsigned j = 0; j < qrx::kPredicateBytes; ++j) {
          seed = seed * 6364136223846793005ull + 1442695040888963407ull;
          // Mostly-true sources in some rounds, so that breaks and tests find late bits.
          p[j] = static_cast<uint8_t>(seed >> 56) | (round % 4 == 0 ? 1 : 0);
        }
      clean = stale;
      for (auto& p : clean.p)
        for (uint8_t& b : p) b &= 1;
      for (uint8_t& b : clean.ffr) b &= 1;
      ASSERT_EQ(run(&stale, r.name, r.fields), KALT64_DECODE_OK) << r.name;
      ASSERT_EQ(run(&clean, r.name, r.fields), KALT64_DECODE_OK) << r.name;
      EXPECT_EQ(stale.nzcv, clean.nzcv) << r.name;
      EXPECT_EQ(stale.x[4], clean.x[4]) << r.name;
      for (unsigned reg = 1; reg <= 4; ++reg)
        for (unsigned j = 0; j < qrx::kPredicateBytes; ++j)
          ASSERT_EQ(stale.p[reg][j] & 1, clean.p[reg][j]) << r.name << " P" << reg << " byte " << j;
      // P4 is every predicate destination; CNTP writes X4.
      bool writes_p4 = (r.fields & 0xF) == 4 && !std::strstr(r.name, "SCountP");
      for (unsigned j = 0; j < qrx::kPredicateBytes; ++j) {
        if (writes_p4) {
          ASSERT_LE(stale.p[4][j], 1u) << r.name << " byte " << j;
        }
        ASSERT_EQ(stale.ffr[j] & 1, clean.ffr[j]) << r.name << " FFR byte " << j;
      }
    }
  }
}


// A destination that is also a source: the result and the flags of every
// form that writes Pd and sets flags are those of the same operands with a
// separate destination, whichever source Pd names.
TEST(PredicateHandlers, DestinationMayBeAnySource) {
  const uint32_t apart = at(3, 16) | at(1, 10) | at(2, 5) | at(5, 0);
  const struct {
    uint32_t fields;
    unsigned source;
  } aliases[] = {{at(3, 16) | at(5, 10) | at(2, 5) | at(5, 0), 1},
                 {at(3, 16) | at(1, 10) | at(5, 5) | at(5, 0), 2},
                 {at(5, 16) | at(1, 10) | at(2, 5) | at(5, 0), 3}};
  uint64_t seed = 0x2545F4914F6CDD1Dull;
  for (const char* name : {"VecPAndFlgPPZ", "VecPBicFlgPPZ", "VecPOrNFlgPPZ", "VecPNorFlgPPZ",
                           "VecPXorPPZ", "VecPBreakPrevAFlgPZ", "VecPBreakPrevBFlgPZ"}) {
    for (const auto& alias : aliases) {
      for (unsigned round = 0; round < 8; ++round) {
        cpu_state want{};
        for (unsigned reg = 1; reg <= 3; ++reg)
          for (unsigned j = 0; j < qrx::kPredicateBytes; ++j) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            // Empty, sparse, dense and all-true governing predicates.
            unsigned r = static_cast<unsigned>(seed >> 59);
            want.p[reg][j] = reg == 1 ? r < (round % 4) * 11 : r & 1;
          }
        cpu_state got = want;
        std::memcpy(got.p[5], got.p[alias.source], qrx::kPredicateBytes);
        ASSERT_EQ(run(&want, name, apart), KALT64_DECODE_OK) << name;
        ASSERT_EQ(run(&got, name, alias.fields), KALT64_DECODE_OK) << name;
        EXPECT_EQ(pred_of(got, 5), pred_of(want, 5)) << name << " Pd = source " << alias.source;
        EXPECT_EQ(got.nzcv, want.nzcv) << name << " Pd = source " << alias.source;
      }
    }
  }
}

}  // namespace
