#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "case_gen.h"
#include "qrx/handlers/handler_support.h"

namespace qrx {
namespace harness {
namespace {

TEST(CaseGen, EveryFormGetsWordsOfItsOwnEntryThatTheModelAccepts) {
  const DecodeTable* tables = decode_tables();
  unsigned forms = 0;
  for (unsigned t = 0; t < kNumDecodeTables; ++t) {
    for (unsigned e = 0; e < tables[t].num_entries; ++e, ++forms) {
      const DecodeEntry& entry = tables[t].entries[e];
      for (unsigned c = 0; c < 4; ++c) {
        uint32_t w = make_case_word(tables[t], entry, case_seed(1, forms, c));
        ASSERT_EQ(&entry, find_entry(w)) << entry.name;
        ASSERT_FALSE(model_rejects(entry.name, w)) << entry.name;
      }
    }
  }
  EXPECT_EQ(total_handlers(), forms);
}

TEST(CaseGen, KnownModelRejectedWords) {
  struct {
    const char* form;
    uint32_t word;
    bool rejected;
  } cases[] = {
      {"VecU8AddVIX", 0x2520e000u, true},   // byte elements, shift flag set
      {"VecU8AddVIX", 0x2520c000u, false},
      {"VecU16AddVIX", 0x2560e000u, false}, // the shift is fine on halfwords
      {"VecU64AndVIX", 0x05800000u | (0x3fu << 5), true},   // imms all ones: reserved
      {"VecU64AndVIX", 0x05800000u | (0x3du << 5), true},   // two-bit elements, all ones
      {"VecU64AndVIX", 0x05800000u | (0x3cu << 5), false},
      {"VecU64CLoad1LSSZ", 0xa5e04000u | (31u << 16), true}, // Rm = 31
      {"VecU64CLoad1LSSZ", 0xa5e04000u | (3u << 16), false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.rejected, model_rejects(c.form, c.word)) << c.form << std::hex << c.word;
}

TEST(CaseGen, StatesAreReproducibleFromTheSeed) {
  std::unique_ptr<machine_state> a(new machine_state), b(new machine_state);
  make_case_state(77, 0x04210000u, a.get());
  make_case_state(77, 0x04210000u, b.get());
  EXPECT_EQ(0, std::memcmp(a.get(), b.get(), sizeof *a));
  make_case_state(78, 0x04210000u, b.get());
  EXPECT_NE(0, std::memcmp(a.get(), b.get(), sizeof *a));
}

TEST(CaseGen, NearEndBlocksRunIntoTheGuardPage) {
  // Over many seeds, contiguous blocks of every form shape end beyond the
  // region's end in some cases; an active element straddles it in some,
  // except in plain loads (the model cannot run those) and byte elements.
  struct Form {
    const char* name;
    bool straddles;
  };
  const Form forms[] = {{"VecU64CLoadNF8SIZ", true}, {"VecU64CLoadFF2LSSZ", true}, {"VecU64CStore8SIZ", true},
                        {"VecU8CStore1SIZ", false}, {"VecS64CLoad4LSSZ", false}};
  for (const Form& f : forms) {
    const DecodeEntry* e = entry_by_name(f.name);
    ASSERT_NE(nullptr, e) << f.name;
    unsigned table = 0, crossing = 0, straddling = 0;
    find_entry(e->pattern, &table);
    for (unsigned c = 0; c < 400; ++c) {
      uint64_t seed = case_seed(9, 0, c);
      uint32_t w = make_case_word(decode_tables()[table], *e, seed);
      std::unique_ptr<machine_state> s(new machine_state);
      make_case_state(seed, w, s.get());
      memory_block b;
      ASSERT_TRUE(contiguous_block(f.name, w, *s, &b)) << f.name;
      EXPECT_GE(b.addr, kRegionBase) << f.name;
      crossing += b.addr + b.count * b.msize > kRegionEnd;
      straddling += straddles_region_end(b, *s);
    }
    EXPECT_GT(crossing, 40u) << f.name;
    EXPECT_EQ(straddling > 5u, f.straddles) << f.name << " " << straddling;
  }
}

TEST(CaseGen, MemoryFormsAddressTheRegion) {
  const char* forms[] = {"VecU64CLoad1LSSZ", "VecU8CStore1SIZ", "VecU64FillSI", "VecPSpillSI", "VecU32Load4VIZ",
                         "VecU64Load8SVZ"};
  for (const char* name : forms) {
    const DecodeEntry* e = entry_by_name(name);
    ASSERT_NE(nullptr, e) << name;
    unsigned table = 0;
    find_entry(e->pattern, &table);
    for (unsigned c = 0; c < 32; ++c) {
      uint64_t seed = case_seed(5, 0, c);
      uint32_t w = make_case_word(decode_tables()[table], *e, seed);
      std::unique_ptr<machine_state> s(new machine_state);
      make_case_state(seed, w, s.get());
      unsigned rn = field(w, 9, 5);
      uint64_t base = rn == 31 ? s->sp : s->x[rn];
      if (std::strstr(name, "VIZ")) {  // vector base: every 32-bit lane is an address
        uint32_t lane;
        std::memcpy(&lane, s->z[rn] + 4 * (c % kWordElems), 4);
        base = lane;
      }
      memory_block block;
      if (contiguous_block(name, w, *s, &block)) base = block.addr;  // the block, whatever its offset
      if (std::strstr(name, "FillSI") || std::strstr(name, "SpillSI")) {
        int64_t imm9 = sfield((field(w, 21, 16) << 3) | field(w, 12, 10), 8, 0);
        base += static_cast<uint64_t>(imm9) * (name[3] == 'P' ? kPackedPredBytes : kVectorBytes);
      }
      EXPECT_GE(base, kRegionBase) << name << " seed " << seed;
      EXPECT_LT(base, kRegionEnd) << name << " seed " << seed;
    }
  }
}

}  // namespace
}  // namespace harness
}  // namespace qrx
