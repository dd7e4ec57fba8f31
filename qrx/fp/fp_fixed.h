// Conversions between floating point and fixed-point or integer values.
// Integer inputs arrive as 64-bit words, already sign- or zero-extended;
// integer results come back in an unsigned word of the target width holding
// the two's-complement or unsigned value.
#ifndef QRX_FP_FP_FIXED_H
#define QRX_FP_FP_FIXED_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

// Float of width From to an integer of width To with fbits fraction bits,
// saturating with IOC. Instantiated for <u16,u16>, <u16,u32>, <u32,u32>,
// <u64,u32>, <u16,u64>, <u32,u64> and <u64,u64>.
template <typename From, typename To>
To fplibFPToFixed(From value, int fbits, bool is_unsigned, FPRounding rounding, FPEnv& env);
template <typename From, typename To>
inline To fplibFPToFixed(From value, int fbits, bool is_unsigned, FPRounding rounding,
                         FPSCR& fpscr) {
  return fp_on_fpscr(fpscr, [&](FPEnv& env) {
    return fplibFPToFixed<From, To>(value, fbits, is_unsigned, rounding, env);
  });
}

// The 64-bit conversion core on a value in double-precision layout: biased
// exponent exp and a significand with its leading one at bit 52. Sets *flags
// to IOC (saturated), IXC (inexact) or 0.
uint64_t FPToFixed_64(int sign, int exp, uint64_t significand, bool is_unsigned,
                      FPRounding rounding, int* flags);

// A 64-bit integer with fbits fraction bits to a float of width T, rounded
// with the given rounding; results below the normal range are flushed by FZ
// (single, double) or FZ16 (half).
template <typename T>
T fplibFixedToFP(uint64_t value, int fbits, bool is_unsigned, FPRounding rounding, FPEnv& env);
template <typename T>
inline T fplibFixedToFP(uint64_t value, int fbits, bool is_unsigned, FPRounding rounding,
                        FPSCR& fpscr) {
  return fp_on_fpscr(fpscr, [&](FPEnv& env) {
    return fplibFixedToFP<T>(value, fbits, is_unsigned, rounding, env);
  });
}

#endif  // QRX_FP_FP_FIXED_H
