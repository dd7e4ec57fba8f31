// The three binary formats as compile-time traits, the double-width working
// integer of each, and the bit helpers the rounding paths share.
#ifndef QRX_FP_FP_FORMAT_H
#define QRX_FP_FP_FORMAT_H

#include <cstdint>
#include <type_traits>

#include "qrx/fp/fp_status.h"

__extension__ typedef unsigned __int128 fp_u128;

template <typename T>
struct fp_format;

// The fields of a format with E exponent and F fraction bits; wide holds any
// product or aligned sum exactly, work is T promoted without turning signed.
template <int E_, int F_, typename Wide, typename Work, int FlushBit, bool FlushRaisesIdc>
struct fp_format_fields {
  using wide = Wide;
  using work = Work;
  static constexpr int E = E_, F = F_, W = 1 + E_ + F_;
  static constexpr int bias = (1 << (E_ - 1)) - 1, exp_max = (1 << E_) - 1;
  static constexpr int flush_bit = FlushBit;
  static constexpr bool flush_raises_idc = FlushRaisesIdc;
};

// Half precision flushes under FZ16, and without raising IDC.
template <>
struct fp_format<uint16_t> : fp_format_fields<5, 10, uint32_t, uint32_t, FP_MODE_FZ16, false> {};
template <>
struct fp_format<uint32_t> : fp_format_fields<8, 23, uint64_t, uint32_t, FP_MODE_FZ, true> {};
template <>
struct fp_format<uint64_t> : fp_format_fields<11, 52, fp_u128, uint64_t, FP_MODE_FZ, true> {};
static_assert(fp_format<uint16_t>::W == 16 && fp_format<uint32_t>::W == 32 &&
                  fp_format<uint64_t>::W == 64 && fp_format<uint64_t>::bias == 1023,
              "format fields");

template <typename T> constexpr T fp_sign_bit = T(T(1) << (fp_format<T>::W - 1));
template <typename T> constexpr T fp_frac_mask = T((T(1) << fp_format<T>::F) - 1);
template <typename T> constexpr T fp_quiet_bit = T(T(1) << (fp_format<T>::F - 1));
template <typename T> constexpr T fp_inf_bits = T(T(fp_format<T>::exp_max) << fp_format<T>::F);
template <typename T> constexpr T fp_max_finite = T(fp_inf_bits<T> - 1);

template <typename T> constexpr T fp_zero(int sign) { return sign ? fp_sign_bit<T> : T(0); }
template <typename T> constexpr T fp_infinity(int sign) { return T(fp_zero<T>(sign) | fp_inf_bits<T>); }
template <typename T> constexpr T fp_max_normal(int sign) { return T(fp_zero<T>(sign) | fp_max_finite<T>); }
// 2.0, 1.5 and the like: a positive value 1.f x 2^k with fraction bits frac.
template <typename T>
constexpr T fp_pack_normal(int sign, int unbiased_exp, T frac) {
  return T(fp_zero<T>(sign) | T(T(unbiased_exp + fp_format<T>::bias) << fp_format<T>::F) | frac);
}

template <typename T> constexpr int fp_sign_of(T x) { return int(x >> (fp_format<T>::W - 1)); }
template <typename T> constexpr int fp_exp_field(T x) {
  return int((x >> fp_format<T>::F) & unsigned(fp_format<T>::exp_max));
}
template <typename T> constexpr bool fp_is_nan(T x) {
  return T(x & ~fp_sign_bit<T>) > fp_inf_bits<T>;
}
template <typename T> constexpr bool fp_is_inf(T x) { return T(x & ~fp_sign_bit<T>) == fp_inf_bits<T>; }

// Number of leading zero bits of a non-zero value.
inline int fp_clz(uint32_t x) { return __builtin_clz(x); }
inline int fp_clz(uint64_t x) { return __builtin_clzll(x); }
inline int fp_clz(fp_u128 x) {
  uint64_t hi = static_cast<uint64_t>(x >> 64);
  return hi ? __builtin_clzll(hi) : 64 + __builtin_clzll(static_cast<uint64_t>(x));
}

template <typename U> constexpr int fp_bits = int(sizeof(U) * 8);

// True when any of the n lowest bits of x is set (n may be the full width).
template <typename U>
constexpr bool fp_low_bits_set(U x, int n) {
  if (n <= 0) return false;
  if (n >= fp_bits<U>) return x != 0;
  return (x & ((U(1) << n) - 1)) != 0;
}

// x >> n with every bit shifted out folded into the lowest bit; a shift of
// the word width or more leaves just that sticky bit.
template <typename U>
constexpr U fp_shift_right_sticky(U x, int n) {
  if (n <= 0) return x;
  if (n >= fp_bits<U>) return U(x != 0);
  return U((x >> n) | U(fp_low_bits_set(x, n)));
}

// x >> n, zero when n is the word width or more.
template <typename U>
constexpr U fp_shift_right(U x, int n) {
  return n >= fp_bits<U> ? U(0) : U(x >> n);
}

#endif  // QRX_FP_FP_FORMAT_H
