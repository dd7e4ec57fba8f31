// Conversions between the floating-point widths.
#ifndef QRX_FP_FP_CONVERT_H
#define QRX_FP_FP_CONVERT_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

// Instantiated for <u32,u16>, <u64,u16>, <u16,u32>, <u64,u32>, <u16,u64> and
// <u32,u64>. Widening is exact and ignores the rounding; narrowing rounds with
// it, in any direction (TieAway and Odd included).
// A conversion to half reads AHP from the environment.
template <typename From, typename To> To FPConvert(From value, FPRounding rounding, FPEnv& env);
template <typename From, typename To>
inline To FPConvert(From value, FPRounding rounding, FPSCR& fpscr) {
  return fp_on_fpscr(fpscr, [&](FPEnv& env) { return FPConvert<From, To>(value, rounding, env); });
}

#endif  // QRX_FP_FP_CONVERT_H
