// Comparisons. EQ and UN are quiet (only signalling NaNs raise IOC); GE and
// GT signal on every NaN. FPCompare returns the condition-flag nibble NZCV.
#ifndef QRX_FP_FP_COMPARE_H
#define QRX_FP_FP_COMPARE_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

template <typename T> bool FPCompareEQ(T a, T b, FPSCR& fpscr);
template <typename T> bool FPCompareGE(T a, T b, FPSCR& fpscr);
template <typename T> bool FPCompareGT(T a, T b, FPSCR& fpscr);
template <typename T> bool FPCompareUN(T a, T b, FPSCR& fpscr);
template <typename T> int FPCompare(T a, T b, bool signal_nans, FPSCR& fpscr);

#endif  // QRX_FP_FP_COMPARE_H
