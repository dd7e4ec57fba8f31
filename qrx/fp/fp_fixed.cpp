// Fixed-point conversions. Every float source is brought to double-precision
// layout and converted by one 64-bit core; a narrower target then gets its
// own range check.
#include "qrx/fp/fp_fixed.h"

#include "qrx/fp/fp_core.h"

namespace {

constexpr int kExpMax = 1023 + 63;  // the largest exponent a 64-bit integer reaches

// Whether the 64-bit result r lies outside the range of width To.
template <typename To>
bool fp_out_of_range(uint64_t r, bool is_unsigned) {
  constexpr int w = fp_bits<To>;
  if constexpr (w == 64) {
    return false;
  } else {
    if (is_unsigned) return (r >> w) != 0;
    const int64_t v = static_cast<int64_t>(r);
    constexpr int64_t limit = int64_t(1) << (w - 1);
    return v < -limit || v > limit - 1;
  }
}

}  // namespace

uint64_t FPToFixed_64(int sign, int exp, uint64_t significand, bool is_unsigned,
                      FPRounding rounding, int* flags) {
  *flags = 0;
  if (exp > kExpMax) return fp_invalid_integer<uint64_t>(sign, is_unsigned, false, flags);
  const uint64_t m = significand << 11;
  const int shift = kExpMax - exp;
  uint64_t x = fp_shift_right(m, shift);
  const int err = fp_truncation_error(m, shift);
  if (fp_rounds_up(rounding, err, x & 1, sign)) ++x;
  const bool overflow = is_unsigned ? (sign && x != 0)
                                    : x > (uint64_t(1) << 63) - (sign ? 0 : 1);
  if (overflow) return fp_invalid_integer<uint64_t>(sign, is_unsigned, false, flags);
  *flags = err ? FP_FLAG_IXC : 0;
  return sign ? uint64_t(0) - x : x;
}

template <typename From, typename To>
To fplibFPToFixed(From value, int fbits, bool is_unsigned, FPRounding rounding, FPEnv& env) {
  using Fmt = fp_format<From>;
  const fp_unpacked<From> u = fp_unpack(value, env.mode, &env.flags);
  const bool nan = fp_is_nan(value);
  const int exp = u.exp + (1023 - Fmt::bias) + fbits;
  if (nan || fp_is_inf(value) || exp > kExpMax) {
    return fp_invalid_integer<To>(u.sign, is_unsigned, nan, &env.flags);
  }
  int core_flags = 0;
  const uint64_t significand = uint64_t(u.mnt) << (52 - Fmt::F);
  const uint64_t r = FPToFixed_64(u.sign, exp, significand, is_unsigned, rounding, &core_flags);
  if ((core_flags & FP_FLAG_IOC) || fp_out_of_range<To>(r, is_unsigned)) {
    return fp_invalid_integer<To>(u.sign, is_unsigned, false, &env.flags);
  }
  env.flags |= core_flags;
  return To(r);
}

template <typename T>
T fplibFixedToFP(uint64_t value, int fbits, bool is_unsigned, FPRounding rounding, FPEnv& env) {
  const int sign = !is_unsigned && (value >> 63);
  const uint64_t magnitude = sign ? uint64_t(0) - value : value;
  if (!magnitude) return 0;
  // The rounding goes in as rm; the mode word keeps only the control bits.
  const int core_mode = env.mode & (FP_MODE_FZ | FP_MODE_DN | FP_MODE_FZ16);
  return fp_round_exact<T>(sign, -fbits, magnitude, rounding, core_mode, &env.flags);
}

template uint16_t fplibFPToFixed<uint16_t, uint16_t>(uint16_t, int, bool, FPRounding, FPEnv&);
template uint32_t fplibFPToFixed<uint16_t, uint32_t>(uint16_t, int, bool, FPRounding, FPEnv&);
template uint32_t fplibFPToFixed<uint32_t, uint32_t>(uint32_t, int, bool, FPRounding, FPEnv&);
template uint32_t fplibFPToFixed<uint64_t, uint32_t>(uint64_t, int, bool, FPRounding, FPEnv&);
template uint64_t fplibFPToFixed<uint16_t, uint64_t>(uint16_t, int, bool, FPRounding, FPEnv&);
template uint64_t fplibFPToFixed<uint32_t, uint64_t>(uint32_t, int, bool, FPRounding, FPEnv&);
template uint64_t fplibFPToFixed<uint64_t, uint64_t>(uint64_t, int, bool, FPRounding, FPEnv&);
template uint16_t fplibFixedToFP<uint16_t>(uint64_t, int, bool, FPRounding, FPEnv&);
template uint32_t fplibFixedToFP<uint32_t>(uint64_t, int, bool, FPRounding, FPEnv&);
template uint64_t fplibFixedToFP<uint64_t>(uint64_t, int, bool, FPRounding, FPEnv&);
