// Predicate packing and the library-path context conventions.
#include "qrx/handlers/handler_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "qrx/decode/decode_tables.h"

namespace {

using qrx::kPredicateBits;

TEST(PredicatePacking, RoundTripAndUpperBitsClear) {
  std::mt19937 rng(7);
  for (int iter = 0; iter < 200; ++iter) {
    uint8_t unpacked[kPredicateBits];
    for (auto& b : unpacked) b = rng() & 1;
    PredV p = qrx::pack_predicate(unpacked);
    for (unsigned j = 0; j < kPredicateBits; ++j) ASSERT_EQ(p.bit(j), unpacked[j] == 1) << j;
    for (unsigned j = kPredicateBits; j < 256; ++j) ASSERT_FALSE(p.bit(j)) << j;
    uint8_t back[kPredicateBits];
    qrx::unpack_predicate(p, back);
    ASSERT_EQ(std::memcmp(back, unpacked, kPredicateBits), 0);
  }
}

TEST(PredicatePacking, OnlyBitZeroOfEachByteCounts) {
  uint8_t unpacked[kPredicateBits] = {};
  const struct {
    unsigned j;
    uint8_t v;
    bool bit;
  } cases[] = {
      {0, 1, true},
      {1, 2, false},
      {2, 3, true},
      {3, 0xFE, false},
      {4, 0xFF, true},
      {kPredicateBits - 1, 0x81, true},
      {kPredicateBits - 2, 0x80, false},
  };
  for (const auto& c : cases) unpacked[c.j] = c.v;
  PredV p = qrx::pack_predicate(unpacked);
  for (const auto& c : cases) EXPECT_EQ(p.bit(c.j), c.bit) << c.j;
  uint8_t back[kPredicateBits];
  qrx::unpack_predicate(p, back);
  for (const auto& c : cases) EXPECT_EQ(back[c.j], c.bit ? 1 : 0) << "writers store 0 or 1";
}

TEST(PredicatePacking, ElementActivity) {
  uint8_t unpacked[kPredicateBits] = {};
  const unsigned d = qrx::kDwordElems - 2;  // the last two doubleword elements
  unpacked[8 * d] = 1;
  unpacked[8 * (d + 1) + 1] = 1;
  PredV p = qrx::pack_predicate(unpacked);
  EXPECT_TRUE(p.active(d, 8));
  EXPECT_FALSE(p.active(d + 1, 8));
  EXPECT_TRUE(p.active(4 * d, 2));
}

std::unique_ptr<cpu_state> random_state(unsigned seed) {
  auto s = std::make_unique<cpu_state>();
  std::mt19937_64 rng(seed);
  uint8_t* raw = reinterpret_cast<uint8_t*>(s.get());
  for (size_t i = 0; i < sizeof(cpu_state); ++i) raw[i] = static_cast<uint8_t>(rng());
  for (auto& pr : s->p)
    for (auto& b : pr) b &= 1;
  for (auto& b : s->ffr) b &= 1;
  return s;
}

TEST(LibraryPath, ContextBuildAndWriteBack) {
  auto s = random_state(3);
  s->nzcv = 0xDEADBEEF12345678ULL;
  s->fpcr = 0x00400000;
  s->fpcr_extra = 0x01000000;
  auto before = std::make_unique<cpu_state>(*s);
  CpuContext seen{};
  EXPECT_EQ(qrx::library_path(s.get(), [&](CpuContext* ctx) { seen = *ctx; }), KALT64_DECODE_OK);
  EXPECT_EQ(seen.NZCV, 0x12345678u);
  EXPECT_EQ(seen.FPSR, before->fpsr);
  EXPECT_EQ(seen.FPCR, 0x01400000u);
  EXPECT_EQ(seen.VL & qrx::kVLMask, qrx::kContextVL);
  for (unsigned j = 0; j < kPredicateBits; ++j) ASSERT_EQ(seen.FFR.bit(j), before->ffr[j] == 1);
  // Written back: nzcv upper half cleared, fpcr_extra folded in, the rest kept.
  EXPECT_EQ(s->nzcv, 0x12345678u);
  EXPECT_EQ(s->fpcr, 0x01400000u);
  EXPECT_EQ(s->fpsr, before->fpsr);
  EXPECT_EQ(std::memcmp(s->ffr, before->ffr, sizeof s->ffr), 0);
  EXPECT_EQ(s->encoding, before->encoding) << "the library path leaves encoding alone";
  EXPECT_EQ(std::memcmp(s->z, before->z, sizeof s->z), 0);
  EXPECT_EQ(std::memcmp(s->p, before->p, sizeof s->p), 0);
}

// Library-path rows that skip the context still have its effects: NZCV's
// upper half cleared, fpcr_extra folded into fpcr and, except in the
// predicate logic (whose FFR bytes are 0 or 1 by construction), FFR's bytes
// made 0 or 1.
TEST(LibraryPath, RowsWithoutAContextKeepItsEffects) {
  struct Row {
    const char* name;
    bool normalises_ffr;
  };
  for (const Row& row : {Row{"VecPNandPPZ", false}, Row{"VecPAndFlgPPZ", false}, Row{"VecP8TrueFlgI", true},
                         Row{"VecPSetFirstActiveP", true}, Row{"VecPBreakAFlgPZ", true},
                         Row{"VecPBreakPrevAPZ", true}, Row{"VecS32While4LESS", true},
                         Row{"VecU64CTermEQ", true}}) {
    const qrx::DecodeEntry* e = qrx::entry_by_name(row.name);
    ASSERT_NE(e, nullptr) << row.name;
    auto s = random_state(6);
    s->nzcv = 0xDEADBEEF00000000ULL;
    s->fpcr = 0x00400000;
    s->fpcr_extra = 0x01000000;
    for (auto& b : s->ffr) b = 0x03;
    ASSERT_EQ(e->handler(s.get(), e->pattern), KALT64_DECODE_OK) << row.name;
    EXPECT_EQ(s->nzcv >> 32, 0u) << row.name;
    EXPECT_EQ(s->fpcr, 0x01400000u) << row.name;
    for (unsigned j = 0; j < qrx::kPredicateBytes; ++j)
      ASSERT_EQ(s->ffr[j], row.normalises_ffr ? 1 : 3) << row.name << " byte " << j;
  }
}

TEST(LibraryPath, ContextChangesReachTheRegisterFile) {
  auto s = random_state(4);
  qrx::library_path(s.get(), [](CpuContext* ctx) {
    ctx->NZCV = 0x60000000;
    ctx->FPSR |= 0x1F;
    ctx->FFR = PredV{};
    ctx->FFR.set_bit(kPredicateBits - 1, true);
  });
  EXPECT_EQ(s->nzcv, 0x60000000u);
  EXPECT_EQ(s->fpsr & 0x1F, 0x1Fu);
  for (unsigned j = 0; j < kPredicateBits; ++j)
    EXPECT_EQ(s->ffr[j], j == kPredicateBits - 1 ? 1 : 0);
}

TEST(LibraryPath, OperandMarshalling) {
  auto s = random_state(5);
  VecValue v = qrx::read_vec(s.get(), 7);
  EXPECT_EQ(std::memcmp(v.b, s->z[7], qrx::kVectorBytes), 0);
  for (unsigned i = qrx::kVectorBytes; i < sizeof v.b; ++i) ASSERT_EQ(v.b[i], 0);
  v.set<uint64_t>(qrx::kDwordElems - 1, 0x0123456789ABCDEFULL);
  qrx::write_vec(s.get(), 31, v);
  uint64_t last;
  std::memcpy(&last, &s->z[31][qrx::kVectorBytes - 8], 8);
  EXPECT_EQ(last, 0x0123456789ABCDEFULL);
  EXPECT_EQ(qrx::read_xzr(s.get(), 31), 0u);
  EXPECT_EQ(qrx::read_xsp(s.get(), 31), s->sp);
}

}  // namespace

namespace {

TEST(LibraryContext, ElementCountsFollowVLAndStayInsideTheValues) {
  const struct {
    uint32_t vl;
    unsigned esize;
    unsigned want;
  } cases[] = {
      {qrx::kContextVL, 1, qrx::kBytesElems},
      {qrx::kContextVL, 2, qrx::kHalfElems},
      {qrx::kContextVL, 4, qrx::kWordElems},
      {qrx::kContextVL, 8, qrx::kDwordElems},
      {0xFC000000u | qrx::kContextVL, 8, qrx::kDwordElems},  // only the low 26 bits count
      {0x3FFFFFF, 1, qrx::kMaxVectorBytes},                  // cut to what VecValue holds
      {0x3FFFFFF, 8, qrx::kMaxVectorBytes / 8},
      {0, 4, 0},
  };
  for (const auto& c : cases) {
    CpuContext ctx{};
    ctx.VL = c.vl;
    EXPECT_EQ(qrx::ctx_elements(&ctx, c.esize), c.want) << std::hex << c.vl << " " << c.esize;
  }
}

}  // namespace
