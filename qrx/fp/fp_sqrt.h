// Square root.
#ifndef QRX_FP_FP_SQRT_H
#define QRX_FP_FP_SQRT_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

template <typename T> T FPSqrt(T a, FPEnv& env);
template <typename T> QRX_FP_FPSCR_FORM(T, FPSqrt, (T a), (a))

#endif  // QRX_FP_FP_SQRT_H
