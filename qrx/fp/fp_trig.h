// Trigonometric support operations: the sine/cosine polynomial step, the
// starting square, and the quadrant select.
#ifndef QRX_FP_FP_TRIG_H
#define QRX_FP_FP_TRIG_H

#include <cstdint>

#include "qrx/fp/fp_status.h"

// a x a with the sign taken from bit 0 of b (unless the product is a NaN).
template <typename T> T FPTRISMUL(T a, T b, FPEnv& env);
// coefficient + a x abs(b), the coefficient taken from the sine series at
// index, or from the cosine series when b's sign bit is set.
template <typename T> T FPTRIMADD(unsigned index, T a, T b, FPEnv& env);
template <typename T> QRX_FP_FPSCR_FORM(T, FPTRISMUL, (T a, T b), (a, b))
template <typename T> QRX_FP_FPSCR_FORM(T, FPTRIMADD, (unsigned index, T a, T b), (index, a, b))
// The quadrant select: 1.0 when bit 0 of b is set, a otherwise, negated when
// bit 1 of b is set. No flags.
template <typename T> T FPTRISSEL(T a, T b);

// Entry i (0-15) of the coefficient table of width T.
template <typename T> T fp_trig_coefficient(unsigned i);
template <> uint16_t fp_trig_coefficient<uint16_t>(unsigned i);
template <> uint32_t fp_trig_coefficient<uint32_t>(unsigned i);
template <> uint64_t fp_trig_coefficient<uint64_t>(unsigned i);

#endif  // QRX_FP_FP_TRIG_H
