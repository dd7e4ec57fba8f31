// Invariants of the decode tables and the behaviour of the two lookups.
#include "qrx/decode/decode_tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
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

// The table list: names and entry counts in classifier order.
struct TableRow {
  const char* name;
  unsigned width;
  unsigned entries;
};
const TableRow kExpectedTables[] = {
    {"decode_map__31_0", 32, 1},                 {"decode_map__31_9__4_0", 28, 1},
    {"decode_map__31_4", 28, 2},                 {"decode_map__31_9__4_4", 24, 13},
    {"decode_map__31_14__9_9__4_0", 24, 1},      {"decode_map__31_10__4_4", 23, 8},
    {"decode_map__31_9", 23, 58},                {"decode_map__31_13__9_6", 23, 24},
    {"decode_map__31_21__15_10__4_0", 22, 4},    {"decode_map__31_10", 22, 38},
    {"decode_map__31_13__9_8", 21, 4},           {"decode_map__31_11", 21, 1},
    {"decode_map__31_14__9_9__4_4", 20, 8},      {"decode_map__31_13__9_9", 20, 4},
    {"decode_map__31_20__15_9__4_4", 20, 24},    {"decode_map__31_13__4_4", 20, 18},
    {"decode_map__31_24__21_10", 20, 1},         {"decode_map__31_24__21_21__19_10", 19, 1},
    {"decode_map__31_19__15_10", 19, 6},         {"decode_map__31_13", 19, 403},
    {"decode_map__31_14__9_9", 19, 4},           {"decode_map__31_20__15_10", 18, 65},
    {"decode_map__31_14", 18, 32},               {"decode_map__31_23__21_13", 18, 4},
    {"decode_map__31_21__15_10__4_4", 18, 32},   {"decode_map__31_24__21_21__18_10", 18, 1},
    {"decode_map__31_17__15_13", 18, 3},         {"decode_map__31_24__21_21__17_10", 17, 1},
    {"decode_map__31_21__15_10", 17, 135},       {"decode_map__31_23__21_21__15_10", 16, 6},
    {"decode_map__31_21__15_11", 16, 2},         {"decode_map__31_24__21_21__16_10", 16, 1},
    {"decode_map__31_20__15_14__9_9__4_4", 16, 19}, {"decode_map__31_21__15_13__4_4", 15, 131},
    {"decode_map__31_21__15_12", 15, 2},         {"decode_map__31_20__15_13", 15, 81},
    {"decode_map__31_21__15_13", 14, 285},       {"decode_map__31_20__15_14", 14, 8},
    {"decode_map__31_18", 14, 4},                {"decode_map__31_22__15_13__4_4", 14, 6},
    {"decode_map__31_22__15_13", 13, 18},        {"decode_map__31_21__15_14", 13, 4},
    {"decode_map__31_21__13_13__4_4", 13, 16},   {"decode_map__31_21__15_15", 12, 3},
};

TEST(DecodeTables, TableListAndEntryCounts) {
  ASSERT_EQ(sizeof kExpectedTables / sizeof kExpectedTables[0], size_t{qrx::kNumDecodeTables});
  unsigned total = 0;
  for (unsigned t = 0; t < qrx::kNumDecodeTables; ++t) {
    const DecodeTable& tab = qrx::decode_tables()[t];
    SCOPED_TRACE(tab.name);
    EXPECT_STREQ(tab.name, kExpectedTables[t].name);
    EXPECT_EQ(tab.key_width, kExpectedTables[t].width);
    EXPECT_EQ(tab.num_entries, kExpectedTables[t].entries);
    EXPECT_EQ(tab.classifier_pos, t + 1);
    // The table's name spells its slices.
    std::string name = "decode_map";
    unsigned width = 0;
    for (unsigned s = 0; s < tab.num_slices; ++s) {
      name += "__" + std::to_string(tab.slices[s].hi) + "_" + std::to_string(tab.slices[s].lo);
      width += tab.slices[s].hi - tab.slices[s].lo + 1;
    }
    EXPECT_EQ(name, tab.name);
    EXPECT_EQ(width, tab.key_width);
    total += tab.num_entries;
  }
  EXPECT_EQ(total, 1483u);
  EXPECT_EQ(qrx::total_handlers(), 1483u);
}

TEST(DecodeTables, DispatcherOrderIsAPermutation) {
  std::set<unsigned> seen;
  for (unsigned i = 0; i < qrx::kNumDecodeTables; ++i) {
    unsigned t = qrx::dispatcher_table(i);
    ASSERT_LT(t, qrx::kNumDecodeTables);
    EXPECT_EQ(qrx::decode_tables()[t].dispatcher_pos, i + 1);
    seen.insert(t);
  }
  EXPECT_EQ(seen.size(), size_t{qrx::kNumDecodeTables});
}

TEST(DecodeTables, NamesUniqueKeysUniqueAndAscending) {
  std::set<std::string> names;
  for (const Flat& f : all_entries()) EXPECT_TRUE(names.insert(f.entry->name).second) << f.entry->name;
  EXPECT_EQ(names.size(), 1483u);
  for (unsigned t = 0; t < qrx::kNumDecodeTables; ++t) {
    const DecodeTable& tab = qrx::decode_tables()[t];
    for (unsigned e = 1; e < tab.num_entries; ++e)
      EXPECT_LT(tab.entries[e - 1].key, tab.entries[e].key) << tab.name;
  }
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

TEST(DecodeTables, PatternsArePairwiseDisjoint) {
  std::vector<Flat> v = all_entries();
  unsigned overlaps = 0;
  for (size_t i = 0; i < v.size(); ++i) {
    uint32_t mi = qrx::decode_tables()[v[i].table].mask;
    for (size_t j = i + 1; j < v.size(); ++j) {
      uint32_t mj = qrx::decode_tables()[v[j].table].mask;
      // Two patterns share a word unless they differ in a bit both fix.
      if (((v[i].entry->pattern ^ v[j].entry->pattern) & mi & mj) == 0) {
        ++overlaps;
        ADD_FAILURE() << v[i].entry->name << " overlaps " << v[j].entry->name;
      }
    }
  }
  EXPECT_EQ(overlaps, 0u);
}

TEST(Classifier, KeyExamples) {
  struct Case { uint32_t word; const char* table; int32_t key; const char* handler; };
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
      0x00000000,  0xFFFFFFFF,
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
