// Element operations of the floating-point arithmetic family: arithmetic,
// minimum and maximum, multiply-add, and the compares. Each is a function
// object over raw bit patterns (uint16_t half, uint32_t single, uint64_t
// double) taking the environment last:
//   - FPEnv& on the library path (the bit-exact library, flags added to it);
//   - HostFpScope& on the host path (single and double only, qrx/library/
//     fp_host.h), for the operations that have a host form.
// One object thus serves the generated library functions and handlers and the
// host-path semantic routines alike.
#ifndef QRX_LIBRARY_FPARITH_OPS_H
#define QRX_LIBRARY_FPARITH_OPS_H

#include <cstdint>
#include <type_traits>

#include "qrx/fp/fp.h"
#include "qrx/library/fp_fast.h"
#include "qrx/library/fp_host.h"

namespace qrx {

// The host path's environment, as the operations below name it.
using HostEnv = HostFpScope;

// The operations are a table, one line per environment.
// clang-format off

// ----- Binary: zdn op zm ------------------------------------------------------

struct FAddOp {
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPAdd(a, b, e); }
  template <typename T> T operator()(T a, T b, HostEnv& h) const { return HostFp<T>::add(a, b, h); }
};
struct FSubOp {
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPSub(a, b, e); }
  template <typename T> T operator()(T a, T b, HostEnv& h) const { return HostFp<T>::sub(a, b, h); }
};
struct FMulOp {
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPMul(a, b, e); }
  template <typename T> T operator()(T a, T b, HostEnv& h) const { return HostFp<T>::mul(a, b, h); }
};
struct FDivOp {
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPDiv(a, b, e); }
  template <typename T> T operator()(T a, T b, HostEnv& h) const { return HostFp<T>::div(a, b, h); }
};
struct FMaxOp {
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPMax(a, b, e); }
  template <typename T> T operator()(T a, T b, HostEnv& h) const { return HostFp<T>::max(a, b, h); }
};
struct FMaxNumOp {
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPMaxNum(a, b, e); }
  template <typename T> T operator()(T a, T b, HostEnv& h) const { return HostFp<T>::maxnm(a, b, h); }
};
struct FMinNumOp {
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPMinNum(a, b, e); }
  template <typename T> T operator()(T a, T b, HostEnv& h) const { return HostFp<T>::minnm(a, b, h); }
};
struct FMinOp {
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPMin(a, b, e); }
};
// |a - b|: the difference with its sign bit cleared, also of a NaN.
struct FAbdOp {
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPAbs(FPSub(a, b, e)); }
};
struct FMulXOp {
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPMulX(a, b, e); }
};
// a x 2^b, b the element as a signed integer.
struct FScaleOp {
  uint16_t operator()(uint16_t a, uint16_t b, FPEnv& e) const { return FPScale16(a, int16_t(b), e); }
  uint32_t operator()(uint32_t a, uint32_t b, FPEnv& e) const { return FPScale32(a, int32_t(b), e); }
  uint64_t operator()(uint64_t a, uint64_t b, FPEnv& e) const { return FPScale64(a, int64_t(b), e); }
};
// The operands swapped (FSUBR, FDIVR; FCMLE and FCMLT against zero).
template <typename Op>
struct FReversed {
  template <typename T, typename Env> auto operator()(T a, T b, Env& e) const { return Op{}(b, a, e); }
};

// ----- Sign-bit operations: no NaN processing, no flag -------------------------

struct FAbsBits {
  template <typename T> T operator()(T a) const { return FPAbs(a); }
};
struct FNegBits {
  template <typename T> T operator()(T a) const { return FPNeg(a); }
};

// ----- Multiply-add: acc + n x m with one rounding ---------------------------
// The negations are sign flips of the operands (FPNeg, also of a NaN).

struct FMlaOp {
  template <typename T> T operator()(T acc, T n, T m, FPEnv& e) const { return FPMulAdd(acc, n, m, e); }
};
struct FMlsOp {
  template <typename T> T operator()(T acc, T n, T m, FPEnv& e) const {
    return FPMulAdd(acc, FPNeg(n), m, e);
  }
};
struct FNmlaOp {
  template <typename T> T operator()(T acc, T n, T m, FPEnv& e) const {
    return FPMulAdd(FPNeg(acc), FPNeg(n), m, e);
  }
  template <typename T> T operator()(T acc, T n, T m, HostEnv& h) const {
    return HostFp<T>::nmadd(acc, n, m, h);
  }
};
struct FNmlsOp {
  template <typename T> T operator()(T acc, T n, T m, FPEnv& e) const {
    return FPMulAdd(FPNeg(acc), n, m, e);
  }
};

// ----- Compares: a condition b ------------------------------------------------
// EQ, NE and UN are quiet (IOC only for a signalling NaN); GE and GT signal on
// every NaN. The absolute compares are GE and GT of the operands with their
// sign bits cleared.

struct FCmpEqOp {
  template <typename T> bool operator()(T a, T b, FPEnv& e) const { return FPCompareEQ(a, b, e); }
  template <typename T> bool operator()(T a, T b, HostEnv& h) const { return HostFp<T>::cmp_eq(a, b, h); }
};
struct FCmpNeOp {
  template <typename T, typename Env> bool operator()(T a, T b, Env& e) const { return !FCmpEqOp{}(a, b, e); }
};
struct FCmpGeOp {
  template <typename T> bool operator()(T a, T b, FPEnv& e) const { return FPCompareGE(a, b, e); }
  template <typename T> bool operator()(T a, T b, HostEnv& h) const { return HostFp<T>::cmp_ge(a, b, h); }
};
struct FCmpGtOp {
  template <typename T> bool operator()(T a, T b, FPEnv& e) const { return FPCompareGT(a, b, e); }
  template <typename T> bool operator()(T a, T b, HostEnv& h) const { return HostFp<T>::cmp_gt(a, b, h); }
};
struct FCmpUnOp {
  template <typename T> bool operator()(T a, T b, FPEnv& e) const { return FPCompareUN(a, b, e); }
  template <typename T> bool operator()(T a, T b, HostEnv& h) const { return HostFp<T>::cmp_un(a, b, h); }
};
template <typename Op>
struct FAbsolute {
  template <typename T> bool operator()(T a, T b, FPEnv& e) const { return Op{}(FPAbs(a), FPAbs(b), e); }
};
using FCmpLeOp = FReversed<FCmpGeOp>;
using FCmpLtOp = FReversed<FCmpGtOp>;
using FAcGeOp = FAbsolute<FCmpGeOp>;
using FAcGtOp = FAbsolute<FCmpGtOp>;

// ----- Fast forms (fp_fast.h): the host operation of each, on the operands
// the library routine receives.

template <> inline constexpr FpFastForm kFpFast<FAddOp>{FpHostOp::Add};
template <> inline constexpr FpFastForm kFpFast<FSubOp>{FpHostOp::Add, false, false, true};
template <> inline constexpr FpFastForm kFpFast<FMulOp>{FpHostOp::Mul};
template <> inline constexpr FpFastForm kFpFast<FDivOp>{FpHostOp::Div};
template <typename Op> inline constexpr FpFastForm kFpFast<FReversed<Op>> = fp_fast_swapped(kFpFast<Op>);
template <> inline constexpr FpFastForm kFpFast<FMlaOp>{FpHostOp::MulAdd};
template <> inline constexpr FpFastForm kFpFast<FMlsOp>{FpHostOp::MulAdd, false, false, true};
template <> inline constexpr FpFastForm kFpFast<FNmlaOp>{FpHostOp::MulAdd, false, true, true};
template <> inline constexpr FpFastForm kFpFast<FNmlsOp>{FpHostOp::MulAdd, false, true, false};

// clang-format on

// ----- Immediates ---------------------------------------------------------------
// The two constants an immediate form chooses between by its one-bit field,
// as single-precision patterns.

struct FImmHalfOne {  // FADD, FSUB, FSUBR: 0.5 or 1.0
  static constexpr uint32_t kSingle[2] = {0x3F000000, 0x3F800000};
};
struct FImmHalfTwo {  // FMUL: 0.5 or 2.0
  static constexpr uint32_t kSingle[2] = {0x3F000000, 0x40000000};
};
struct FImmZeroOne {  // FMAX, FMIN, FMAXNM, FMINNM: 0.0 or 1.0
  static constexpr uint32_t kSingle[2] = {0x00000000, 0x3F800000};
};

// The constant in the element's width: single as it is, half and double
// converted with round-toward-zero (exact for every constant: no flag).
template <typename T, typename Pair>
inline T fp_imm_constant(uint32_t sel, const FPEnv& control) {
  const uint32_t single = Pair::kSingle[sel & 1];
  if constexpr (sizeof(T) == 4) {
    return single;
  } else {
    FPEnv env = control;
    return FPConvert<uint32_t, T>(single, FPRounding::Zero, env);
  }
}

}  // namespace qrx

#endif  // QRX_LIBRARY_FPARITH_OPS_H
