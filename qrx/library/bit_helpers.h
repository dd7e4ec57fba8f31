// Bit-counting helpers of the instruction library. Each works on the low N
// bits of a 64-bit value, N the element width in bits; widths above 64 read
// 64 bits, and a width below 1 has no bits (every count is then 0 and
// HighestBitSet is -1).
//
// The unary integer family (CLS, CLZ, CNT) and the bit reversal of the
// permute family share them.
#ifndef QRX_LIBRARY_BIT_HELPERS_H
#define QRX_LIBRARY_BIT_HELPERS_H

#include <cstdint>
#include <cstring>

#include "qrx/library/int_helpers.h"

namespace qrx {

constexpr int clamp_width(int n) { return n <= 0 ? 0 : n > 64 ? 64 : n; }

// Index of the highest set bit among bits N-1..0 of x; -1 when none is set.
constexpr int HighestBitSet(uint64_t x, int n) {
  uint64_t v = x & ones(clamp_width(n));
  return v == 0 ? -1 : 63 - __builtin_clzll(v);
}

// Zero bits above the highest set bit, within N bits: N for x = 0.
constexpr int CountLeadingZeroBits(uint64_t x, int n) {
  return clamp_width(n) - 1 - HighestBitSet(x, n);
}

// Leading zero bits of a 32-bit x (32 for x = 0), without a branch or a
// count instruction, so that an element loop of them vectorises: x is
// exact as a double, whose biased exponent is 1023 + the index of the
// highest set bit (0 for x = 0).
inline uint32_t LeadingZeros32(uint32_t x) {
  const double d = static_cast<double>(static_cast<int32_t>(x ^ 0x80000000u)) + 2147483648.0;
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  const uint32_t r = 1054u - static_cast<uint32_t>(bits >> 52);
  return r < 32u ? r : 32u;
}

// Bits below the sign bit (bit N-1) that equal it: the leading zeros of the
// (N-1)-bit value whose bit k says whether bits k+1 and k of x differ.
constexpr int CountLeadingSignBits(uint64_t x, int n) {
  int w = clamp_width(n);
  if (w <= 1) return 0;
  return CountLeadingZeroBits((x >> 1) ^ x, w - 1);
}

// Set bits among bits N-1..0 of x.
constexpr int BitCount(uint64_t x, int n) { return __builtin_popcountll(x & ones(clamp_width(n))); }

// Bits N-1..0 of x in reverse order (bit 0 becomes bit N-1).
constexpr uint64_t BitReverse(uint64_t x, int n) {
  int w = clamp_width(n);
  uint64_t r = 0;
  for (int k = 0; k < w; ++k) r |= ((x >> k) & 1) << (w - 1 - k);
  return r;
}

}  // namespace qrx

#endif  // QRX_LIBRARY_BIT_HELPERS_H
