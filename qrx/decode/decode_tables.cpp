// The decode tables, the classifier and the table lookups.
#include "qrx/decode/decode_tables.h"

#include <algorithm>
#include <cstring>

#include "qrx/decode/handler_decls.h"

namespace qrx {
namespace {

#include "qrx/decode/generated_tables.inc"

// For each value of bits 31..25 (covered by every table's mask), the tables
// that hold an entry with that value, in classifier and dispatcher order.
struct TopBitsIndex {
  unsigned char classifier[128][kNumDecodeTables];
  unsigned char classifier_count[128];
  unsigned char dispatcher[128][kNumDecodeTables];
  unsigned char dispatcher_count[128];
};

TopBitsIndex make_index() {
  // Which values of bits 31..25 each table's entries hold.
  bool holds[kNumDecodeTables][128] = {};
  for (unsigned t = 0; t < kNumDecodeTables; ++t)
    for (unsigned e = 0; e < kDecodeTables[t].num_entries; ++e)
      holds[t][kDecodeTables[t].entries[e].pattern >> 25] = true;
  TopBitsIndex idx{};
  for (unsigned top = 0; top < 128; ++top) {
    for (unsigned i = 0; i < kNumDecodeTables; ++i) {
      if (holds[i][top])
        idx.classifier[top][idx.classifier_count[top]++] = static_cast<unsigned char>(i);
      unsigned d = kDispatcherOrder[i];
      if (holds[d][top])
        idx.dispatcher[top][idx.dispatcher_count[top]++] = static_cast<unsigned char>(d);
    }
  }
  return idx;
}

const TopBitsIndex& top_index() {
  static const TopBitsIndex idx = make_index();
  return idx;
}

const DecodeEntry* search(const unsigned char* order, unsigned count, uint32_t w,
                          unsigned* table_index) {
  for (unsigned i = 0; i < count; ++i) {
    const DecodeTable& t = kDecodeTables[order[i]];
    if (const DecodeEntry* e = table_find(t, decode_key(t, w))) {
      if (table_index) *table_index = order[i];
      return e;
    }
  }
  return nullptr;
}

}  // namespace

const DecodeTable* decode_tables() { return kDecodeTables; }
unsigned dispatcher_table(unsigned i) { return kDispatcherOrder[i]; }
unsigned total_handlers() { return kTotalHandlers; }

const DecodeEntry* table_find(const DecodeTable& table, int32_t key) {
  const DecodeEntry* end = table.entries + table.num_entries;
  const DecodeEntry* it = std::lower_bound(
      table.entries, end, key, [](const DecodeEntry& e, int32_t k) { return e.key < k; });
  return (it != end && it->key == key) ? it : nullptr;
}

const DecodeEntry* find_entry(uint32_t w, unsigned* table_index) {
  const TopBitsIndex& idx = top_index();
  unsigned top = w >> 25;
  return search(idx.classifier[top], idx.classifier_count[top], w, table_index);
}

const DecodeEntry* find_entry_dispatch_order(uint32_t w, unsigned* table_index) {
  const TopBitsIndex& idx = top_index();
  unsigned top = w >> 25;
  return search(idx.dispatcher[top], idx.dispatcher_count[top], w, table_index);
}

const char* handler_name(kalt64_handler h) {
  for (const DecodeTable& t : kDecodeTables)
    for (unsigned e = 0; e < t.num_entries; ++e)
      if (t.entries[e].handler == h) return t.entries[e].name;
  return nullptr;
}

const DecodeEntry* entry_by_name(const char* name) {
  for (const DecodeTable& t : kDecodeTables)
    for (unsigned e = 0; e < t.num_entries; ++e)
      if (std::strcmp(t.entries[e].name, name) == 0) return &t.entries[e];
  return nullptr;
}

void build_decode_index() { (void)top_index(); }

}  // namespace qrx
