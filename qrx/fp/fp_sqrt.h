// Square root.
#ifndef QRX_FP_FP_SQRT_H
#define QRX_FP_FP_SQRT_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

template <typename T> T FPSqrt(T a, FPSCR& fpscr);

#endif  // QRX_FP_FP_SQRT_H
