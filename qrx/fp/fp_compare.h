// Comparisons. EQ and UN are quiet (only signalling NaNs raise IOC); GE and
// GT signal on every NaN. FPCompare returns the condition-flag nibble NZCV.
#ifndef QRX_FP_FP_COMPARE_H
#define QRX_FP_FP_COMPARE_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

template <typename T> bool FPCompareEQ(T a, T b, FPEnv& env);
template <typename T> bool FPCompareGE(T a, T b, FPEnv& env);
template <typename T> bool FPCompareGT(T a, T b, FPEnv& env);
template <typename T> bool FPCompareUN(T a, T b, FPEnv& env);
template <typename T> int FPCompare(T a, T b, bool signal_nans, FPEnv& env);
template <typename T> QRX_FP_FPSCR_FORM(bool, FPCompareEQ, (T a, T b), (a, b))
template <typename T> QRX_FP_FPSCR_FORM(bool, FPCompareGE, (T a, T b), (a, b))
template <typename T> QRX_FP_FPSCR_FORM(bool, FPCompareGT, (T a, T b), (a, b))
template <typename T> QRX_FP_FPSCR_FORM(bool, FPCompareUN, (T a, T b), (a, b))
template <typename T>
QRX_FP_FPSCR_FORM(int, FPCompare, (T a, T b, bool signal_nans), (a, b, signal_nans))

#endif  // QRX_FP_FP_COMPARE_H
