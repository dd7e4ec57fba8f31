// The Newton-Raphson step functions of the reciprocal and reciprocal square
// root iterations, each with a single rounding.
#ifndef QRX_FP_FP_STEP_H
#define QRX_FP_FP_STEP_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

// 2 - a x b.
template <typename T> T FPRecipStepFused(T a, T b, FPEnv& env);
// (3 - a x b) / 2.
template <typename T> T FPRSqrtStepFused(T a, T b, FPEnv& env);
template <typename T> QRX_FP_FPSCR_FORM(T, FPRecipStepFused, (T a, T b), (a, b))
template <typename T> QRX_FP_FPSCR_FORM(T, FPRSqrtStepFused, (T a, T b), (a, b))

#endif  // QRX_FP_FP_STEP_H
