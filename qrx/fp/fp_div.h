// Division.
#ifndef QRX_FP_FP_DIV_H
#define QRX_FP_FP_DIV_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

template <typename T> T FPDiv(T a, T b, FPEnv& env);
template <typename T> QRX_FP_FPSCR_FORM(T, FPDiv, (T a, T b), (a, b))

#endif  // QRX_FP_FP_DIV_H
