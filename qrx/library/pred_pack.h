// The register file's unpacked predicates (one byte, 0 or 1, per predicate
// bit) taken 8 bytes at a time, and packing between them and the library's
// packed PredV.
//
// A chunk is 8 consecutive predicate bytes loaded as one little-endian
// 64-bit word: byte j of the chunk is bits 8j..8j+7, and the predicate bit
// it carries is bit 8j. Only that bit is ever read: every chunk operation
// masks with the element bits before it tests or stores.
#ifndef QRX_LIBRARY_PRED_PACK_H
#define QRX_LIBRARY_PRED_PACK_H

#include <cstdint>
#include <cstring>

#include "qrx/library/lib_types.h"
#include "qrx/state/vector_length.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "predicate chunks are little-endian words");

namespace qrx {

// ----- Chunks of an unpacked predicate --------------------------------------

constexpr unsigned kPredChunks = kPredicateBytes / 8;
static_assert(kPredicateBytes % 8 == 0, "a predicate is a whole number of chunks");

// Bit 0 of every byte of a chunk.
constexpr uint64_t kByteLsbs = 0x0101010101010101ULL;

inline uint64_t load_chunk(const uint8_t* p, unsigned c) {
  uint64_t v;
  std::memcpy(&v, p + 8 * c, 8);
  return v;
}
inline void store_chunk(uint8_t* p, unsigned c, uint64_t v) { std::memcpy(p + 8 * c, &v, 8); }

// dst chunk c = f(c) for every chunk, where f(c) reads chunk c of its
// sources and of dst only. Predicate registers never overlap in part, so
// the chunks are independent and the loop may run several at once.
template <typename F>
inline void map_chunks(uint8_t* dst, F f) {
#pragma GCC ivdep
  for (unsigned c = 0; c < kPredChunks; ++c) store_chunk(dst, c, f(c));
}

// The predicate bit of the first byte of every element of esize_bytes (1, 2,
// 4, 8) in a chunk.
// (A switch, not a division: the size is rarely a constant here.)
constexpr uint64_t chunk_elements(unsigned esize_bytes) {
  switch (esize_bytes) {
    case 1: return kByteLsbs;
    case 2: return 0x0001000100010001ULL;
    case 4: return 0x0000000100000001ULL;
    default: return 1;
  }
}

// 0xFF bytes then 0 bytes: the register-sized window below_window(limit)
// is 0xFF exactly at the byte indices below `limit` (clamped to the
// register), so "below limit" masks load like any other chunk and the
// loops that use them vectorise.
struct BelowRamp {
  uint8_t b[2 * kPredicateBytes];
};
constexpr BelowRamp make_below_ramp() {
  BelowRamp r{};
  for (unsigned j = 0; j < kPredicateBytes; ++j) r.b[j] = 0xFF;
  return r;
}
inline constexpr BelowRamp kBelowRamp = make_below_ramp();
inline const uint8_t* below_window(unsigned limit) {
  return kBelowRamp.b + kPredicateBytes - (limit < kPredicateBytes ? limit : kPredicateBytes);
}

// Index of the first byte whose predicate bit is set in chunk(c) over the
// chunks in order, or kPredicateBytes when no chunk has one. chunk(c) must
// return a chunk with only predicate bits set.
template <typename Chunk>
inline unsigned first_set_byte(Chunk chunk) {
  for (unsigned c = 0; c < kPredChunks; ++c) {
    uint64_t v = chunk(c);
    if (v != 0) return 8 * c + static_cast<unsigned>(__builtin_ctzll(v)) / 8;
  }
  return kPredicateBytes;
}

// Index of the last such byte, or -1.
template <typename Chunk>
inline int last_set_byte(Chunk chunk) {
  for (unsigned c = kPredChunks; c-- > 0;) {
    uint64_t v = chunk(c);
    if (v != 0) return static_cast<int>(8 * c + static_cast<unsigned>(63 - __builtin_clzll(v)) / 8);
  }
  return -1;
}

// The first `count` elements of esize_bytes true, every other byte 0:
// whole-register stores that the compiler can widen, of the element bits
// alone when every element is true, else masked by the window below the
// count's bytes.
inline void store_leading(uint8_t* p, unsigned count, unsigned esize_bytes) {
  uint64_t e = chunk_elements(esize_bytes);
  unsigned bytes = count * esize_bytes;
  if (bytes >= kPredicateBytes) {
    map_chunks(p, [e](unsigned) { return e; });
    return;
  }
  const uint8_t* below = below_window(bytes);
  map_chunks(p, [e, below](unsigned c) { return e & load_chunk(below, c); });
}

// ----- Packing --------------------------------------------------------------
//
// Both directions are fully unrolled: each packed word then stays in a
// register instead of being read, ORed and written back once per chunk.

// Bit 0 of each of the 8 bytes of v, gathered into bits 0..7.
inline unsigned gather_byte_lsbs(uint64_t v) {
  return static_cast<unsigned>(((v & kByteLsbs) * 0x0102040810204080ULL) >> 56);
}

// spread_table()[b]: bits 0..7 of b spread to bytes 0..7 as 0 or 1.
struct SpreadTable {
  uint64_t chunk[256];
};
constexpr SpreadTable make_spread_table() {
  SpreadTable t{};
  for (unsigned b = 0; b < 256; ++b)
    for (unsigned i = 0; i < 8; ++i) t.chunk[b] |= static_cast<uint64_t>((b >> i) & 1) << (8 * i);
  return t;
}
inline constexpr SpreadTable kSpreadTable = make_spread_table();

inline uint64_t spread_bits_to_bytes(unsigned b) { return kSpreadTable.chunk[b & 0xFF]; }

// A cleared PredV with bit j = bit 0 of unpacked[j], j < kPredicateBits.
inline PredV pack_predicate(const uint8_t* unpacked) {
  PredV p{};
#pragma GCC unroll 32
  for (unsigned c = 0; c < kPredChunks; ++c)
    p.w[c / 8] |= static_cast<uint64_t>(gather_byte_lsbs(load_chunk(unpacked, c))) << (8 * (c % 8));
  return p;
}

// unpacked[j] = bit j of p, as 0 or 1, for j < kPredicateBits.
inline void unpack_predicate(const PredV& p, uint8_t* unpacked) {
#pragma GCC unroll 32
  for (unsigned c = 0; c < kPredChunks; ++c)
    store_chunk(unpacked, c,
                spread_bits_to_bytes(static_cast<unsigned>(p.w[c / 8] >> (8 * (c % 8)))));
}

}  // namespace qrx

#endif  // QRX_LIBRARY_PRED_PACK_H
