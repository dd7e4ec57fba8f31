// Conversions between widths. A half-precision source is never flushed
// (FZ16 does not apply to it), and a half-precision result is never flushed
// either; single and double sources and single results follow FZ. With AHP
// set, half precision has no infinities or NaNs: its top exponent is an
// ordinary one.
#include "qrx/fp/fp_convert.h"

#include "qrx/fp/fp_core.h"

namespace {

template <typename From, typename To>
To fp_convert(From x, FPRounding rounding, int mode, int* flags) {
  constexpr bool to_half = sizeof(To) == 2, from_half = sizeof(From) == 2;
  const bool ahp = (mode & FP_MODE_AHP) != 0;
  const fp_unpacked<From> u = fp_unpack(x, from_half ? mode & ~FP_MODE_FZ16 : mode, flags);
  const bool special = fp_exp_field(x) == fp_format<From>::exp_max && !(from_half && ahp);
  if (special && fp_is_nan(x)) {
    return to_half && ahp ? To(fp_ahp_from_nan(u.sign, flags)) : fp_convert_nan<To>(x, mode, flags);
  }
  if (special) return to_half && ahp ? To(fp_ahp_saturate(u.sign, flags)) : fp_infinity<To>(u.sign);
  if (!u.mnt) return fp_zero<To>(u.sign);
  // A half result is never flushed; AHP only ever applies to a half result.
  const int core_mode = to_half ? mode & ~FP_MODE_FZ16 : mode;
  return fp_round_unpacked_as<To>(u, 0, rounding, core_mode, flags);
}

}  // namespace

template <typename From, typename To>
To FPConvert(From value, FPRounding rounding, FPEnv& env) {
  return fp_convert<From, To>(value, rounding, env.mode | (env.ahp ? FP_MODE_AHP : 0), &env.flags);
}

template uint16_t FPConvert<uint32_t, uint16_t>(uint32_t, FPRounding, FPEnv&);
template uint16_t FPConvert<uint64_t, uint16_t>(uint64_t, FPRounding, FPEnv&);
template uint32_t FPConvert<uint16_t, uint32_t>(uint16_t, FPRounding, FPEnv&);
template uint32_t FPConvert<uint64_t, uint32_t>(uint64_t, FPRounding, FPEnv&);
template uint64_t FPConvert<uint16_t, uint64_t>(uint16_t, FPRounding, FPEnv&);
template uint64_t FPConvert<uint32_t, uint64_t>(uint32_t, FPRounding, FPEnv&);
