// The emulated QRX vector length and every size derived from it.
//
// The length is fixed when the library is built (QRX_VECTOR_BITS, default
// 1152). Nothing asks for it at run time: routines, handlers and the library
// context take their sizes from the constants below.
#ifndef QRX_STATE_VECTOR_LENGTH_H
#define QRX_STATE_VECTOR_LENGTH_H

#include <cstddef>

#ifndef QRX_VECTOR_BITS
#define QRX_VECTOR_BITS 1152
#endif

namespace qrx {

// Vector register width in bits, bytes and 64-bit doublewords.
constexpr unsigned kVectorBits = QRX_VECTOR_BITS;
constexpr unsigned kVectorBytes = kVectorBits / 8;
constexpr unsigned kVectorDwords = kVectorBytes / 8;

// The architectural maximum, which sizes the instruction library's values.
constexpr unsigned kMaxVectorBits = 2048;
constexpr unsigned kMaxVectorBytes = kMaxVectorBits / 8;

// A predicate register holds one bit per vector byte, kept unpacked at one
// byte per bit in the register file.
constexpr unsigned kPredicateBits = kVectorBytes;
constexpr unsigned kPredicateBytes = kPredicateBits;  // unpacked

// Element counts per element size.
constexpr unsigned kBytesElems = kVectorBytes;      // B
constexpr unsigned kHalfElems = kVectorBytes / 2;   // H
constexpr unsigned kWordElems = kVectorBytes / 4;   // S
constexpr unsigned kDwordElems = kVectorBytes / 8;  // D

// 128-bit segments of a vector (indexed and quadword forms).
constexpr unsigned kSegments = kVectorBytes / 16;

// The instruction library's VL field: the length in 64-bit words.
constexpr unsigned kContextVL = kVectorDwords;

// Elements of size `esize_bytes` in one vector.
constexpr unsigned elements_of(unsigned esize_bytes) { return kVectorBytes / esize_bytes; }

static_assert(kVectorBits % 128 == 0, "the vector length is a multiple of 128 bits");
static_assert(kVectorBits >= 128 && kVectorBits <= kMaxVectorBits,
              "the vector length is 128 to 2048 bits");

}  // namespace qrx

#endif  // QRX_STATE_VECTOR_LENGTH_H
