// Scaling by a power of two with a single rounding.
#ifndef QRX_FP_FP_SCALE_H
#define QRX_FP_FP_SCALE_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

// x x 2^scale.
uint16_t FPScale16(uint16_t x, int16_t scale, FPEnv& env);
uint32_t FPScale32(uint32_t x, int32_t scale, FPEnv& env);
uint64_t FPScale64(uint64_t x, int64_t scale, FPEnv& env);
QRX_FP_FPSCR_FORM(uint16_t, FPScale16, (uint16_t x, int16_t scale), (x, scale))
QRX_FP_FPSCR_FORM(uint32_t, FPScale32, (uint32_t x, int32_t scale), (x, scale))
QRX_FP_FPSCR_FORM(uint64_t, FPScale64, (uint64_t x, int64_t scale), (x, scale))

#endif  // QRX_FP_FP_SCALE_H
