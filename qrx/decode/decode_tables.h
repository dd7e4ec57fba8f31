// The QRX decode tables: 44 tables, each mapping one bit-slice signature of
// the 32-bit instruction word to the handler of one instruction form.
//
// The tables are constant data generated from qrx/decode/decode_tables.txt
// and the family rows (qrx/decode/rows/*.txt).
// Each is a key-sorted array searched by bisection, which gives the same
// results as the ordered map it stands for. Tables are consulted only when
// bits 31..25 of the word (covered by every table's mask) occur among their
// entries; the per-value table lists are built once at load time.
#ifndef QRX_DECODE_DECODE_TABLES_H
#define QRX_DECODE_DECODE_TABLES_H

#include <cstdint>

#include "qrx/state/cpu_state.h"

typedef kalt64_decode_rc (*kalt64_handler)(cpu_state*, unsigned int);

namespace qrx {

constexpr unsigned kNumDecodeTables = 44;
constexpr unsigned kMaxSlices = 4;

struct DecodeEntry {
  int32_t key;       // the table key
  uint32_t pattern;  // the key spread back to its bit positions
  kalt64_handler handler;
  const char* name;    // the handler's name
  const char* family;  // the family whose rows define it; null while pending
};

struct DecodeSlice {
  unsigned char hi;
  unsigned char lo;
};

struct DecodeTable {
  const char* name;         // decode_map__<hi>_<lo>...
  unsigned classifier_pos;  // 1-based position in the classifier's order
  unsigned dispatcher_pos;  // 1-based position in the dispatcher's order
  unsigned key_width;
  uint32_t mask;  // the instruction bits that the slices cover
  unsigned num_slices;
  DecodeSlice slices[kMaxSlices];
  const DecodeEntry* entries;  // ascending keys
  unsigned num_entries;
};

// The tables in classifier order.
const DecodeTable* decode_tables();
// Table index (into decode_tables()) of the i-th table in dispatcher order.
unsigned dispatcher_table(unsigned i);
// Total number of handlers (entries of all tables).
unsigned total_handlers();

// The key of `table` for instruction word `w`: the slices concatenated, the
// highest slice in the most significant bits.
inline int32_t decode_key(const DecodeTable& table, uint32_t w) {
  uint32_t key = 0;
  for (unsigned i = 0; i < table.num_slices; ++i) {
    unsigned hi = table.slices[i].hi, lo = table.slices[i].lo;
    unsigned width = hi - lo + 1;
    uint32_t bits = width == 32 ? w : (w >> lo) & ((1u << width) - 1);
    key = width == 32 ? bits : (key << width) | bits;
  }
  return static_cast<int32_t>(key);
}

// The entry of `table` that holds `key`, or null.
const DecodeEntry* table_find(const DecodeTable& table, int32_t key);

// The entry (of any table) that matches `w`, searching in classifier order
// (or dispatcher order); null when no table holds the word. `table_index`
// receives the index of the table that matched, when not null.
const DecodeEntry* find_entry(uint32_t w, unsigned* table_index = nullptr);
const DecodeEntry* find_entry_dispatch_order(uint32_t w, unsigned* table_index = nullptr);

// Name lookups for tools and diagnostics. Both return null when unknown.
const char* handler_name(kalt64_handler h);
const DecodeEntry* entry_by_name(const char* name);

// Builds the load-time lookup index; run by the static initialiser.
void build_decode_index();

}  // namespace qrx

// The classifier: the handler that the tables hold for `encoding`, or null.
kalt64_handler is_qrx(unsigned encoding);

#endif  // QRX_DECODE_DECODE_TABLES_H
