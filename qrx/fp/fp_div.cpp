// Division: both significands are normalised, the dividend is placed at the
// top of the double-width word, and the integer quotient carries at least
// three bits beyond the result precision plus a sticky bit for a non-zero
// remainder.
#include "qrx/fp/fp_div.h"

#include "qrx/fp/fp_core.h"

namespace {

template <typename T>
T fp_div(T a, T b, int mode, int* flags) {
  using Fmt = fp_format<T>;
  using Wd = typename Fmt::wide;
  const fp_binary_operands<T> ops = fp_unpack_binary(a, b, mode, flags);
  if (ops.nan) return ops.nan;
  const fp_unpacked<T>& ua = ops.a, &ub = ops.b;

  const int sign = ua.sign ^ ub.sign;
  const bool inf_a = fp_is_inf(a), inf_b = fp_is_inf(b);
  if ((inf_a && inf_b) || (!ua.mnt && !ub.mnt)) return fp_invalid<T>(flags);
  if (inf_a) return fp_infinity<T>(sign);
  if (!ub.mnt) {
    *flags |= FP_FLAG_DZC;
    return fp_infinity<T>(sign);
  }
  if (!ua.mnt || inf_b) return fp_zero<T>(sign);

  // Dividend below bit 2W-1, divisor normalised to bit 2W-1-shift.
  constexpr int shift = 2 * Fmt::W - Fmt::F - 2;
  int ea = 0, eb = 0;
  const Wd dividend = fp_normalise(Wd(ua.mnt), &ea) >> 1;
  const Wd divisor = fp_normalise(Wd(ub.mnt), &eb) >> shift;
  Wd quotient = dividend / divisor;
  quotient |= Wd(quotient * divisor != dividend);
  // dividend = ma x 2^(-ea - 1) and divisor = mb x 2^(-eb - shift).
  const int e2 = (ua.exp + ea + 1) - (ub.exp + eb + shift);
  return fp_round_exact<T>(sign, e2, quotient, fp_mode_rounding(mode), mode, flags);
}

}  // namespace

template <typename T>
T FPDiv(T a, T b, FPEnv& env) {
  return fp_div(a, b, env.mode, &env.flags);
}

QRX_FP_BINARY_INSTANCES(FPDiv)
