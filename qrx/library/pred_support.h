// Predicate support shared by every predicated instruction: the predicate
// test that derives N, Z, C, V from a result under a mask (library and
// routine forms), the first- and last-active searches, the PTRUE pattern
// decoder, the WHILE element count and the bitwise predicate operations, all
// on whole words: packed PredV words or 8-byte chunks of unpacked registers.
#ifndef QRX_LIBRARY_PRED_SUPPORT_H
#define QRX_LIBRARY_PRED_SUPPORT_H

#include <cstdint>

#include "qrx/library/lib_types.h"
#include "qrx/library/pred_pack.h"
#include "qrx/state/cpu_state.h"
#include "qrx/state/vector_length.h"

namespace qrx {

// Condition flags, in the host's NZCV layout.
constexpr uint32_t kFlagN = 0x80000000u;
constexpr uint32_t kFlagZ = 0x40000000u;
constexpr uint32_t kFlagC = 0x20000000u;
constexpr uint32_t kFlagV = 0x10000000u;
constexpr uint32_t kFlagsNZCV = kFlagN | kFlagZ | kFlagC | kFlagV;

constexpr uint32_t nzcv_bits(bool n, bool z, bool c, bool v) {
  return (n ? kFlagN : 0) | (z ? kFlagZ : 0) | (c ? kFlagC : 0) | (v ? kFlagV : 0);
}

// Replaces exactly the four flag bits of the register file's nzcv.
inline void set_nzcv(cpu_state* s, uint32_t flags) {
  s->nzcv = (s->nzcv & ~uint64_t{kFlagsNZCV}) | flags;
}

// Bits of word k of a PredV that lie below bit `nbits`.
inline uint64_t pred_word_limit(unsigned k, unsigned nbits) {
  unsigned lo = k * 64;
  if (nbits <= lo) return 0;
  return nbits - lo >= 64 ? ~uint64_t{0} : (uint64_t{1} << (nbits - lo)) - 1;
}

// The first bit of every element of esize_bytes (1, 2, 4, 8) in a word.
constexpr uint64_t pred_element_bits(unsigned esize_bytes) {
  switch (esize_bytes) {
    case 1: return ~uint64_t{0};
    case 2: return 0x5555555555555555ULL;
    case 4: return 0x1111111111111111ULL;
    default: return 0x0101010101010101ULL;
  }
}

// The first `count` elements of esize_bytes true, the rest (and every
// non-leading bit of an element) false.
inline PredV pred_leading(unsigned count, unsigned esize_bytes) {
  PredV p{};
  for (unsigned k = 0; k < 4; ++k)
    p.w[k] = pred_element_bits(esize_bytes) & pred_word_limit(k, count * esize_bytes);
  return p;
}

// The predicate test of a result under a mask, over the first n elements
// of esize_bytes: N = result at the first true mask element, Z = no
// element true in both, C = NOT result at the last true mask element,
// V = 0. An empty mask gives N = 0, Z = 1, C = 1, V = 0.
uint32_t predicate_test(const PredV& mask, const PredV& result, unsigned esize_bytes, unsigned n);

// Bitwise predicate operations, for packed words and unpacked bytes alike.
struct PredAnd {
  template <typename T>
  T operator()(T n, T m) const {
    return static_cast<T>(n & m);
  }
};
struct PredBic {
  template <typename T>
  T operator()(T n, T m) const {
    return static_cast<T>(n & ~m);
  }
};
struct PredOr {
  template <typename T>
  T operator()(T n, T m) const {
    return static_cast<T>(n | m);
  }
};
struct PredOrN {
  template <typename T>
  T operator()(T n, T m) const {
    return static_cast<T>(n | ~m);
  }
};
struct PredNor {
  template <typename T>
  T operator()(T n, T m) const {
    return static_cast<T>(~(n | m));
  }
};
struct PredNand {
  template <typename T>
  T operator()(T n, T m) const {
    return static_cast<T>(~(n & m));
  }
};
struct PredXor {
  template <typename T>
  T operator()(T n, T m) const {
    return static_cast<T>(n ^ m);
  }
};

// Index of the first set bit of p below nbits, or nbits when none is.
inline unsigned first_set_bit(const PredV& p, unsigned nbits) {
  for (unsigned k = 0; k < 4; ++k) {
    uint64_t m = p.w[k] & pred_word_limit(k, nbits);
    if (m != 0) return k * 64 + static_cast<unsigned>(__builtin_ctzll(m));
  }
  return nbits;
}

// Index of the last set bit of p below nbits, or -1.
inline int last_set_bit(const PredV& p, unsigned nbits) {
  for (unsigned k = 4; k-- > 0;) {
    uint64_t m = p.w[k] & pred_word_limit(k, nbits);
    if (m != 0) return static_cast<int>(k * 64 + 63 - static_cast<unsigned>(__builtin_clzll(m)));
  }
  return -1;
}

// The predicate test of an unpacked result under an unpacked mask over the
// whole vector of esize_bytes elements (the flag rule above).
inline uint32_t predicate_test_bytes(const uint8_t* mask, const uint8_t* result,
                                     unsigned esize_bytes) {
  uint64_t e = chunk_elements(esize_bytes);
  auto active = [mask, e](unsigned c) { return load_chunk(mask, c) & e; };
  unsigned first = first_set_byte(active);
  if (first == kPredicateBytes) return nzcv_bits(false, true, true, false);
  uint64_t common = 0;
  for (unsigned c = 0; c < kPredChunks; ++c) common |= load_chunk(mask, c) & load_chunk(result, c);
  unsigned last = static_cast<unsigned>(last_set_byte(active));
  return nzcv_bits(result[first] & 1, (common & e) == 0, !(result[last] & 1), false);
}

// Elements true in both a and b, where `elems` marks each element's first
// byte in a chunk (chunk_elements): per-byte sums of the 0/1 element bits
// over the chunks (at most kPredChunks per byte), then pairs of byte sums
// into four 16-bit sums and their total.
inline uint64_t count_common(const uint8_t* a, const uint8_t* b, uint64_t elems) {
  uint64_t sums = 0;
  for (unsigned c = 0; c < kPredChunks; ++c) sums += load_chunk(a, c) & load_chunk(b, c) & elems;
  static_assert(kPredChunks < 256 && kPredicateBytes < 65536, "byte and pair sums do not overflow");
  uint64_t pairs = (sums & 0x00FF00FF00FF00FFULL) + ((sums >> 8) & 0x00FF00FF00FF00FFULL);
  return (pairs * 0x0001000100010001ULL) >> 48;
}

// Zeroing predicate logic on unpacked predicates: d = g AND op(n, m), bit 0
// of each byte, 16 bytes at a time; the OR of every result chunk (zero
// exactly when no result bit is set). d may be any of the sources: chunk c
// of d depends only on chunk c of each.
template <typename Op>
inline uint64_t pred_logic_into(uint8_t* d, const uint8_t* g, const uint8_t* n, const uint8_t* m) {
  uint64_t any = 0;
#pragma GCC ivdep
  for (unsigned c = 0; c < kPredChunks; ++c) {
    uint64_t r = load_chunk(g, c) & Op()(load_chunk(n, c), load_chunk(m, c)) & kByteLsbs;
    store_chunk(d, c, r);
    any |= r;
  }
  return any;
}

// N and C of the predicate test of g AND op(n, m) under g, from the sources
// alone: the result at g's first and last active bytes (N = 0, C = 1 when g
// is empty). Z and V are left 0.
template <typename Op>
inline uint32_t pred_logic_nc(const uint8_t* g, const uint8_t* n, const uint8_t* m) {
  auto active = [g](unsigned c) { return load_chunk(g, c) & kByteLsbs; };
  unsigned first = first_set_byte(active);
  if (first == kPredicateBytes) return nzcv_bits(false, false, true, false);
  unsigned last = static_cast<unsigned>(last_set_byte(active));
  auto result = [n, m](unsigned j) { return (Op()(n[j], m[j]) & 1) != 0; };
  return nzcv_bits(result(first), false, !result(last), false);
}

// The predicate test of a result whose first `count` elements are true and
// the rest false, under an all-true mask of n elements.
constexpr uint32_t leading_test(unsigned count, unsigned n) {
  return count == 0 ? nzcv_bits(false, true, true, false)
                    : nzcv_bits(true, false, count < n, false);
}

// The WHILE comparisons of Rn + i with Rm.
enum class WhileCond : unsigned { LT, LE, LO, LS };

// Number of leading true elements (at most n) of a WHILE comparison at
// operand width `width_bits` (32 or 64): element i is true while the
// width-wrapped Rn + i compares true with Rm for every k <= i.
//
// Closed form: with the sign bit flipped for the signed conditions, the
// width-wrapped Rn + i counts up like an unsigned value from Rn towards Rm;
// only "<=" with Rm the largest value never turns false. Inline, so that a
// handler with a fixed condition and width keeps only its own arithmetic.
inline unsigned while_true_count(uint64_t rn, uint64_t rm, unsigned width_bits, WhileCond cond,
                                 unsigned n) {
  uint64_t wmask = width_bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << width_bits) - 1;
  bool is_signed = cond == WhileCond::LT || cond == WhileCond::LE;
  bool or_equal = cond == WhileCond::LE || cond == WhileCond::LS;
  uint64_t bias = is_signed ? uint64_t{1} << (width_bits - 1) : 0;
  uint64_t a = (rn ^ bias) & wmask, b = (rm ^ bias) & wmask;
  if (a > b || (a == b && !or_equal)) return 0;
  if (or_equal && b == wmask) return n;
  uint64_t span = b - a + (or_equal ? 1 : 0);
  return span < n ? static_cast<unsigned>(span) : n;
}

// Leading true elements that PTRUE pattern `pattern` selects out of
// `elements` (0 for an unallocated pattern). With `elements` a constant the
// compiler folds the whole decode into a table of the 32 patterns.
constexpr unsigned pattern_count(unsigned pattern, unsigned elements) {
  auto fixed = [elements](unsigned count) { return count <= elements ? count : 0u; };
  if (elements == 0) return 0;
  if (pattern == 0) {  // POW2
    unsigned p = 1;
    while (p <= elements / 2) p *= 2;
    return p;
  }
  if (pattern <= 8) return fixed(pattern);                // VL1..VL8
  if (pattern <= 13) return fixed(1u << (pattern - 5));   // VL16..VL256
  if (pattern == 29) return elements - elements % 4;      // MUL4
  if (pattern == 30) return elements - elements % 3;      // MUL3
  if (pattern == 31) return elements;                     // ALL
  return 0;                                               // unallocated
}

}  // namespace qrx

// The routine-path predicate test: mask and result are unpacked predicates;
// element i of T's size is the T at byte offset i * sizeof(T), tested by its
// bit 0. Stores N, Z, C, V into nzcv. Signed and unsigned T behave alike.
template <typename T>
inline void qrx_ptest(cpu_state* s, const uint8_t* mask, const uint8_t* result) {
  // Bit 0 of an element's first byte is bit 0 of the element.
  qrx::set_nzcv(s, qrx::predicate_test_bytes(mask, result, sizeof(T)));
}

extern "C" {

// The predicate test of result under mask with esize-bit elements (8, 16,
// 32, 64) over the context's vector length: sets N, Z, C and clears V.
void PredSetNZCV(PredV mask, PredV result, int esize, CpuContext* ctx);
// The same, leaving V unchanged.
void PredSetNZC(PredV mask, PredV result, int esize, CpuContext* ctx);
// Index of the last true element of mask (esize bits), or -1 if none.
int FindLastActive(PredV mask, int esize, CpuContext* ctx);
// Leading true elements that PTRUE pattern `pattern` selects out of
// `elements`.
unsigned long VecTrueILength(unsigned long pattern, int elements);

}  // extern "C"

#endif  // QRX_LIBRARY_PRED_SUPPORT_H
