// Integer compare conditions and the element loop that turns a vector
// compare into a predicate, shared by the compare semantic routines (on the
// register file) and the compare library (on VecValue/PredV).
//
// Each condition compares in one type: the element type read signed or
// unsigned for the vector and immediate forms, and a 64-bit value for the
// wide forms, where the element is first sign-extended (the signed
// conditions, EQ and NE) or zero-extended (HI, HS, LO, LS).
#ifndef QRX_LIBRARY_COMPARE_OPS_H
#define QRX_LIBRARY_COMPARE_OPS_H

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "qrx/library/int_ops.h"

namespace qrx {

enum class CmpCond { EQ, NE, GT, GE, LT, LE, HI, HS, LO, LS };

// A condition as a type, for the family's rows.
template <CmpCond C>
struct CmpOp {
  static constexpr CmpCond kCond = C;
};
using CmpEQ = CmpOp<CmpCond::EQ>;
using CmpNE = CmpOp<CmpCond::NE>;
using CmpGT = CmpOp<CmpCond::GT>;
using CmpGE = CmpOp<CmpCond::GE>;
using CmpLT = CmpOp<CmpCond::LT>;
using CmpLE = CmpOp<CmpCond::LE>;
using CmpHI = CmpOp<CmpCond::HI>;
using CmpHS = CmpOp<CmpCond::HS>;
using CmpLO = CmpOp<CmpCond::LO>;
using CmpLS = CmpOp<CmpCond::LS>;

template <CmpCond C>
constexpr bool kCmpUnsigned = C == CmpCond::HI || C == CmpCond::HS || C == CmpCond::LO ||
                              C == CmpCond::LS;

// The type in which an element of storage type T compares under C.
template <CmpCond C, typename T>
using CmpElem = std::conditional_t<kCmpUnsigned<C>, T, std::make_signed_t<T>>;
// The 64-bit type of the wide forms under C.
template <CmpCond C>
using CmpWide = std::conditional_t<kCmpUnsigned<C>, uint64_t, int64_t>;

// Whether a C b, with a and b of the same comparison type.
template <CmpCond C, typename V>
constexpr bool cmp_holds(V a, V b) {
  switch (C) {
    case CmpCond::EQ: return a == b;
    case CmpCond::NE: return a != b;
    case CmpCond::GT: case CmpCond::HI: return a > b;
    case CmpCond::GE: case CmpCond::HS: return a >= b;
    case CmpCond::LT: case CmpCond::LO: return a < b;
    case CmpCond::LE: case CmpCond::LS: return a <= b;
  }
  return false;
}

// Second-operand readers, each yielding its comparison type.
// Element i of a vector.
template <CmpCond C, typename T>
struct CmpVecRhs {
  const uint8_t* v;
  CmpElem<C, T> operator()(unsigned i) const { return static_cast<CmpElem<C, T>>(elem<T>(v, i)); }
};
// The doubleword of a vector that holds the bytes of element i.
template <CmpCond C, typename T>
struct CmpWideRhs {
  const uint8_t* v;
  CmpWide<C> operator()(unsigned i) const {
    return static_cast<CmpWide<C>>(elem<uint64_t>(v, i * sizeof(T) / 8));
  }
};
// An immediate cut to the element width and read by the condition's
// signedness.
template <CmpCond C, typename T>
struct CmpImmRhs {
  CmpElem<C, T> imm;
  explicit CmpImmRhs(int64_t value)
      : imm(static_cast<CmpElem<C, T>>(static_cast<T>(static_cast<uint64_t>(value)))) {}
  CmpElem<C, T> operator()(unsigned) const { return imm; }
};

// The unpacked predicate of a compare over n elements of T: byte i*E is 1
// where active(i) and Zn[i] C rhs(i) holds, every other byte 0 (inactive
// elements are false). out holds n * sizeof(T) bytes.
template <CmpCond C, typename T, typename Active, typename Rhs>
inline void compare_elements(uint8_t* out, unsigned n, Active active, const uint8_t* zn,
                             Rhs rhs) {
  using V = decltype(rhs(0u));
  if (sizeof(T) > 1) std::memset(out, 0, n * sizeof(T));
  for (unsigned i = 0; i < n; ++i) {
    V a = static_cast<V>(static_cast<CmpElem<C, T>>(elem<T>(zn, i)));
    out[i * sizeof(T)] = static_cast<uint8_t>(active(i) & cmp_holds<C>(a, rhs(i)));
  }
}

}  // namespace qrx

#endif  // QRX_LIBRARY_COMPARE_OPS_H
