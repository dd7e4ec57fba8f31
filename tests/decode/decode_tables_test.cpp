// Invariants of the decode tables and the behaviour of the two lookups.
#include "qrx/decode/decode_tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using qrx::DecodeEntry;
using qrx::DecodeTable;

struct Flat {
  const DecodeEntry* entry;
  unsigned table;
};

std::vector<Flat> all_entries() {
  std::vector<Flat> v;
  for (unsigned t = 0; t < qrx::kNumDecodeTables; ++t) {
    const DecodeTable& tab = qrx::decode_tables()[t];
    for (unsigned e = 0; e < tab.num_entries; ++e) v.push_back({&tab.entries[e], t});
  }
  return v;
}

// The generator checks the table data (names against slices, key widths,
// unique and ascending keys, unique names, the two orders, disjoint
// encodings) and fails the build; what is left here is the generated
// tables as the C++ lookups see them.
TEST(DecodeTables, Counts) {
  unsigned total = 0;
  for (unsigned t = 0; t < qrx::kNumDecodeTables; ++t) total += qrx::decode_tables()[t].num_entries;
  EXPECT_EQ(total, 1483u);
  EXPECT_EQ(qrx::total_handlers(), 1483u);
}

TEST(DecodeTables, MasksAndFixedBits) {
  for (const Flat& f : all_entries()) {
    const DecodeTable& tab = qrx::decode_tables()[f.table];
    SCOPED_TRACE(f.entry->name);
    EXPECT_EQ(tab.mask & 0xFE000000u, 0xFE000000u) << "mask covers bits 31..25";
    EXPECT_EQ((f.entry->pattern >> 25) & 0xF, 0x2u) << "bits 28..25 are 0b0010";
    EXPECT_EQ(f.entry->pattern & ~tab.mask, 0u);
    EXPECT_EQ(qrx::decode_key(tab, f.entry->pattern), f.entry->key);
    EXPECT_GE(f.entry->key, 0);
  }
}

TEST(Classifier, KeyExamples) {
  struct Case {
    uint32_t word;
    const char* table;
    int32_t key;
    const char* handler;
  };
  const Case cases[] = {
      {0x25A520E0, "decode_map__31_21__15_10__4_0", 0x96900, "VecU32CTermEQ"},
      {0x2518E3E3, "decode_map__31_10__4_4", 0x128C70, "VecP8TrueI"},
      {0x252C9000, "decode_map__31_0", 0x252C9000, "VecPClearFFSR"},
  };
  for (const Case& c : cases) {
    unsigned t = ~0u;
    const DecodeEntry* e = qrx::find_entry(c.word, &t);
    ASSERT_NE(e, nullptr) << c.handler;
    EXPECT_STREQ(e->name, c.handler);
    EXPECT_STREQ(qrx::decode_tables()[t].name, c.table);
    EXPECT_EQ(qrx::decode_key(qrx::decode_tables()[t], c.word), c.key);
    EXPECT_EQ(is_qrx(c.word), e->handler);
  }
}

TEST(Classifier, EveryEntryFoundInItsOwnTableOnly) {
  for (const Flat& f : all_entries()) {
    const DecodeTable& own = qrx::decode_tables()[f.table];
    const uint32_t words[] = {f.entry->pattern, f.entry->pattern | ~own.mask};
    for (uint32_t w : words) {
      SCOPED_TRACE(std::string(f.entry->name) + " word " + std::to_string(w));
      unsigned tc = ~0u, td = ~0u;
      EXPECT_EQ(qrx::find_entry(w, &tc), f.entry);
      EXPECT_EQ(qrx::find_entry_dispatch_order(w, &td), f.entry);
      EXPECT_EQ(tc, f.table);
      EXPECT_EQ(td, f.table);
      EXPECT_EQ(qrx::decode_key(own, w), f.entry->key);
      EXPECT_EQ(is_qrx(w), f.entry->handler);
      for (unsigned t = 0; t < qrx::kNumDecodeTables; ++t) {
        if (t == f.table) continue;
        const DecodeTable& other = qrx::decode_tables()[t];
        EXPECT_EQ(qrx::table_find(other, qrx::decode_key(other, w)), nullptr) << other.name;
      }
    }
  }
}

TEST(Classifier, AgreesWithAMaskScanOnRandomWords) {
  std::vector<Flat> v = all_entries();
  std::mt19937 rng(1234);
  for (int i = 0; i < 20000; ++i) {
    uint32_t w = rng();
    if (i & 1) w = (w & ~0x1E000000u) | 0x04000000u;  // bits 28..25 = 0b0010
    const DecodeEntry* want = nullptr;
    for (const Flat& f : v)
      if ((w & qrx::decode_tables()[f.table].mask) == f.entry->pattern) want = f.entry;
    ASSERT_EQ(qrx::find_entry(w), want) << std::hex << w;
    ASSERT_EQ(qrx::find_entry_dispatch_order(w), want) << std::hex << w;
  }
}

TEST(Classifier, RejectsReservedAndOrdinaryWords) {
  const uint32_t words[] = {
      0x44000000,  // bits 28..25 = 0b0010, but no entry
      0xD503201F,  // NOP
      0x8B020020,  // ADD X0, X1, X2
      0xF9400020,  // LDR X0, [X1]
      0x1E222820,  // FADD S0, S1, S2
      0x4E228420,  // ADD V0.16B, V1.16B, V2.16B
      0x00000000, 0xFFFFFFFF,
  };
  for (uint32_t w : words) EXPECT_EQ(is_qrx(w), nullptr) << std::hex << w;
  std::mt19937 rng(99);
  for (int i = 0; i < 100000; ++i) {
    uint32_t w = rng();
    if (((w >> 25) & 0xF) == 0x2) continue;
    ASSERT_EQ(is_qrx(w), nullptr) << std::hex << w;
  }
}

TEST(Classifier, SetffrWordIsExactlyItself) {
  for (unsigned bit = 0; bit < 32; ++bit) {
    uint32_t w = 0x252C9000u ^ (1u << bit);
    const DecodeEntry* e = qrx::find_entry(w);
    if (e) {
      EXPECT_STRNE(e->name, "VecPClearFFSR") << bit;
    }
  }
}

TEST(DecodeTables, NameLookups) {
  const DecodeEntry* e = qrx::entry_by_name("VecU32CTermEQ");
  ASSERT_NE(e, nullptr);
  EXPECT_STREQ(qrx::handler_name(e->handler), "VecU32CTermEQ");
  EXPECT_EQ(qrx::entry_by_name("VecNoSuchThing"), nullptr);
  EXPECT_EQ(qrx::handler_name(nullptr), nullptr);
}

}  // namespace
