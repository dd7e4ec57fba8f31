// Value types of the instruction library: the context record, the packed
// predicate and the vector value.
#ifndef QRX_LIBRARY_LIB_TYPES_H
#define QRX_LIBRARY_LIB_TYPES_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "qrx/state/vector_length.h"

// A packed predicate: bit j (the bit of vector byte j) is bit j % 64 of
// word j / 64. Sized for the architectural maximum of 2048-bit vectors.
struct PredV {
  uint64_t w[4];

  bool bit(unsigned j) const { return (w[j >> 6] >> (j & 63)) & 1; }
  void set_bit(unsigned j, bool v) {
    uint64_t m = uint64_t{1} << (j & 63);
    w[j >> 6] = v ? (w[j >> 6] | m) : (w[j >> 6] & ~m);
  }
  // Whether element i of size esize_bytes is active.
  bool active(unsigned i, unsigned esize_bytes) const { return bit(i * esize_bytes); }
};

// A vector value: 2048 bits, element i of size E at bytes i*E .. i*E+E-1,
// least significant byte first. Only the first VL*8 bytes carry elements.
struct VecValue {
  uint8_t b[qrx::kMaxVectorBytes];

  template <typename T>
  T get(unsigned i) const {
    T v;
    std::memcpy(&v, b + i * sizeof(T), sizeof(T));
    return v;
  }
  template <typename T>
  void set(unsigned i, T v) {
    std::memcpy(b + i * sizeof(T), &v, sizeof(T));
  }
};

// The instruction library's context.
struct CpuContext {
  uint32_t NZCV;  // N bit 31, Z bit 30, C bit 29, V bit 28
  uint32_t FPSR;  // cumulative FP status
  uint32_t FPCR;  // FP control
  uint32_t VL;    // vector length in 64-bit words (low 26 bits)
  uint8_t reserved0[8];
  PredV FFR;  // first-fault register, packed
  uint8_t reserved1[2048];
};

static_assert(sizeof(PredV) == 32, "PredV is 256 bits");
static_assert(sizeof(VecValue) == 256, "VecValue is 2048 bits");
static_assert(sizeof(CpuContext) == 2104, "CpuContext is 2104 bytes");
static_assert(offsetof(CpuContext, NZCV) == 0 && offsetof(CpuContext, FPSR) == 4 &&
                  offsetof(CpuContext, FPCR) == 8 && offsetof(CpuContext, VL) == 12 &&
                  offsetof(CpuContext, FFR) == 24,
              "CpuContext field order");

namespace qrx {

constexpr uint32_t kVLMask = 0x3FFFFFF;

// Elements of esize_bytes in a vector of the context's length. The VL field
// can hold values far above the architectural maximum; such a length is cut
// to the maximum, which is all the library's value types hold.
inline unsigned ctx_elements(const CpuContext* ctx, unsigned esize_bytes) {
  constexpr unsigned kMaxVL = kMaxVectorBytes / 8;
  unsigned vl = ctx->VL & kVLMask;
  return (vl < kMaxVL ? vl : kMaxVL) * 8 / esize_bytes;
}

}  // namespace qrx

#endif  // QRX_LIBRARY_LIB_TYPES_H
