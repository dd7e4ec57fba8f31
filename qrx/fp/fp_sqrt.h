// Square root.
#ifndef QRX_FP_FP_SQRT_H
#define QRX_FP_FP_SQRT_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

template <typename T> T FPSqrt(T a, FPEnv& env);
template <typename T> QRX_FP_FPSCR_FORM(T, FPSqrt, (T a), (a))

// The same root taken by integer arithmetic alone, as FPSqrt does for every
// input on a Kalt64 host and for the special and subnormal inputs elsewhere
// (single and double).
template <typename T> T FPSqrtIntegerRoot(T a, FPEnv& env);

#endif  // QRX_FP_FP_SQRT_H
