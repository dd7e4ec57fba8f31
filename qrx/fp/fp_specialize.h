// What this floating-point unit does where IEEE 754 leaves the choice to the
// implementation: which NaNs signal, what the default NaN is, which NaN
// operand an operation passes on, what an invalid operation delivers, and
// what a NaN, an infinity or an out-of-range value becomes in another width,
// in the alternative half format or in an integer. Every routine of the
// library takes these rules from here and from nowhere else.
#ifndef QRX_FP_FP_SPECIALIZE_H
#define QRX_FP_FP_SPECIALIZE_H

#include <cstddef>
#include <cstdint>

#include "qrx/fp/fp_format.h"
#include "qrx/fp/fp_status.h"

// A NaN signals when its quiet bit, the top fraction bit, is clear.
template <typename T>
constexpr bool fp_is_snan(T x) {
  return fp_is_nan(x) && !(x & fp_quiet_bit<T>);
}
template <typename T>
constexpr bool fp_is_qnan(T x) {
  return fp_is_nan(x) && (x & fp_quiet_bit<T>);
}

// The default NaN: positive, quiet, with no payload.
template <typename T> constexpr T fp_default_nan = T(fp_inf_bits<T> | fp_quiet_bit<T>);

// An invalid operation: IOC, and the default NaN as its result.
template <typename T>
inline T fp_invalid(int* flags) {
  *flags |= FP_FLAG_IOC;
  return fp_default_nan<T>;
}

// A NaN operand as the result: a signalling one raises IOC and is quieted;
// under DN the result is the default NaN, otherwise the operand keeps its sign
// and payload.
template <typename T>
inline T fp_process_nan(T x, int mode, int* flags) {
  if (!(x & fp_quiet_bit<T>)) {
    *flags |= FP_FLAG_IOC;
    x = T(x | fp_quiet_bit<T>);
  }
  return (mode & FP_MODE_DN) ? fp_default_nan<T> : x;
}

// The NaN result of an operation on ops, or 0 (never a NaN pattern) when none
// is a NaN: the first signalling NaN in operand order, failing that the first
// quiet one, so a signalling later operand wins over a quiet earlier one.
template <typename T, size_t N>
inline T fp_pick_nan(const T (&ops)[N], int mode, int* flags) {
  const T* quiet = nullptr;
  for (const T& x : ops) {
    if (!fp_is_nan(x)) continue;
    if (!(x & fp_quiet_bit<T>)) return fp_process_nan(x, mode, flags);
    if (!quiet) quiet = &x;
  }
  return quiet ? fp_process_nan(*quiet, mode, flags) : T(0);
}

template <typename T>
inline T fp_process_nans(T a, T b, int mode, int* flags) {
  const T ops[] = {a, b};
  return fp_pick_nan(ops, mode, flags);
}

template <typename T>
inline T fp_process_nans3(T a, T b, T c, int mode, int* flags) {
  const T ops[] = {a, b, c};
  return fp_pick_nan(ops, mode, flags);
}

// The NaN result of addend a + b x c, or 0: as for any three operands, except
// that a quiet NaN addend does not pass through an infinite-times-zero
// product, which is invalid whatever is added to it.
template <typename T>
inline T fp_process_nans_muladd(T a, T b, T c, bool inf_times_zero, int mode, int* flags) {
  const T nan = fp_process_nans3(a, b, c, mode, flags);
  if (inf_times_zero && fp_is_qnan(a)) return fp_invalid<T>(flags);
  return nan;
}

// A NaN converted to width To: a signalling one raises IOC; under DN the
// result is the default NaN, otherwise the quiet NaN of x's sign carrying the
// top of its payload (left-aligned when widening, the bits below the quiet
// bit that fit when narrowing).
template <typename To, typename From>
inline To fp_convert_nan(From x, int mode, int* flags) {
  constexpr int shift = fp_format<To>::F - fp_format<From>::F;
  if (fp_is_snan(x)) *flags |= FP_FLAG_IOC;
  if (mode & FP_MODE_DN) return fp_default_nan<To>;
  const From frac = From(x & fp_frac_mask<From>);
  To payload;
  if constexpr (shift >= 0) {
    payload = To(To(frac) << shift);
  } else {
    payload = To(To(frac >> -shift) & (fp_frac_mask<To> >> 1));
  }
  return To(fp_infinity<To>(fp_sign_of(x)) | fp_quiet_bit<To> | payload);
}

// The alternative half format has neither infinities nor NaNs. A NaN
// converted to it is the zero of its sign; an infinity, or a value beyond its
// range, is its largest magnitude. Both are invalid (IOC alone).
inline uint16_t fp_ahp_from_nan(int sign, int* flags) {
  *flags |= FP_FLAG_IOC;
  return fp_zero<uint16_t>(sign);
}
inline uint16_t fp_ahp_saturate(int sign, int* flags) {
  *flags |= FP_FLAG_IOC;
  return uint16_t(fp_zero<uint16_t>(sign) | 0x7FFF);
}

// An invalid conversion to an integer of width To (IOC): a NaN gives 0, an
// infinity or an out-of-range value the bound on its side: the largest or the
// most negative value, all ones or 0 when unsigned.
template <typename To>
inline To fp_invalid_integer(int sign, bool is_unsigned, bool nan, int* flags) {
  *flags |= FP_FLAG_IOC;
  if (nan) return To(0);
  if (is_unsigned) return sign ? To(0) : To(~To(0));
  const To min = To(To(1) << (fp_bits<To> - 1));
  return sign ? min : To(min - 1);
}

#endif  // QRX_FP_FP_SPECIALIZE_H
