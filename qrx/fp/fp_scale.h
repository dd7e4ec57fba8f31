// Scaling by a power of two with a single rounding.
#ifndef QRX_FP_FP_SCALE_H
#define QRX_FP_FP_SCALE_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

// x x 2^scale.
uint16_t FPScale16(uint16_t x, int16_t scale, FPSCR& fpscr);
uint32_t FPScale32(uint32_t x, int32_t scale, FPSCR& fpscr);
uint64_t FPScale64(uint64_t x, int64_t scale, FPSCR& fpscr);

#endif  // QRX_FP_FP_SCALE_H
