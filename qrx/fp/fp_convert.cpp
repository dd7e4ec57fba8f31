// Conversions between widths. A half-precision source is never flushed
// (FZ16 does not apply to it), and a half-precision result is never flushed
// either; single and double sources and single results follow FZ. With AHP
// set, half precision has no infinities or NaNs: its top exponent is an
// ordinary one.
#include "qrx/fp/fp_convert.h"

#include "qrx/fp/fp_core.h"

namespace {

// The NaN of width To carrying x's sign and as much of its payload as fits.
template <typename To, typename From>
To fp_convert_nan(From x, int mode, int* flags) {
  constexpr int shift = fp_format<To>::F - fp_format<From>::F;
  if (fp_is_snan(x)) *flags |= FP_FLAG_IOC;
  if (mode & FP_MODE_DN) return fp_default_nan<To>;
  const From frac = From(x & fp_frac_mask<From>);
  To payload;
  if constexpr (shift >= 0) {
    payload = To(To(frac) << shift);
  } else {
    payload = To(To(frac >> -shift) & (fp_frac_mask<To> >> 1));
  }
  return To(fp_infinity<To>(fp_sign_of(x)) | fp_quiet_bit<To> | payload);
}

template <typename From, typename To>
To fp_convert(From x, FPRounding rounding, int mode, int* flags) {
  constexpr bool to_half = sizeof(To) == 2, from_half = sizeof(From) == 2;
  const bool ahp = (mode & FP_MODE_AHP) != 0;
  const fp_unpacked<From> u = fp_unpack(x, from_half ? mode & ~FP_MODE_FZ16 : mode, flags);
  const bool special = fp_exp_field(x) == fp_format<From>::exp_max && !(from_half && ahp);
  if (special && fp_is_nan(x)) {
    if (to_half && ahp) {
      *flags |= FP_FLAG_IOC;
      return fp_zero<To>(u.sign);
    }
    return fp_convert_nan<To>(x, mode, flags);
  }
  if (special) {
    if (to_half && ahp) {
      *flags |= FP_FLAG_IOC;
      return To(fp_zero<To>(u.sign) | 0x7FFF);
    }
    return fp_infinity<To>(u.sign);
  }
  if (!u.mnt) return fp_zero<To>(u.sign);
  // A half result is never flushed; AHP only ever applies to a half result.
  const int core_mode = to_half ? mode & ~FP_MODE_FZ16 : mode;
  return fp_round_unpacked_as<To>(u, 0, rounding, core_mode, flags);
}

}  // namespace

template <typename From, typename To>
To FPConvert(From value, FPRounding rounding, FPSCR& fpscr) {
  const bool ahp = (fpscr.value & FPSCR::AHP) != 0;
  return fp_run(fpscr, [=](int mode, int* flags) {
    return fp_convert<From, To>(value, rounding, mode | (ahp ? FP_MODE_AHP : 0), flags);
  });
}

template uint16_t FPConvert<uint32_t, uint16_t>(uint32_t, FPRounding, FPSCR&);
template uint16_t FPConvert<uint64_t, uint16_t>(uint64_t, FPRounding, FPSCR&);
template uint32_t FPConvert<uint16_t, uint32_t>(uint16_t, FPRounding, FPSCR&);
template uint32_t FPConvert<uint64_t, uint32_t>(uint64_t, FPRounding, FPSCR&);
template uint64_t FPConvert<uint16_t, uint64_t>(uint16_t, FPRounding, FPSCR&);
template uint64_t FPConvert<uint32_t, uint64_t>(uint32_t, FPRounding, FPSCR&);
