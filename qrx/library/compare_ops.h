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
#include "qrx/library/lib_types.h"
#include "qrx/library/pred_pack.h"
#include "qrx/library/pred_support.h"

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
constexpr bool kCmpUnsigned =
    C == CmpCond::HI || C == CmpCond::HS || C == CmpCond::LO || C == CmpCond::LS;

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
    case CmpCond::GT:
    case CmpCond::HI: return a > b;
    case CmpCond::GE:
    case CmpCond::HS: return a >= b;
    case CmpCond::LT:
    case CmpCond::LO: return a < b;
    case CmpCond::LE:
    case CmpCond::LS: return a <= b;
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

// Bits 0..7 of b moved to bits 0, E, 2E, .. 7E: eight elements' predicate
// bits, for elements of E bytes.
template <unsigned E>
constexpr uint64_t spread_to_elements(uint64_t b) {
  static_assert(E == 1 || E == 2 || E == 4 || E == 8, "element of 1, 2, 4 or 8 bytes");
  if (E == 2) {
    b = (b | b << 4) & 0x0F0F;
    b = (b | b << 2) & 0x3333;
    b = (b | b << 1) & 0x5555;
  } else if (E == 4) {
    b = (b | b << 12) & 0x000F000F;
    b = (b | b << 6) & 0x03030303;
    b = (b | b << 3) & 0x11111111;
  } else if (E == 8) {
    b = (b | b << 28) & 0x0000000F0000000Full;
    b = (b | b << 14) & 0x0003000300030003ull;
    b = (b | b << 7) & 0x0101010101010101ull;
  }
  return b;
}

// The packed outcome of a compare over n elements of T, before the
// governing predicate: bit i*E is 1 where Zn[i] C rhs(i) holds, every other
// bit 0. n * sizeof(T) is at most the 2048-bit maximum.
template <CmpCond C, typename T, typename Rhs>
inline PredV compare_packed(unsigned n, const uint8_t* zn, Rhs rhs) {
  using V = decltype(rhs(0u));
  uint8_t hit[kMaxVectorBytes + 8];
  for (unsigned i = 0; i < n; ++i) {
    V a = static_cast<V>(static_cast<CmpElem<C, T>>(elem<T>(zn, i)));
    hit[i] = cmp_holds<C>(a, rhs(i));
  }
  for (unsigned i = n; i % 8 != 0; ++i) hit[i] = 0;
  PredV r{};
  for (unsigned first = 0; first < n; first += 8) {
    uint64_t chunk;
    std::memcpy(&chunk, hit + first, 8);
    unsigned bit = first * sizeof(T);
    r.w[bit >> 6] |= spread_to_elements<sizeof(T)>(gather_byte_lsbs(chunk)) << (bit & 63);
  }
  return r;
}

// The unpacked predicate of a compare of n elements of T under the
// unpacked governing predicate pg (zeroing): lane i of out (the T at byte
// i*E, which holds element i's predicate bit in bit 0) is 1 where pg's lane
// i is active and Zn[i] C rhs(i) holds, 0 elsewhere. A flat, branch-free
// loop over element lanes that the compiler vectorises.
template <CmpCond C, typename T, typename Rhs>
inline void compare_lanes(uint8_t* out, const uint8_t* pg, unsigned n, const uint8_t* zn,
                          Rhs rhs) {
  using V = decltype(rhs(0u));
  for (unsigned i = 0; i < n; ++i) {
    V a = static_cast<V>(static_cast<CmpElem<C, T>>(elem<T>(zn, i)));
    T hit = static_cast<T>(cmp_holds<C>(a, rhs(i)));
    set_elem<T>(out, i, static_cast<T>(hit & elem<T>(pg, i) & 1));
  }
}

// A whole-register compare into Pd under Pg, on the register file's
// unpacked predicates: returns N, Z, C, V of the result under Pg. Pd may be
// Pg: the result is built apart and copied last.
template <CmpCond C, typename T, typename Rhs>
inline uint32_t compare_into(uint8_t* pd, const uint8_t* pg, const uint8_t* zn, Rhs rhs) {
  alignas(16) uint8_t r[kPredicateBytes];
  compare_lanes<C, T>(r, pg, elements_of(sizeof(T)), zn, rhs);
  uint32_t flags = predicate_test_bytes(pg, r, sizeof(T));
  std::memcpy(pd, r, kPredicateBytes);
  return flags;
}

// r restricted to the elements active in pg (zeroing).
inline void governed_by(PredV* r, const PredV& pg) {
  for (unsigned k = 0; k < 4; ++k) r->w[k] &= pg.w[k];
}

}  // namespace qrx

#endif  // QRX_LIBRARY_COMPARE_OPS_H
