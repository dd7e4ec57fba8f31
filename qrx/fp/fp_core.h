// The common core of the floating-point library: unpacking, the rounding rule
// and the rounding-and-packing core of each width, and the canonicalising
// entry points FPProcess16/32/64. The NaN and invalid-operation rules are in
// fp_specialize.h.
//
// Every value crosses these interfaces as a raw bit pattern in an unsigned
// integer of its width. Rounding and all of the overflow, underflow and
// inexact flags pass through fp_round_core, instantiated once per width.
#ifndef QRX_FP_FP_CORE_H
#define QRX_FP_FP_CORE_H

#include <cstdint>

#include "qrx/fp/fp_format.h"
#include "qrx/fp/fp_specialize.h"
#include "qrx/fp/fp_status.h"

// An operand split into its fields. exp is the biased exponent, 1 for zeros
// and subnormals; mnt carries the implicit bit at bit F for normal values and
// is zero for a subnormal flushed on input.
template <typename T>
struct fp_unpacked {
  int sign;
  int exp;
  T mnt;
};

template <typename T>
inline fp_unpacked<T> fp_unpack(T x, int mode, int* flags) {
  using Fmt = fp_format<T>;
  fp_unpacked<T> u{fp_sign_of(x), fp_exp_field(x), T(x & fp_frac_mask<T>)};
  if (u.exp) {
    u.mnt = T(u.mnt | T(T(1) << Fmt::F));
  } else {
    u.exp = 1;
    if ((mode & Fmt::flush_bit) && u.mnt) {
      u.mnt = 0;
      if (Fmt::flush_raises_idc) *flags |= FP_FLAG_IDC;
    }
  }
  return u;
}

// Shifts a non-zero significand (in a word of 32 bits or more) left until
// its top bit is set and takes the shift off the exponent.
template <typename U>
inline U fp_normalise(U mnt, int* exp) {
  static_assert(sizeof(U) >= 4, "normalise in a working word");
  const int shift = fp_clz(mnt);
  *exp -= shift;
  return U(mnt << shift);
}

// The common start of a two-operand operation: both operands unpacked (and
// flushed) first, then the NaN result, or 0 when neither is a NaN.
template <typename T>
struct fp_binary_operands {
  fp_unpacked<T> a, b;
  T nan;
};

template <typename T>
inline fp_binary_operands<T> fp_unpack_binary(T a, T b, int mode, int* flags) {
  fp_binary_operands<T> ops{fp_unpack(a, mode, flags), fp_unpack(b, mode, flags), 0};
  ops.nan = fp_process_nans(a, b, mode, flags);
  return ops;
}

// Whether a value truncated with err (0 exact, 1 below half, 2 exactly half,
// 3 above half of the next unit lost) and an odd or even truncated magnitude
// rounds up in magnitude under rounding. The one rounding rule: the rounding
// core, round to integral and the integer conversions all decide by it.
// Round to odd never rounds up; its callers set the lowest bit instead.
constexpr bool fp_rounds_up(FPRounding rounding, int err, bool odd, int sign) {
  switch (rounding) {
    case FPRounding::TieEven: return err == 3 || (err == 2 && odd);
    case FPRounding::TieAway: return err >= 2;
    case FPRounding::PosInf: return err != 0 && !sign;
    case FPRounding::NegInf: return err != 0 && sign;
    case FPRounding::Zero:
    case FPRounding::Odd: break;
  }
  return false;
}

// The result of an overflow under rounding: infinity when the rounding takes
// a value beyond the largest finite one away from zero, the largest normal
// value otherwise.
template <typename T>
inline T fp_overflow(int sign, FPRounding rounding, int* flags) {
  *flags |= FP_FLAG_OFC | FP_FLAG_IXC;
  return fp_rounds_up(rounding, 3, false, sign) ? fp_infinity<T>(sign) : fp_max_normal<T>(sign);
}

// Rounds and packs (-1)^sign x 1.mnt x 2^(exp - bias), where mnt holds the
// fraction bits left-aligned in the word with any further precision folded
// into its lowest bit. The rounding is rm (any direction); of the mode word
// only the flush bit and the alternative half format are read.
template <typename T>
inline T fp_round_core(int sign, int exp, T mnt, FPRounding rm, int mode, int* flags) {
  using Fmt = fp_format<T>;
  using U = typename Fmt::work;
  constexpr int W = Fmt::W, F = Fmt::F, E = Fmt::E;

  if ((mode & Fmt::flush_bit) && exp < 1) {
    *flags |= FP_FLAG_UFC;
    return fp_zero<T>(sign);
  }

  // Leading one, F fraction bits, a round bit and a sticky bit.
  const U m = (U(1) << (F + 2)) | (U(mnt) >> (E - 1)) | U(fp_low_bits_set(U(mnt), E));
  int biased;
  U int_mant;
  int error;
  if (exp > 0) {
    biased = exp;
    int_mant = m >> 2;
    error = int(m & 3);
  } else {
    biased = 0;
    int_mant = fp_shift_right(m, 3 - exp);
    error = 1 - exp >= W ? 1
                         : int((m >> (1 - exp)) & 3) | int(fp_low_bits_set(m, 1 - exp));
  }
  if (biased == 0 && error) *flags |= FP_FLAG_UFC;

  const bool round_up = fp_rounds_up(rm, error, int_mant & 1, sign);
  if (round_up) {
    ++int_mant;
    if (int_mant == (U(1) << F)) biased = 1;
    if (int_mant == (U(2) << F)) {
      ++biased;
      int_mant >>= 1;
    }
  }
  if (rm == FPRounding::Odd && error) int_mant |= 1;

  if (W == 16 && (mode & FP_MODE_AHP)) {
    if (biased > 31) return T(fp_ahp_saturate(sign, flags));
  } else if (biased >= Fmt::exp_max) {
    return fp_overflow<T>(sign, rm, flags);
  }
  if (error) *flags |= FP_FLAG_IXC;
  return T(fp_zero<T>(sign) | T(U(biased) << F) | T(int_mant & fp_frac_mask<T>));
}

inline uint16_t fp16_round_(int sign, int exp, uint16_t mnt, FPRounding rm, int mode,
                            int* flags) {
  return fp_round_core<uint16_t>(sign, exp, mnt, rm, mode, flags);
}
inline uint32_t fp32_round_(int sign, int exp, uint32_t mnt, FPRounding rm, int mode,
                            int* flags) {
  return fp_round_core<uint32_t>(sign, exp, mnt, rm, mode, flags);
}
inline uint64_t fp64_round_(int sign, int exp, uint64_t mnt, FPRounding rm, int mode,
                            int* flags) {
  return fp_round_core<uint64_t>(sign, exp, mnt, rm, mode, flags);
}

// Rounds the exact non-zero value (-1)^sign x x x 2^e2, held in any unsigned
// word U at least as wide as T: normalises x, cuts it to the width with
// everything below folded into the lowest bit, and hands it to the core.
template <typename T, typename U>
inline T fp_round_exact(int sign, int e2, U x, FPRounding rm, int mode, int* flags) {
  using Fmt = fp_format<T>;
  constexpr int UW = fp_bits<U>, W = Fmt::W;
  int exp = e2 + (UW - 1) + Fmt::bias;
  x = fp_normalise(x, &exp);
  // Drop the leading one: the next W bits are the fraction.
  const U rest = U(x << 1);
  const T mnt = T(T(rest >> (UW - W)) | T(fp_low_bits_set(rest, UW - W)));
  return fp_round_core<T>(sign, exp, mnt, rm, mode, flags);
}

// Rounds the exact sum of (-1)^sa x xa x 2^ea and (-1)^sb x xb x 2^eb, whose
// significands leave headroom for a carry at the top of the word U: the term
// with the smaller exponent is aligned to the other with its lost bits folded
// into the sticky bit, and the magnitudes are added or subtracted. An exact
// zero sum is +0, or -0 when rounding towards minus infinity.
template <typename T, typename U>
inline T fp_round_sum(int sa, int ea, U xa, int sb, int eb, U xb, FPRounding rm, int mode,
                      int* flags) {
  int exp = ea;
  if (ea >= eb) {
    xb = fp_shift_right_sticky(xb, ea - eb);
  } else {
    xa = fp_shift_right_sticky(xa, eb - ea);
    exp = eb;
  }
  int sign = sa;
  U sum;
  if (sa == sb) {
    sum = xa + xb;
  } else if (xa >= xb) {
    sum = xa - xb;
  } else {
    sum = xb - xa;
    sign = sb;
  }
  if (!sum) return fp_zero<T>(rm == FPRounding::NegInf);
  return fp_round_exact<T>(sign, exp, sum, rm, mode, flags);
}

// Rounds a non-zero value unpacked from width From into width To, scaled by
// 2^scale.
template <typename To, typename From>
inline To fp_round_unpacked_as(const fp_unpacked<From>& u, int scale, FPRounding rm, int mode,
                               int* flags) {
  using FromFmt = fp_format<From>;
  using FromWork = typename FromFmt::work;
  using U = std::conditional_t<(sizeof(FromWork) >= sizeof(To)), FromWork, To>;
  return fp_round_exact<To>(u.sign, u.exp - FromFmt::bias - FromFmt::F + scale, U(u.mnt), rm,
                            mode, flags);
}

template <typename T>
inline T fp_round_unpacked(const fp_unpacked<T>& u, int scale, FPRounding rm, int mode,
                           int* flags) {
  return fp_round_unpacked_as<T>(u, scale, rm, mode, flags);
}

// x x 2^scale with a single rounding: a NaN is processed, an infinity and a
// zero (a flushed subnormal included) are kept, and anything else is rounded
// by RMode.
template <typename T>
inline T fp_scale_value(T x, int scale, int mode, int* flags) {
  const fp_unpacked<T> u = fp_unpack(x, mode, flags);
  if (fp_is_nan(x)) return fp_process_nan(x, mode, flags);
  if (fp_is_inf(x)) return x;
  if (!u.mnt) return fp_zero<T>(u.sign);
  return fp_round_unpacked(u, scale, fp_mode_rounding(mode), mode, flags);
}

// The err code of truncating x by shift bits: the first lost bit doubled,
// plus one when any lower bit is set.
template <typename U>
inline int fp_truncation_error(U x, int shift) {
  if (shift <= 0) return 0;
  return int(fp_shift_right(x, shift - 1) & 1) * 2 | int(fp_low_bits_set(x, shift - 1));
}

// Instantiates the FPEnv form of a two-operand routine template T Name(T, T,
// FPEnv&) for the three widths.
#define QRX_FP_BINARY_INSTANCES(Name)                           \
  template uint16_t Name<uint16_t>(uint16_t, uint16_t, FPEnv&); \
  template uint32_t Name<uint32_t>(uint32_t, uint32_t, FPEnv&); \
  template uint64_t Name<uint64_t>(uint64_t, uint64_t, FPEnv&);

// Canonicalisation: NaN processing, input flushing and a pass through the
// rounding core, which leaves every representable value as it was.
uint16_t FPProcess16(uint16_t x, FPEnv& env);
uint32_t FPProcess32(uint32_t x, FPEnv& env);
uint64_t FPProcess64(uint64_t x, FPEnv& env);
inline uint16_t FPProcess16(uint16_t x, FPSCR& fpscr) {
  return fp_on_fpscr(fpscr, [x](FPEnv& env) { return FPProcess16(x, env); });
}
inline uint32_t FPProcess32(uint32_t x, FPSCR& fpscr) {
  return fp_on_fpscr(fpscr, [x](FPEnv& env) { return FPProcess32(x, env); });
}
inline uint64_t FPProcess64(uint64_t x, FPSCR& fpscr) {
  return fp_on_fpscr(fpscr, [x](FPEnv& env) { return FPProcess64(x, env); });
}

#endif  // QRX_FP_FP_CORE_H
