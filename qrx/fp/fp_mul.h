// Multiplication and the multiply-extended variant.
#ifndef QRX_FP_FP_MUL_H
#define QRX_FP_FP_MUL_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

template <typename T> T FPMul(T a, T b, FPEnv& env);
// As FPMul, except that infinity x zero gives 2.0 with the product's sign.
template <typename T> T FPMulX(T a, T b, FPEnv& env);
template <typename T> QRX_FP_FPSCR_FORM(T, FPMul, (T a, T b), (a, b))
template <typename T> QRX_FP_FPSCR_FORM(T, FPMulX, (T a, T b), (a, b))

#endif  // QRX_FP_FP_MUL_H
