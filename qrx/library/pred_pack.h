// Packing between the register file's unpacked predicates (one byte, 0 or 1,
// per predicate bit) and the library's packed PredV.
#ifndef QRX_LIBRARY_PRED_PACK_H
#define QRX_LIBRARY_PRED_PACK_H

#include <cstdint>
#include <cstring>

#include "qrx/library/lib_types.h"
#include "qrx/state/vector_length.h"

namespace qrx {

// Bit 0 of each of the 8 bytes of v, gathered into bits 0..7.
inline unsigned gather_byte_lsbs(uint64_t v) {
  return static_cast<unsigned>(((v & 0x0101010101010101ULL) * 0x0102040810204080ULL) >> 56);
}

// Bits 0..7 of b spread to bytes 0..7 as 0 or 1.
inline uint64_t spread_bits_to_bytes(unsigned b) {
  uint64_t m = (static_cast<uint64_t>(b & 0xFF) * 0x0101010101010101ULL) & 0x8040201008040201ULL;
  return ((m + 0x7F7F7F7F7F7F7F7FULL) & 0x8080808080808080ULL) >> 7;
}

// A cleared PredV with bit j = bit 0 of unpacked[j], j < kPredicateBits.
inline PredV pack_predicate(const uint8_t* unpacked) {
  PredV p{};
  for (unsigned j = 0; j < kPredicateBits; j += 8) {
    uint64_t chunk;
    std::memcpy(&chunk, unpacked + j, 8);
    p.w[j >> 6] |= static_cast<uint64_t>(gather_byte_lsbs(chunk)) << (j & 63);
  }
  return p;
}

// unpacked[j] = bit j of p, as 0 or 1, for j < kPredicateBits.
inline void unpack_predicate(const PredV& p, uint8_t* unpacked) {
  for (unsigned j = 0; j < kPredicateBits; j += 8) {
    uint64_t chunk = spread_bits_to_bytes(static_cast<unsigned>(p.w[j >> 6] >> (j & 63)));
    std::memcpy(unpacked + j, &chunk, 8);
  }
}

}  // namespace qrx

#endif  // QRX_LIBRARY_PRED_PACK_H
