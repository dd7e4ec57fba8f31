// Element operations of the predicated integer unary instructions: sign- and
// zero-extension in place, the bit counts, NOT and CNOT. Each maps an element
// of storage type T to its result, and serves the semantic routines and the
// library alike through the merging loops of int_ops.h.
#ifndef QRX_LIBRARY_UNARY_OPS_H
#define QRX_LIBRARY_UNARY_OPS_H

#include <cstdint>
#include <type_traits>

#include "qrx/library/bit_helpers.h"
#include "qrx/library/int_ops.h"

namespace qrx {

// The low part of Narrow's width, sign-extended (Signed) or zero-extended to
// the element.
template <typename Narrow, bool Signed>
struct ExtendOp {
  static_assert(std::is_unsigned<Narrow>::value, "Narrow is a storage type");
  template <typename T>
  T operator()(T x) const {
    Narrow low = static_cast<Narrow>(x);
    if (Signed)
      return static_cast<T>(static_cast<int64_t>(static_cast<std::make_signed_t<Narrow>>(low)));
    return static_cast<T>(low);
  }
};

// UXTB, the one extension that runs in the library.
using UxtbOp = ExtendOp<uint8_t, false>;

// Elements of 32 bits or fewer count through LeadingZeros32, which
// vectorises; doublewords through the count instruction.
struct ClsOp {
  template <typename T>
  T operator()(T x) const {
    if constexpr (sizeof(T) <= 4) {
      constexpr uint32_t kBelowSign = static_cast<uint32_t>(ones(kElemBits<T> - 1));
      return static_cast<T>(LeadingZeros32((static_cast<uint32_t>(x >> 1) ^ x) & kBelowSign) -
                            (33 - kElemBits<T>));
    } else {
      return static_cast<T>(CountLeadingSignBits(x, kElemBits<T>));
    }
  }
};
struct ClzOp {
  template <typename T>
  T operator()(T x) const {
    if constexpr (sizeof(T) <= 4)
      return static_cast<T>(LeadingZeros32(x) - (32 - kElemBits<T>));
    else
      return static_cast<T>(CountLeadingZeroBits(x, kElemBits<T>));
  }
};
struct CntOp {
  template <typename T>
  T operator()(T x) const {
    return static_cast<T>(BitCount(x, kElemBits<T>));
  }
};
// NOT: every bit inverted.
struct InvOp {
  template <typename T>
  T operator()(T x) const {
    return static_cast<T>(~x);
  }
};
// CNOT: 1 for a zero element, 0 otherwise.
struct CnotOp {
  template <typename T>
  T operator()(T x) const {
    return static_cast<T>(x == 0);
  }
};

}  // namespace qrx

#endif  // QRX_LIBRARY_UNARY_OPS_H
