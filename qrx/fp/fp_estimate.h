// The 8-bit reciprocal and reciprocal-square-root estimates and the
// reciprocal exponent.
#ifndef QRX_FP_FP_ESTIMATE_H
#define QRX_FP_FP_ESTIMATE_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

template <typename T> T FPRecipEstimate(T x, FPEnv& env);
template <typename T> T FPRSqrtEstimate(T x, FPEnv& env);
// 2 to the negated exponent of x, with a zero fraction.
template <typename T> T FPRecpX(T x, FPEnv& env);
template <typename T> QRX_FP_FPSCR_FORM(T, FPRecipEstimate, (T x), (x))
template <typename T> QRX_FP_FPSCR_FORM(T, FPRSqrtEstimate, (T x), (x))
template <typename T> QRX_FP_FPSCR_FORM(T, FPRecpX, (T x), (x))

// Entry i of the reciprocal-square-root table: the low 8 bits of the 9-bit
// estimate. Entries 0-127 serve odd biased exponents, 128-255 even ones.
uint8_t fp_rsqrt_table_entry(unsigned index);

#endif  // QRX_FP_FP_ESTIMATE_H
