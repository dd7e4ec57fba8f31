// Integer element operations and the element loops that apply them, shared
// by the integer semantic routines (on the register file) and the integer
// instruction library (on VecValue/PredV).
//
// An element is held in its unsigned storage type T (uint8_t .. uint64_t);
// signed operations read it through Int. Every operation wraps modulo the
// element width unless it saturates, and none can overflow a signed type.
#ifndef QRX_LIBRARY_INT_OPS_H
#define QRX_LIBRARY_INT_OPS_H

#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "qrx/library/int_helpers.h"
#include "qrx/library/skeletons.h"
#include "qrx/state/cpu_state.h"

namespace qrx {

// ----- Size dispatch ------------------------------------------------------

// Calls f(T{}) with the storage type of element-size code `code`; false for
// a code that is not B, H, S or D.
template <typename F>
inline bool for_esize(unsigned code, F&& f) {
  switch (code) {
    case ESIZE_B: f(uint8_t{}); return true;
    case ESIZE_H: f(uint16_t{}); return true;
    case ESIZE_S: f(uint32_t{}); return true;
    case ESIZE_D: f(uint64_t{}); return true;
    default: return false;
  }
}

// Signed value of an element.
template <typename T>
constexpr int128 sx(T v) {
  return Int(v, kElemBits<T>, false);
}
// Signed or unsigned value of an element.
template <bool Unsigned, typename T>
constexpr int128 wide(T v) {
  return Int(v, kElemBits<T>, Unsigned);
}
// The low element-width bits of a 128-bit value.
template <typename T>
constexpr T narrow(int128 v) {
  return static_cast<T>(bits(v));
}

// ----- Arithmetic and logic -----------------------------------------------

struct AddOp {
  template <typename T>
  T operator()(T a, T b) const {
    return static_cast<T>(uint64_t{a} + b);
  }
};
struct SubOp {
  template <typename T>
  T operator()(T a, T b) const {
    return static_cast<T>(uint64_t{a} - b);
  }
};
// An operation with its operands swapped (SUBR, DIVR, the reversed shifts);
// an immediate second operand is taken at the element width.
template <typename Op>
struct Reversed {
  template <typename T, typename V>
  T operator()(T a, V b) const {
    return Op{}(static_cast<T>(b), a);
  }
};
using SubROp = Reversed<SubOp>;
struct MulOp {
  template <typename T>
  T operator()(T a, T b) const {
    return static_cast<T>(uint64_t{a} * b);
  }
};
struct AndOp {
  template <typename T>
  T operator()(T a, T b) const {
    return static_cast<T>(a & b);
  }
};
struct OrOp {
  template <typename T>
  T operator()(T a, T b) const {
    return static_cast<T>(a | b);
  }
};
struct XorOp {
  template <typename T>
  T operator()(T a, T b) const {
    return static_cast<T>(a ^ b);
  }
};
struct BicOp {
  template <typename T>
  T operator()(T a, T b) const {
    return static_cast<T>(a & ~b);
  }
};

// Larger / smaller element; the second operand may be a 64-bit immediate
// (sign-extended for the signed forms), compared by its low element bits.
template <bool Unsigned>
struct MaxOp {
  template <typename T, typename V>
  T operator()(T a, V b) const {
    return static_cast<T>(Max(a, uint64_t{b}, kElemBits<T>, Unsigned));
  }
};
template <bool Unsigned>
struct MinOp {
  template <typename T, typename V>
  T operator()(T a, V b) const {
    return static_cast<T>(Min(a, uint64_t{b}, kElemBits<T>, Unsigned));
  }
};

// |a - b| of the widened operands: the larger minus the smaller, which the
// element width holds exactly modulo 2^width.
template <bool Unsigned>
struct AbdOp {
  template <typename T>
  T operator()(T a, T b) const {
    using C = std::conditional_t<Unsigned, T, std::make_signed_t<T>>;
    return static_cast<C>(a) > static_cast<C>(b) ? static_cast<T>(a - b) : static_cast<T>(b - a);
  }
};

// Upper half of the full product, in the next wider native type (128 bits
// for doublewords).
template <bool Unsigned>
struct MulHOp {
  template <typename T>
  T operator()(T a, T b) const {
    using S = std::make_signed_t<T>;
    using W = std::conditional_t<sizeof(T) == 8, uint128, uint64_t>;
    using SW = std::conditional_t<sizeof(T) == 8, int128, int64_t>;
    if (Unsigned) return static_cast<T>((W{a} * b) >> kElemBits<T>);
    if constexpr (sizeof(T) == 2) {
      // The unsigned high half less b where a is negative and a where b is
      // (modulo 2^16): GCC 12 vectorises the signed high half of halfwords
      // wrongly inside a predicated loop.
      const T high = static_cast<T>((W{a} * b) >> 16);
      return static_cast<T>(high - (b & (T{0} - (a >> 15))) - (a & (T{0} - (b >> 15))));
    }
    return static_cast<T>(static_cast<W>(SW{static_cast<S>(a)} * static_cast<S>(b)) >>
                          kElemBits<T>);
  }
};

// Quotient truncated toward zero; a divisor of 0 gives 0 and, signed, a
// divisor of -1 gives the wrapped negation (the most negative value divided
// by -1 is itself).
//
// 32-bit elements divide in double precision, without a branch, so that the
// loop vectorises. This is exact: the operands (below 2^32 in magnitude) are
// exact doubles, and if n/d is not an integer it lies at least 1/|d| from
// every integer, while the rounded quotient is within
// |n/d| x 2^-53 < 2^32/|d| x 2^-53 < 1/|d| of it and cannot reach an
// integer (integers of this size are doubles): truncating the rounded
// quotient truncates n/d. A quotient of 2^31 or more needs |d| = 1 and is
// taken from n (unsigned n / 1, signed n / -1 wrapped: INT_MIN / -1 =
// INT_MIN), so the conversion to a 32-bit integer never overflows.
template <bool Unsigned>
inline double exact_double(uint32_t x) {
  if (Unsigned) return static_cast<double>(static_cast<int32_t>(x ^ 0x80000000u)) + 2147483648.0;
  return static_cast<double>(static_cast<int32_t>(x));
}
template <bool Unsigned>
inline uint32_t quotient32(uint32_t n, uint32_t d) {
  const uint32_t nonzero = d == 0 ? 0u : ~0u;
  const double q = exact_double<Unsigned>(n) / exact_double<Unsigned>(d | (nonzero + 1));
  const uint32_t r =
      static_cast<uint32_t>(static_cast<int32_t>(q < 2147483647.0 ? q : 2147483647.0));
  const uint32_t unit = Unsigned ? 1u : 0xFFFFFFFFu;
  return (d == unit ? (Unsigned ? n : 0u - n) : r) & nonzero;
}
template <bool Unsigned, typename T>
inline T quotient(T n, T d) {
  if constexpr (sizeof(T) == 4) return quotient32<Unsigned>(n, d);
  if (d == 0) return 0;
  if (Unsigned) return static_cast<T>(n / d);
  // At the element's own width (a 32-bit division for S elements).
  using S = std::make_signed_t<T>;
  if (static_cast<S>(d) == -1) return static_cast<T>(T{0} - n);
  return static_cast<T>(static_cast<S>(n) / static_cast<S>(d));
}
template <bool Unsigned>
struct DivOp {
  template <typename T>
  T operator()(T a, T b) const {
    return quotient<Unsigned>(a, b);
  }
};
template <bool Unsigned>
using DivROp = Reversed<DivOp<Unsigned>>;

struct AbsOp {
  template <typename T>
  T operator()(T a) const {
    return narrow<T>(AbsInt(sx(a)));
  }
};
struct NegOp {
  template <typename T>
  T operator()(T a) const {
    return static_cast<T>(uint64_t{0} - a);
  }
};
struct CopyOp {
  template <typename T>
  T operator()(T a) const {
    return a;
  }
};

// Multiply-accumulate: acc + x * y and acc - x * y, wrapping.
struct MlaOp {
  template <typename T>
  T operator()(T acc, T x, T y) const {
    return static_cast<T>(uint64_t{acc} + uint64_t{x} * y);
  }
};
struct MlsOp {
  template <typename T>
  T operator()(T acc, T x, T y) const {
    return static_cast<T>(uint64_t{acc} - uint64_t{x} * y);
  }
};

// ----- Saturating arithmetic ----------------------------------------------
// Width-native: an overflow of the element's own type picks the bound.

template <typename T>
constexpr T kSignedMax = static_cast<T>(~T{0} >> 1);
template <typename T>
constexpr T kSignedMin = static_cast<T>(kSignedMax<T> + T{1});

// Elements narrower than 64 bits are added or subtracted exactly in the
// next type that holds every sum (32 bits for bytes and halfwords, 64 for
// words) and clamped; doublewords detect the overflow of their own type.
template <typename T>
using NarrowSum = std::conditional_t<sizeof(T) <= 2, int32_t, int64_t>;
template <typename T, bool Unsigned>
constexpr T clamp_narrow(NarrowSum<T> v) {
  using C = std::conditional_t<Unsigned, T, std::make_signed_t<T>>;
  constexpr NarrowSum<T> kLo = std::numeric_limits<C>::min(), kHi = std::numeric_limits<C>::max();
  return static_cast<T>(v < kLo ? kLo : v > kHi ? kHi : v);
}
template <bool Unsigned, typename T>
constexpr NarrowSum<T> as_sum(T v) {
  using C = std::conditional_t<Unsigned, T, std::make_signed_t<T>>;
  return static_cast<NarrowSum<T>>(static_cast<C>(v));
}
template <bool Unsigned>
struct QAddOp {
  template <typename T>
  T operator()(T a, T b) const {
    if (sizeof(T) < 8) return clamp_narrow<T, Unsigned>(as_sum<Unsigned>(a) + as_sum<Unsigned>(b));
    using S = std::make_signed_t<T>;
    if (Unsigned) {
      T r = static_cast<T>(a + b);
      return r < a ? static_cast<T>(~T{0}) : r;
    }
    S r;
    if (__builtin_add_overflow(static_cast<S>(a), static_cast<S>(b), &r))
      return static_cast<S>(a) < 0 ? kSignedMin<T> : kSignedMax<T>;
    return static_cast<T>(r);
  }
};
template <bool Unsigned>
struct QSubOp {
  template <typename T>
  T operator()(T a, T b) const {
    if (sizeof(T) < 8) return clamp_narrow<T, Unsigned>(as_sum<Unsigned>(a) - as_sum<Unsigned>(b));
    using S = std::make_signed_t<T>;
    if (Unsigned) return a < b ? T{0} : static_cast<T>(a - b);
    S r;
    if (__builtin_sub_overflow(static_cast<S>(a), static_cast<S>(b), &r))
      return static_cast<S>(a) < 0 ? kSignedMin<T> : kSignedMax<T>;
    return static_cast<T>(r);
  }
};
// The immediate forms add or subtract the unsigned immediate (up to 65280
// from the handlers, below 2^32 from the library functions) as it is,
// without first truncating it to the element width: in 64 bits, then
// clamped to the element's range.
template <typename T>
constexpr T clamp_signed(int64_t v) {
  using S = std::make_signed_t<T>;
  constexpr int64_t kLo = std::numeric_limits<S>::min(), kHi = std::numeric_limits<S>::max();
  return static_cast<T>(v < kLo ? kLo : v > kHi ? kHi : v);
}
template <bool Unsigned>
struct QAddImmOp {
  template <typename T>
  T operator()(T a, uint64_t imm) const {
    using S = std::make_signed_t<T>;
    if (Unsigned) {
      uint64_t r;
      bool over = __builtin_add_overflow(uint64_t{a}, imm, &r);
      return over || r > std::numeric_limits<T>::max() ? static_cast<T>(~T{0}) : static_cast<T>(r);
    }
    int64_t r;
    if (imm > uint64_t{INT64_MAX} ||
        __builtin_add_overflow(int64_t{static_cast<S>(a)}, static_cast<int64_t>(imm), &r))
      return kSignedMax<T>;
    return clamp_signed<T>(r);
  }
};
template <bool Unsigned>
struct QSubImmOp {
  template <typename T>
  T operator()(T a, uint64_t imm) const {
    using S = std::make_signed_t<T>;
    if (Unsigned) return uint64_t{a} < imm ? T{0} : static_cast<T>(uint64_t{a} - imm);
    int64_t r;
    if (imm > uint64_t{INT64_MAX} ||
        __builtin_sub_overflow(int64_t{static_cast<S>(a)}, static_cast<int64_t>(imm), &r))
      return kSignedMin<T>;
    return clamp_signed<T>(r);
  }
};

// ----- Shifts -------------------------------------------------------------
// Amounts are unsigned 64-bit values; amounts of the element width or more
// give 0 (logical) or the sign fill (arithmetic).

struct LslOp {
  template <typename T>
  T operator()(T a, uint64_t amount) const {
    return amount >= uint64_t(kElemBits<T>) ? T{0} : static_cast<T>(uint64_t{a} << amount);
  }
};
struct LsrOp {
  template <typename T>
  T operator()(T a, uint64_t amount) const {
    return amount >= uint64_t(kElemBits<T>) ? T{0} : static_cast<T>(uint64_t{a} >> amount);
  }
};
// Amounts of the width or more shift by width - 1: all copies of the sign.
struct AsrOp {
  template <typename T>
  T operator()(T a, uint64_t amount) const {
    const unsigned n = amount >= uint64_t(kElemBits<T>) ? kElemBits<T> - 1 : unsigned(amount);
    const int64_t v = static_cast<int64_t>(sx(a));
    return static_cast<T>(static_cast<uint64_t>(v < 0 ? ~(~v >> n) : v >> n));
  }
};
using LslROp = Reversed<LslOp>;
using LsrROp = Reversed<LsrOp>;
using AsrROp = Reversed<AsrOp>;
// Signed division by 2^sh rounding toward zero.
struct AsrdOp {
  template <typename T>
  T operator()(T a, uint64_t sh) const {
    int128 x = sx(a);
    if (x < 0) x += ShiftLeftInt(1, static_cast<int128>(sh)) - 1;
    return narrow<T>(ShiftRightInt(x, sh));
  }
};

// ----- Shift amounts of the immediate forms -------------------------------
// tsz_imm3 is the 7-bit tsz:imm3 value; e is the element width in bits.
// The results wrap for fields that do not belong to the element size, which
// the shifts above then treat as out-of-range amounts.
constexpr unsigned left_shift_amount(unsigned tsz_imm3, unsigned e) { return tsz_imm3 - e; }
constexpr unsigned right_shift_amount(unsigned tsz_imm3, unsigned e) { return 2 * e - tsz_imm3; }

// ----- Bitmask immediates -------------------------------------------------
// Decodes N:immr:imms into the replicated 64-bit pattern. Returns false for
// the reserved encodings: no set bit in N:NOT(imms), an element of one bit,
// or an element of all ones.
constexpr bool decode_logical_imm(unsigned n, unsigned immr, unsigned imms, uint64_t* pattern) {
  unsigned combined = ((n & 1) << 6) | (~imms & 0x3F);
  unsigned len = 0;
  for (unsigned b = combined; b > 1; b >>= 1) ++len;
  if (len == 0) return false;  // no set bit, or a one-bit element
  unsigned e = 1u << len;      // 2 .. 64
  unsigned levels = e - 1;
  unsigned set = imms & levels, rotate = immr & levels;
  if (set == levels) return false;
  uint64_t field_mask = ones(static_cast<int>(e));
  uint64_t elem_bits = ones(static_cast<int>(set + 1));
  if (rotate != 0) elem_bits = ((elem_bits >> rotate) | (elem_bits << (e - rotate))) & field_mask;
  for (unsigned width = e; width < 64; width *= 2) elem_bits |= elem_bits << width;
  *pattern = elem_bits;
  return true;
}

}  // namespace qrx

#endif  // QRX_LIBRARY_INT_OPS_H
