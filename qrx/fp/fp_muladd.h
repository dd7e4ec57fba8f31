// Fused multiply-add: addend + op1 x op2 with a single rounding, and the
// scaled cores that the reciprocal step functions build on.
#ifndef QRX_FP_FP_MULADD_H
#define QRX_FP_FP_MULADD_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

template <typename T> T FPMulAdd(T addend, T op1, T op2, FPEnv& env);
template <typename T>
QRX_FP_FPSCR_FORM(T, FPMulAdd, (T addend, T op1, T op2), (addend, op1, op2))

// (a + b x c) x 2^scale, rounded once with the mode word; the flags are added
// to the caller's flag word.
template <typename T> T fp_muladd_scaled(T a, T b, T c, int scale, int mode, int* flags);
uint16_t fp16_muladd(uint16_t a, uint16_t b, uint16_t c, int scale, int mode, int* flags);
uint32_t fp32_muladd(uint32_t a, uint32_t b, uint32_t c, int scale, int mode, int* flags);
uint64_t fp64_muladd(uint64_t a, uint64_t b, uint64_t c, int scale, int mode, int* flags);

#endif  // QRX_FP_FP_MULADD_H
