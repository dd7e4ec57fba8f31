// The case generator: for a decode entry and a seed, the instruction word
// (random operand bits, steered away from words the reference model rejects)
// and the starting state, both reproducible from the seed alone.
#ifndef QRX_HARNESS_CASE_GEN_H
#define QRX_HARNESS_CASE_GEN_H

#include <cstdint>

#include "qrx/decode/decode_tables.h"
#include "state_text.h"

namespace qrx {
namespace harness {

// The seed of case `index` of form `form` in a run with seed `run_seed`.
uint64_t case_seed(uint64_t run_seed, unsigned form, unsigned index);

// The word of a case: the entry's fixed bits with random operand bits.
uint32_t make_case_word(const DecodeTable& table, const DecodeEntry& entry, uint64_t seed);

// Whether the word is one the reference model rejects as undefined although
// the tables accept it (the generator never produces these).
bool model_rejects(const char* form, uint32_t word);

// Memory instructions: loads, stores, gathers, scatters, prefetches, fills
// and spills.
constexpr bool is_memory_word(uint32_t w) { return (w >> 29) >= 4; }

// The memory block of a contiguous load or store form (LD1*, ST1*, LDNT1*,
// STNT1*, LDFF1*, LDNF1*): where it starts for the word and state, its
// memory and register element sizes, its element count and its governing
// predicate. False for any other form.
struct memory_block {
  uint64_t addr;
  unsigned msize, esize, count, pg;
};
bool contiguous_block(const char* form, uint32_t word, const machine_state& s, memory_block* b);

// Whether an active element of the block straddles the end of the data
// region: its first byte in the region, its last in the guard page after it.
bool straddles_region_end(const memory_block& b, const machine_state& s);

// Whether an element of the block is inactive.
bool has_inactive_element(const memory_block& b, const machine_state& s);

// The starting state of a case. Its flavour (random data, special
// floating-point values with random FPCR modes, predicate patterns, memory
// near the end of the region) comes from the seed; memory words get base
// registers and vector addresses inside the region, and in the near-end
// flavour a contiguous form's block starts within a block's length of the
// region's end, so that it runs into the guard page.
// Sweeps shape their cases: a non-zero `edge` puts a contiguous form's block
// `edge` bytes before the region's end (plain loads: rounded to their
// element); a first-fault or non-fault load's governing predicate has its
// first active element at `first_active` and then one every `stride`
// elements (by default every element is active).
struct sweep_shape {
  unsigned edge = 0;
  unsigned first_active = 0;
  unsigned stride = 1;
};
void make_case_state(uint64_t seed, uint32_t word, machine_state* s, sweep_shape shape = {});

}  // namespace harness
}  // namespace qrx

#endif  // QRX_HARNESS_CASE_GEN_H
