// Integer and saturation helpers of the instruction library.
//
// Element values are widened to signed 128-bit integers with Int, the
// operation is computed exactly and the element result is the low bits of
// that value (bits), clamped first with SatQ in the saturating forms. Every
// helper is free of undefined behaviour for all inputs: products and
// negations that could leave the signed 128-bit range are formed in unsigned
// 128-bit arithmetic, and shift counts are clamped before shifting.
//
// The integer, reduction and bit-counting families share these helpers.
#ifndef QRX_LIBRARY_INT_HELPERS_H
#define QRX_LIBRARY_INT_HELPERS_H

#include <cstdint>

namespace qrx {

using int128 = __int128;
using uint128 = unsigned __int128;

// Two's-complement reinterpretation of a 128-bit pattern (well defined for
// every value on the compilers we build with).
constexpr int128 as_signed(uint128 v) { return static_cast<int128>(v); }

// 64-bit value with the low n bits set; n of 0 gives 0, n of 64 or more all
// ones.
constexpr uint64_t ones(int n) {
  return n <= 0 ? 0 : n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
}

// The low n bits of x, zero-extended (is_unsigned) or sign-extended to a
// signed 128-bit value. n of 0 or less gives 0; n above 64 means 64.
constexpr int128 Int(uint64_t x, int n, bool is_unsigned) {
  if (n <= 0) return 0;
  if (n > 64) n = 64;
  uint64_t v = x & ones(n);
  if (is_unsigned) return static_cast<int128>(v);
  uint64_t sign = uint64_t{1} << (n - 1);
  if ((v & sign) == 0) return static_cast<int128>(v);
  // Negative: v - 2^n, formed without overflow.
  return -static_cast<int128>((~v & ones(n)) + 1);
}
constexpr int128 UInt(uint64_t x, int n) { return Int(x, n, true); }
// Sign-extension of the low n bits for n = 8, 16, 32, 64; other widths give 0.
constexpr int128 SInt(uint64_t x, int n) {
  return (n == 8 || n == 16 || n == 32 || n == 64) ? Int(x, n, false) : 0;
}

// The low 64 bits of v.
constexpr uint64_t bits(int128 v) { return static_cast<uint64_t>(static_cast<uint128>(v)); }

// Wrapping 128-bit arithmetic.
constexpr int128 NegInt(int128 v) { return as_signed(uint128{0} - static_cast<uint128>(v)); }
constexpr int128 AddInt(int128 a, int128 b) {
  return as_signed(static_cast<uint128>(a) + static_cast<uint128>(b));
}
constexpr int128 SubInt(int128 a, int128 b) {
  return as_signed(static_cast<uint128>(a) - static_cast<uint128>(b));
}
// Wrapping product: the low 128 bits of a x b. Exact whenever both operands
// come from Int of at most 64 bits, signed (|a x b| <= 2^126) or unsigned
// (a x b < 2^128, read back through bits and the upper word as unsigned).
constexpr int128 MulInt(int128 a, int128 b) {
  return as_signed(static_cast<uint128>(a) * static_cast<uint128>(b));
}
// Absolute value, wrapping (the most negative 128-bit value stays itself).
constexpr int128 AbsInt(int128 v) { return v < 0 ? NegInt(v) : v; }

// Arithmetic right shift of v by s (a non-negative count); counts of 128 or
// more give all sign bits.
constexpr int128 ShiftRightInt(int128 v, uint128 s) {
  if (s >= 128) return v < 0 ? -1 : 0;
  // Shifting the complement keeps the shifted value non-negative, so the
  // arithmetic shift never depends on how the compiler treats negatives.
  return v < 0 ? ~(~v >> static_cast<unsigned>(s)) : v >> static_cast<unsigned>(s);
}
// s at least 0: v shifted left by min(s, 64) in 128 bits (wrapping); s
// negative: ShiftRightInt(v, -s).
constexpr int128 ShiftLeftInt(int128 v, int128 s) {
  if (s < 0) return ShiftRightInt(v, uint128{0} - static_cast<uint128>(s));
  unsigned n = s > 64 ? 64 : static_cast<unsigned>(s);
  return as_signed(static_cast<uint128>(v) << n);
}

// Result of SatQ: the n-bit result pattern and whether it saturated.
struct SatQResult {
  uint64_t result;
  bool saturated;
};

// v clamped to the n-bit unsigned (0 .. 2^n - 1) or signed
// (-2^(n-1) .. 2^(n-1) - 1) range; the result is the n-bit pattern.
constexpr SatQResult SatQ(int128 v, int n, bool is_unsigned) {
  if (n <= 0) return {0, v != 0};
  if (n > 64) n = 64;
  if (is_unsigned) {
    int128 max = static_cast<int128>(ones(n));
    if (v < 0) return {0, true};
    if (v > max) return {ones(n), true};
  } else {
    int128 max = static_cast<int128>(ones(n - 1));
    int128 min = -max - 1;
    if (v > max) return {ones(n - 1), true};
    if (v < min) return {uint64_t{1} << (n - 1), true};
  }
  return {bits(v) & ones(n), false};
}

// Saturating n-bit sum and difference of the low n bits of a and b.
constexpr uint64_t SatAdd(uint64_t a, uint64_t b, int n, bool is_unsigned) {
  return SatQ(Int(a, n, is_unsigned) + Int(b, n, is_unsigned), n, is_unsigned).result;
}
constexpr uint64_t SatSub(uint64_t a, uint64_t b, int n, bool is_unsigned) {
  return SatQ(Int(a, n, is_unsigned) - Int(b, n, is_unsigned), n, is_unsigned).result;
}

// The larger / smaller of a and b by their low n bits, signed or unsigned,
// for n = 8, 16, 32, 64; any other n gives 0.
constexpr uint64_t Max(uint64_t a, uint64_t b, int n, bool is_unsigned) {
  if (n != 8 && n != 16 && n != 32 && n != 64) return 0;
  return Int(a, n, is_unsigned) >= Int(b, n, is_unsigned) ? a : b;
}
constexpr uint64_t Min(uint64_t a, uint64_t b, int n, bool is_unsigned) {
  if (n != 8 && n != 16 && n != 32 && n != 64) return 0;
  return Int(a, n, is_unsigned) <= Int(b, n, is_unsigned) ? a : b;
}

}  // namespace qrx

#endif  // QRX_LIBRARY_INT_HELPERS_H
