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

#include "qrx/library/int_helpers.h"
#include "qrx/state/cpu_state.h"

namespace qrx {

// ----- Element access and size dispatch -----------------------------------

template <typename T>
constexpr int kElemBits = 8 * static_cast<int>(sizeof(T));

template <typename T>
inline T elem(const uint8_t* v, unsigned i) {
  T x;
  std::memcpy(&x, v + i * sizeof(T), sizeof(T));
  return x;
}
template <typename T>
inline void set_elem(uint8_t* v, unsigned i, T x) {
  std::memcpy(v + i * sizeof(T), &x, sizeof(T));
}

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
constexpr int128 sx(T v) { return Int(v, kElemBits<T>, false); }
// Signed or unsigned value of an element.
template <bool Unsigned, typename T>
constexpr int128 wide(T v) { return Int(v, kElemBits<T>, Unsigned); }
// The low element-width bits of a 128-bit value.
template <typename T>
constexpr T narrow(int128 v) { return static_cast<T>(bits(v)); }

// ----- Element loops ------------------------------------------------------
// `active(i)` says whether element i is governed-active; `rhs(i)` yields the
// second operand of element i (a vector element, a wide 64-bit lane or an
// immediate). Sources are read before `out` is written element by element,
// so callers pass a separate output buffer.

// out[i] = active(i) ? op(a[i], rhs(i)) : a[i], for i < n.
template <typename T, typename Active, typename Rhs, typename Op>
inline void merge_binary(uint8_t* out, unsigned n, Active active, const uint8_t* a, Rhs rhs,
                         Op op) {
  for (unsigned i = 0; i < n; ++i) {
    T x = elem<T>(a, i);
    set_elem<T>(out, i, active(i) ? static_cast<T>(op(x, rhs(i))) : x);
  }
}

// out[i] = active(i) ? op(src[i]) : keep[i], for i < n.
template <typename T, typename Active, typename Op>
inline void merge_unary(uint8_t* out, unsigned n, Active active, const uint8_t* keep,
                        const uint8_t* src, Op op) {
  for (unsigned i = 0; i < n; ++i)
    set_elem<T>(out, i, active(i) ? static_cast<T>(op(elem<T>(src, i))) : elem<T>(keep, i));
}

// out[i] = active(i) ? op(x[i], y[i], z[i]) : keep[i], for i < n.
template <typename T, typename Active, typename Op>
inline void merge_ternary(uint8_t* out, unsigned n, Active active, const uint8_t* keep,
                          const uint8_t* x, const uint8_t* y, const uint8_t* z, Op op) {
  for (unsigned i = 0; i < n; ++i)
    set_elem<T>(out, i,
                active(i) ? static_cast<T>(op(elem<T>(x, i), elem<T>(y, i), elem<T>(z, i)))
                          : elem<T>(keep, i));
}

// Governing-predicate readers for the loops.
struct AllActive {
  bool operator()(unsigned) const { return true; }
};
// Element i of an unpacked register-file predicate.
template <typename T>
struct UnpackedActive {
  const uint8_t* pred;
  bool operator()(unsigned i) const { return pred_active(pred, i, sizeof(T)); }
};

// Second-operand readers.
template <typename T>
struct VecRhs {
  const uint8_t* v;
  T operator()(unsigned i) const { return elem<T>(v, i); }
};
// The 64-bit lane of v that overlaps element i (wide shifts).
template <typename T>
struct WideRhs {
  const uint8_t* v;
  uint64_t operator()(unsigned i) const { return elem<uint64_t>(v, i * sizeof(T) / 8); }
};
template <typename V>
struct ImmRhs {
  V imm;
  V operator()(unsigned) const { return imm; }
};

// ----- Arithmetic and logic -----------------------------------------------

struct AddOp {
  template <typename T> T operator()(T a, T b) const { return static_cast<T>(uint64_t{a} + b); }
};
struct SubOp {
  template <typename T> T operator()(T a, T b) const { return static_cast<T>(uint64_t{a} - b); }
};
// An operation with its operands swapped (SUBR, DIVR, the reversed shifts);
// an immediate second operand is taken at the element width.
template <typename Op>
struct Reversed {
  template <typename T, typename V> T operator()(T a, V b) const { return Op{}(static_cast<T>(b), a); }
};
using SubROp = Reversed<SubOp>;
struct MulOp {
  template <typename T> T operator()(T a, T b) const { return static_cast<T>(uint64_t{a} * b); }
};
struct AndOp {
  template <typename T> T operator()(T a, T b) const { return static_cast<T>(a & b); }
};
struct OrOp {
  template <typename T> T operator()(T a, T b) const { return static_cast<T>(a | b); }
};
struct XorOp {
  template <typename T> T operator()(T a, T b) const { return static_cast<T>(a ^ b); }
};
struct BicOp {
  template <typename T> T operator()(T a, T b) const { return static_cast<T>(a & ~b); }
};

// Larger / smaller element; the second operand may be a 64-bit immediate
// (sign-extended for the signed forms), compared by its low element bits.
template <bool Unsigned>
struct MaxOp {
  template <typename T, typename V> T operator()(T a, V b) const {
    return static_cast<T>(Max(a, uint64_t{b}, kElemBits<T>, Unsigned));
  }
};
template <bool Unsigned>
struct MinOp {
  template <typename T, typename V> T operator()(T a, V b) const {
    return static_cast<T>(Min(a, uint64_t{b}, kElemBits<T>, Unsigned));
  }
};

// |a - b| of the widened operands.
template <bool Unsigned>
struct AbdOp {
  template <typename T> T operator()(T a, T b) const {
    return narrow<T>(AbsInt(wide<Unsigned>(a) - wide<Unsigned>(b)));
  }
};

// Upper half of the full product. The unsigned doubleword product needs all
// 128 bits unsigned; the signed one stays within +-2^126.
template <bool Unsigned>
struct MulHOp {
  template <typename T> T operator()(T a, T b) const {
    if (Unsigned) return static_cast<T>((uint128{a} * b) >> kElemBits<T>);
    return narrow<T>(ShiftRightInt(MulInt(sx(a), sx(b)), kElemBits<T>));
  }
};

// Quotient truncated toward zero; a divisor of 0 gives 0 and, signed, a
// divisor of -1 gives the wrapped negation (the most negative value divided
// by -1 is itself).
template <bool Unsigned, typename T>
inline T quotient(T n, T d) {
  if (d == 0) return 0;
  if (Unsigned) return static_cast<T>(n / d);
  int64_t sd = static_cast<int64_t>(sx(d));
  if (sd == -1) return static_cast<T>(uint64_t{0} - n);
  return static_cast<T>(static_cast<uint64_t>(static_cast<int64_t>(sx(n)) / sd));
}
template <bool Unsigned>
struct DivOp {
  template <typename T> T operator()(T a, T b) const { return quotient<Unsigned>(a, b); }
};
template <bool Unsigned>
using DivROp = Reversed<DivOp<Unsigned>>;

struct AbsOp {
  template <typename T> T operator()(T a) const { return narrow<T>(AbsInt(sx(a))); }
};
struct NegOp {
  template <typename T> T operator()(T a) const { return static_cast<T>(uint64_t{0} - a); }
};
struct CopyOp {
  template <typename T> T operator()(T a) const { return a; }
};

// Multiply-accumulate: acc + x * y and acc - x * y, wrapping.
struct MlaOp {
  template <typename T> T operator()(T acc, T x, T y) const {
    return static_cast<T>(uint64_t{acc} + uint64_t{x} * y);
  }
};
struct MlsOp {
  template <typename T> T operator()(T acc, T x, T y) const {
    return static_cast<T>(uint64_t{acc} - uint64_t{x} * y);
  }
};

// ----- Saturating arithmetic ----------------------------------------------

template <bool Unsigned>
struct QAddOp {
  template <typename T> T operator()(T a, T b) const {
    return static_cast<T>(SatAdd(a, b, kElemBits<T>, Unsigned));
  }
};
template <bool Unsigned>
struct QSubOp {
  template <typename T> T operator()(T a, T b) const {
    return static_cast<T>(SatSub(a, b, kElemBits<T>, Unsigned));
  }
};
// The immediate forms add or subtract the unsigned immediate (up to 65280)
// as it is, without first truncating it to the element width.
template <bool Unsigned>
struct QAddImmOp {
  template <typename T> T operator()(T a, uint64_t imm) const {
    return static_cast<T>(SatQ(wide<Unsigned>(a) + UInt(imm, 64), kElemBits<T>, Unsigned).result);
  }
};
template <bool Unsigned>
struct QSubImmOp {
  template <typename T> T operator()(T a, uint64_t imm) const {
    return static_cast<T>(SatQ(wide<Unsigned>(a) - UInt(imm, 64), kElemBits<T>, Unsigned).result);
  }
};

// ----- Shifts -------------------------------------------------------------
// Amounts are unsigned 64-bit values; amounts of the element width or more
// give 0 (logical) or the sign fill (arithmetic).

struct LslOp {
  template <typename T> T operator()(T a, uint64_t amount) const {
    return amount >= uint64_t(kElemBits<T>) ? T{0} : static_cast<T>(uint64_t{a} << amount);
  }
};
struct LsrOp {
  template <typename T> T operator()(T a, uint64_t amount) const {
    return amount >= uint64_t(kElemBits<T>) ? T{0} : static_cast<T>(uint64_t{a} >> amount);
  }
};
// Amounts of the width or more shift by width - 1: all copies of the sign.
struct AsrOp {
  template <typename T> T operator()(T a, uint64_t amount) const {
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
  template <typename T> T operator()(T a, uint64_t sh) const {
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
  unsigned e = 1u << len;  // 2 .. 64
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
