// Rounding to an integral value in the same format.
#ifndef QRX_FP_FP_ROUND_INT_H
#define QRX_FP_FP_ROUND_INT_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

// x rounded to an integral value with the given rounding; IXC is raised for
// an inexact result only when exact is set.
template <typename T> T FPRoundInt(T x, FPRounding rounding, bool exact, FPEnv& env);
template <typename T>
QRX_FP_FPSCR_FORM(T, FPRoundInt, (T x, FPRounding rounding, bool exact), (x, rounding, exact))

#endif  // QRX_FP_FP_ROUND_INT_H
