// The exponential support operation: 2 to a power assembled from the bits of
// x, an exponent field from the high bits and a table fraction of 2^(i/32)
// (half) or 2^(i/64) from the low ones. No rounding, no flags.
#ifndef QRX_FP_FP_EXPA_H
#define QRX_FP_FP_EXPA_H

#include <cstdint>

template <typename T> T FPEXPA(T x);
template <> uint16_t FPEXPA<uint16_t>(uint16_t x);
template <> uint32_t FPEXPA<uint32_t>(uint32_t x);
template <> uint64_t FPEXPA<uint64_t>(uint64_t x);

#endif  // QRX_FP_FP_EXPA_H
