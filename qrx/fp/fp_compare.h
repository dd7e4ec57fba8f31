// Comparisons. EQ and UN are quiet (only signalling NaNs raise IOC); GE and
// GT signal on every NaN. FPCompare returns the condition-flag nibble NZCV.
#ifndef QRX_FP_FP_COMPARE_H
#define QRX_FP_FP_COMPARE_H

#include <cstdint>
#include <type_traits>

#include "qrx/fp/fp_format.h"
#include "qrx/fp/fp_status.h"

template <typename T> bool FPCompareEQ(T a, T b, FPEnv& env);
template <typename T> bool FPCompareGE(T a, T b, FPEnv& env);
template <typename T> bool FPCompareGT(T a, T b, FPEnv& env);
template <typename T> bool FPCompareUN(T a, T b, FPEnv& env);
template <typename T> int FPCompare(T a, T b, bool signal_nans, FPEnv& env);
template <typename T> QRX_FP_FPSCR_FORM(bool, FPCompareEQ, (T a, T b), (a, b))
template <typename T> QRX_FP_FPSCR_FORM(bool, FPCompareGE, (T a, T b), (a, b))
template <typename T> QRX_FP_FPSCR_FORM(bool, FPCompareGT, (T a, T b), (a, b))
template <typename T> QRX_FP_FPSCR_FORM(bool, FPCompareUN, (T a, T b), (a, b))
template <typename T>
QRX_FP_FPSCR_FORM(int, FPCompare, (T a, T b, bool signal_nans), (a, b, signal_nans))

// Compares from the raw bits. Two operands that are not NaNs, and not
// subnormals when the mode flushes them, compare without raising a flag,
// and their order is the order of their keys: the sign and magnitude read
// as a two's-complement integer, so that +0 and -0 are equal and the
// infinities are the ends. By magnitude, the key is the magnitude itself.
template <typename T>
constexpr bool fp_compares_by_bits(T x, int mode) {
  const T mag = T(x & ~fp_sign_bit<T>);
  const bool flushed = ((mode & fp_format<T>::flush_bit) != 0) & (mag != 0) & (mag <= fp_frac_mask<T>);
  return (mag <= fp_inf_bits<T>) & !flushed;
}
template <typename T>
constexpr std::make_signed_t<T> fp_order_key(T x, bool by_magnitude) {
  using S = std::make_signed_t<T>;
  const S mag = S(x & ~fp_sign_bit<T>);
  return (x & fp_sign_bit<T>) && !by_magnitude ? S(-mag) : mag;
}

#endif  // QRX_FP_FP_COMPARE_H
