// Addition, subtraction and the sign-bit operations.
#ifndef QRX_FP_FP_ADD_H
#define QRX_FP_FP_ADD_H

#include <cstdint>

#include "qrx/fp/fp_format.h"
#include "qrx/fp/fp_status.h"

template <typename T> T FPAdd(T a, T b, FPEnv& env);
template <typename T> T FPSub(T a, T b, FPEnv& env);
template <typename T> QRX_FP_FPSCR_FORM(T, FPAdd, (T a, T b), (a, b))
template <typename T> QRX_FP_FPSCR_FORM(T, FPSub, (T a, T b), (a, b))

// Sign-bit operations: no NaN processing, no flush, no flag.
template <typename T> constexpr T FPNeg(T a) { return T(a ^ fp_sign_bit<T>); }
template <typename T> constexpr T FPAbs(T a) { return T(a & ~fp_sign_bit<T>); }

#endif  // QRX_FP_FP_ADD_H
