// Element operations of the floating-point conversions, round to integral,
// square root, estimates and steps, and the trigonometric and exponential
// helpers. Like those of fparith_ops.h, each is a function object over raw
// bit patterns taking the environment last: FPEnv& on the library path,
// HostFpScope& on the host path for the operations that have a host form.
//
// T is the element's storage type, the wider of a conversion's two widths:
// the narrower source is read from the low bits of each element and a
// narrower result fills the low bits with the rest cleared (a 32-bit signed
// integer from a double is sign-extended into its 64-bit element instead).
#ifndef QRX_LIBRARY_FPCONV_OPS_H
#define QRX_LIBRARY_FPCONV_OPS_H

#include <cstdint>
#include <type_traits>

#include "qrx/fp/fp.h"
#include "qrx/library/fp_fast.h"
#include "qrx/library/fp_host.h"

namespace qrx {

// The rounding direction of the control word (RMode).
inline FPRounding control_rounding(const FPEnv& env) { return fp_mode_rounding(env.mode); }

// ----- Conversions -----------------------------------------------------------

// FCVT: between the floating-point widths, rounded by RMode.
template <typename From, typename To>
struct FCvtOp {
  template <typename T> T operator()(T x, FPEnv& e) const {
    return T(FPConvert<From, To>(From(x), control_rounding(e), e));
  }
};

// FCVTZS/FCVTZU: toward zero to an integer of To's width, saturating.
template <typename From, typename To, bool Unsigned>
struct FToIntOp {
  template <typename T> T operator()(T x, FPEnv& e) const {
    const To r = fplibFPToFixed<From, To>(From(x), 0, Unsigned, FPRounding::Zero, e);
    if constexpr (Unsigned) return T(r);
    else return T(std::make_signed_t<T>(std::make_signed_t<To>(r)));
  }
};

template <typename F>
inline constexpr FpFastForm kFpFast<FToIntOp<F, F, false>>{FpHostOp::ToInt};

// SCVTF/UCVTF: the integer type From (signed or not) to the floating-point
// width To, rounded by RMode.
template <typename From, typename To>
struct IntToFOp {
  template <typename T> T operator()(T x, FPEnv& e) const {
    using Wide = std::conditional_t<std::is_signed_v<From>, int64_t, uint64_t>;
    const uint64_t v = static_cast<uint64_t>(Wide{static_cast<From>(x)});
    return T(fplibFixedToFP<To>(v, 0, std::is_unsigned_v<From>, control_rounding(e), e));
  }
  template <typename T> T operator()(T x, HostFpScope& h) const {
    return T(HostFp<To>::from_int(static_cast<From>(x), h));
  }
};

// ----- Round to integral ----------------------------------------------------

// FRINTN/P/M/Z/A with a fixed direction; FRINTI and FRINTX by RMode, and
// only FRINTX raises IXC.
constexpr int kRoundByControl = -1;
template <int Rounding, bool Exact>
struct FRoundIntOp {
  template <typename T> T operator()(T x, FPEnv& e) const {
    return FPRoundInt(x, Rounding == kRoundByControl ? control_rounding(e) : FPRounding(Rounding),
                      Exact, e);
  }
  template <typename T> T operator()(T x, HostFpScope& h) const {
    static_assert(Rounding == int(FPRounding::TieAway) && !Exact, "the host path has FRINTA only");
    return HostFp<T>::rinta(x, h);
  }
};
using FRIntNOp = FRoundIntOp<int(FPRounding::TieEven), false>;
using FRIntPOp = FRoundIntOp<int(FPRounding::PosInf), false>;
using FRIntMOp = FRoundIntOp<int(FPRounding::NegInf), false>;
using FRIntZOp = FRoundIntOp<int(FPRounding::Zero), false>;
using FRIntAOp = FRoundIntOp<int(FPRounding::TieAway), false>;
using FRIntIOp = FRoundIntOp<kRoundByControl, false>;
using FRIntXOp = FRoundIntOp<kRoundByControl, true>;

// ----- Square root, estimates and steps --------------------------------------

struct FSqrtOp {
  template <typename T> T operator()(T x, FPEnv& e) const { return FPSqrt(x, e); }
  template <typename T> T operator()(T x, HostFpScope& h) const { return HostFp<T>::sqrt(x, h); }
};
template <> inline constexpr FpFastForm kFpFast<FSqrtOp>{FpHostOp::Sqrt};
struct FRecpXOp {
  template <typename T> T operator()(T x, FPEnv& e) const { return FPRecpX(x, e); }
};
struct FRecpEOp {
  template <typename T> T operator()(T x, FPEnv& e) const { return FPRecipEstimate(x, e); }
  template <typename T> T operator()(T x, HostFpScope& h) const { return HostFp<T>::recpe(x, h); }
};
struct FRSqrtEOp {
  template <typename T> T operator()(T x, FPEnv& e) const { return FPRSqrtEstimate(x, e); }
};
struct FRecpSOp {
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPRecipStepFused(a, b, e); }
  template <typename T> T operator()(T a, T b, HostFpScope& h) const { return HostFp<T>::recps(a, b, h); }
};
struct FRSqrtSOp {
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPRSqrtStepFused(a, b, e); }
};

// ----- Trigonometric and exponential helpers ---------------------------------

// FEXPA and FTSSEL read no control bit and raise nothing.
struct FExpAOp {
  template <typename T> T operator()(T x, FPEnv&) const { return FPEXPA(x); }
};
struct FTrigSMulOp {
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPTRISMUL(a, b, e); }
};
struct FTrigSSelOp {
  template <typename T> T operator()(T a, T b, FPEnv&) const { return FPTRISSEL(a, b); }
};
// FTMAD: coefficient[imm, or imm + 8 for a negative b] + a x |b|.
struct FTrigMAddOp {
  unsigned imm;
  template <typename T> T operator()(T a, T b, FPEnv& e) const { return FPTRIMADD(imm, a, b, e); }
};

// ----- Reduction identities --------------------------------------------------
// What inactive and padding lanes of a pairwise reduction hold: +0 for the
// sum, -Inf for the maximum, +Inf for the minimum, and the default NaN, which
// the number-preferring forms pass over.
enum class FIdentity { PlusZero, MinusInf, PlusInf, DefaultNaN };

template <typename T>
constexpr T fp_identity(FIdentity i) {
  return i == FIdentity::PlusZero   ? T(0)
         : i == FIdentity::MinusInf ? fp_infinity<T>(1)
         : i == FIdentity::PlusInf  ? fp_infinity<T>(0)
                                    : fp_default_nan<T>;
}

}  // namespace qrx

#endif  // QRX_LIBRARY_FPCONV_OPS_H
