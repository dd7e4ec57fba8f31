// Maximum and minimum, and their number forms, which ignore a single quiet
// NaN operand.
#ifndef QRX_FP_FP_MINMAX_H
#define QRX_FP_FP_MINMAX_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

template <typename T> T FPMax(T a, T b, FPEnv& env);
template <typename T> T FPMin(T a, T b, FPEnv& env);
template <typename T> T FPMaxNum(T a, T b, FPEnv& env);
template <typename T> T FPMinNum(T a, T b, FPEnv& env);
template <typename T> QRX_FP_FPSCR_FORM(T, FPMax, (T a, T b), (a, b))
template <typename T> QRX_FP_FPSCR_FORM(T, FPMin, (T a, T b), (a, b))
template <typename T> QRX_FP_FPSCR_FORM(T, FPMaxNum, (T a, T b), (a, b))
template <typename T> QRX_FP_FPSCR_FORM(T, FPMinNum, (T a, T b), (a, b))

#endif  // QRX_FP_FP_MINMAX_H
