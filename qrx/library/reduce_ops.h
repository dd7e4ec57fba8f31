// Integer reductions and element counting: the element operations shared by
// the semantic routines (on the register file) and the instruction library
// (on VecValue/PredV).
//
// A reduction folds the active elements of one vector into an accumulator
// that starts at the operation's identity, so a vector with no active
// element reduces to the identity. The counting forms add or subtract an
// element count (a pattern's count times a multiplier, or the number of
// active predicate elements) to a general register or to every element of a
// vector, wrapping or saturating in the register's or element's width.
#ifndef QRX_LIBRARY_REDUCE_OPS_H
#define QRX_LIBRARY_REDUCE_OPS_H

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "qrx/library/int_ops.h"
#include "qrx/library/lib_types.h"
#include "qrx/library/pred_support.h"

namespace qrx {

template <typename T>
using SignedOf = std::make_signed_t<T>;

// The most negative value of T's signed reading, as a T pattern.
template <typename T>
constexpr T kSignBit = static_cast<T>(T{1} << (kElemBits<T> - 1));

// ----- Reductions ---------------------------------------------------------
// Each names its accumulator type Acc, its result type Out, the element
// value kIdentity that leaves the accumulator unchanged (also its start),
// and the step.

// The sums accumulate B and H elements in 32 bits, which hold any sum of up
// to 256 such elements and let the loop vectorise, and return 64 bits.
template <typename T>
struct UAddV {  // zero-extended 64-bit sum
  using Acc = std::conditional_t<(sizeof(T) <= 2), uint32_t, uint64_t>;
  using Out = uint64_t;
  static constexpr T kIdentity = 0;
  Acc operator()(Acc a, T x) const { return a + x; }
};
template <typename T>
struct SAddV {  // sign-extended 64-bit sum
  using Acc = std::conditional_t<(sizeof(T) <= 2), int32_t, int64_t>;
  using Out = uint64_t;
  static constexpr T kIdentity = 0;
  Acc operator()(Acc a, T x) const { return a + static_cast<SignedOf<T>>(x); }
};
template <typename T>
struct UMaxV {
  using Acc = T;
  using Out = T;
  static constexpr T kIdentity = 0;
  Acc operator()(Acc a, T x) const { return a > x ? a : x; }
};
template <typename T>
struct UMinV {
  using Acc = T;
  using Out = T;
  static constexpr T kIdentity = static_cast<T>(~T{0});
  Acc operator()(Acc a, T x) const { return a < x ? a : x; }
};
template <typename T>
struct SMaxV {
  using Acc = T;
  using Out = T;
  static constexpr T kIdentity = kSignBit<T>;
  Acc operator()(Acc a, T x) const {
    return static_cast<SignedOf<T>>(a) > static_cast<SignedOf<T>>(x) ? a : x;
  }
};
template <typename T>
struct SMinV {
  using Acc = T;
  using Out = T;
  static constexpr T kIdentity = static_cast<T>(~kSignBit<T>);
  Acc operator()(Acc a, T x) const {
    return static_cast<SignedOf<T>>(a) < static_cast<SignedOf<T>>(x) ? a : x;
  }
};
template <typename T>
struct AndV {
  using Acc = T;
  using Out = T;
  static constexpr T kIdentity = static_cast<T>(~T{0});
  Acc operator()(Acc a, T x) const { return static_cast<T>(a & x); }
};
template <typename T>
struct OrV {
  using Acc = T;
  using Out = T;
  static constexpr T kIdentity = 0;
  Acc operator()(Acc a, T x) const { return static_cast<T>(a | x); }
};
template <typename T>
struct EorV {
  using Acc = T;
  using Out = T;
  static constexpr T kIdentity = 0;
  Acc operator()(Acc a, T x) const { return static_cast<T>(a ^ x); }
};

// Element i's predicate bit in an unpacked predicate, as 0 or 1 of type T:
// the element's E predicate bytes read as one little-endian T, whose bit 0
// is bit 0 of the first byte. Reading the bytes at the element's own width
// keeps the reduction loops vectorisable.
template <typename T>
struct ActiveBit {
  const uint8_t* pred;
  T operator()(unsigned i) const { return static_cast<T>(elem<T>(pred, i) & 1u); }
};

// The reduction of the first n elements of v whose active(i) is 1.
// Inactive elements contribute the identity, blended in through a mask so
// that the loop has no branch and vectorises.
template <template <typename> class Red, typename T, typename Active>
inline typename Red<T>::Out reduce(const uint8_t* v, unsigned n, Active active) {
  Red<T> step;
  typename Red<T>::Acc acc = Red<T>::kIdentity;
  for (unsigned i = 0; i < n; ++i) {
    T keep = static_cast<T>(T{0} - active(i));
    acc = step(acc, static_cast<T>((elem<T>(v, i) & keep) | (Red<T>::kIdentity & ~keep)));
  }
  return static_cast<typename Red<T>::Out>(acc);
}

// The first nbits (a multiple of 8, at most 256) bits of p as bytes of 0 or 1.
inline void unpack_bits(const PredV& p, unsigned nbits, uint8_t* out) {
  for (unsigned j = 0; j < nbits; j += 8) {
    uint64_t chunk = spread_bits_to_bytes(static_cast<unsigned>(p.w[j >> 6] >> (j & 63)));
    std::memcpy(out + j, &chunk, 8);
  }
}

// ----- Element counts -----------------------------------------------------

// The count a pattern selects among n elements, times the multiplier.
inline uint64_t scaled_count(unsigned pattern, unsigned multiplier, unsigned n) {
  return uint64_t{pattern < 32 ? pattern_count(pattern, n) : 0u} * multiplier;
}

// Active elements of esize_bytes among the first n of a packed predicate.
inline uint64_t active_count(const PredV& p, unsigned esize_bytes, unsigned n) {
  uint64_t count = 0;
  for (unsigned k = 0; k < 4; ++k)
    count += static_cast<uint64_t>(__builtin_popcountll(p.w[k] & pred_element_bits(esize_bytes) &
                                                        pred_word_limit(k, n * esize_bytes)));
  return count;
}

// ----- Counting steps -----------------------------------------------------
// x plus or minus a count c, in T's width. Counts are at most 2304, so c
// fits every T the counting forms use (16-bit elements and wider, 32- and
// 64-bit registers) in both readings. kSigned says whether a 32-bit
// register result is sign-extended (the signed saturating forms) rather
// than zero-extended.

struct IncStep {
  static constexpr bool kSigned = false;
  template <typename T>
  T operator()(T x, T c) const {
    return static_cast<T>(x + c);
  }
};
struct DecStep {
  static constexpr bool kSigned = false;
  template <typename T>
  T operator()(T x, T c) const {
    return static_cast<T>(x - c);
  }
};
// Saturating: the unsigned forms clamp at all ones and at 0 (never wrapping
// below zero), the signed forms at the largest and the most negative value.
template <bool Unsigned>
struct QIncStep {
  static constexpr bool kSigned = !Unsigned;
  template <typename T>
  T operator()(T x, T c) const {
    T r = static_cast<T>(x + c);
    if (Unsigned) return r < x ? static_cast<T>(~T{0}) : r;
    return static_cast<SignedOf<T>>(r) < static_cast<SignedOf<T>>(x) ? static_cast<T>(~kSignBit<T>)
                                                                     : r;
  }
};
template <bool Unsigned>
struct QDecStep {
  static constexpr bool kSigned = !Unsigned;
  template <typename T>
  T operator()(T x, T c) const {
    if (Unsigned) return x > c ? static_cast<T>(x - c) : T{0};
    T r = static_cast<T>(x - c);
    return static_cast<SignedOf<T>>(r) > static_cast<SignedOf<T>>(x) ? kSignBit<T> : r;
  }
};

// A general register stepped in W's width (uint32_t for the W forms,
// uint64_t for the X forms), extended to 64 bits as the step says.
template <typename W, typename Step>
inline uint64_t step_register(uint64_t reg, uint64_t count) {
  W r = Step{}(static_cast<W>(reg), static_cast<W>(count));
  return Step::kSigned ? static_cast<uint64_t>(int64_t{static_cast<SignedOf<W>>(r)}) : uint64_t{r};
}

// out[i] = step(v[i], count) for the first n elements of T; out may be v.
template <typename T, typename Step>
inline void step_elements(uint8_t* out, const uint8_t* v, unsigned n, uint64_t count) {
  const T c = static_cast<T>(count);
  for (unsigned i = 0; i < n; ++i) set_elem<T>(out, i, Step{}(elem<T>(v, i), c));
}

}  // namespace qrx

#endif  // QRX_LIBRARY_REDUCE_OPS_H
