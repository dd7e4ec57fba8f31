// Division.
#ifndef QRX_FP_FP_DIV_H
#define QRX_FP_FP_DIV_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

template <typename T> T FPDiv(T a, T b, FPSCR& fpscr);

#endif  // QRX_FP_FP_DIV_H
