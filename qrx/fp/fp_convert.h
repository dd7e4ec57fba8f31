// Conversions between the floating-point widths.
#ifndef QRX_FP_FP_CONVERT_H
#define QRX_FP_FP_CONVERT_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

// Instantiated for <u32,u16>, <u64,u16>, <u16,u32>, <u64,u32>, <u16,u64> and
// <u32,u64>. Widening is exact and ignores the rounding; narrowing rounds with
// it, in any direction (TieAway and Odd included).
template <typename From, typename To> To FPConvert(From value, FPRounding rounding, FPSCR& fpscr);

#endif  // QRX_FP_FP_CONVERT_H
