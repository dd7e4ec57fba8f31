// Addition and subtraction: both significands are placed with two bits of
// headroom at the top of the double-width word, the smaller one is aligned
// with its lost bits folded into a sticky bit, and the exact sum is rounded
// once.
#include "qrx/fp/fp_add.h"

#include "qrx/fp/fp_core.h"

namespace {

template <typename T>
T fp_add(T a, T b, int negate_b, int mode, int* flags) {
  using Fmt = fp_format<T>;
  using Wd = typename Fmt::wide;
  fp_binary_operands<T> ops = fp_unpack_binary(a, b, mode, flags);
  if (ops.nan) return ops.nan;
  const fp_unpacked<T>& ua = ops.a;
  fp_unpacked<T>& ub = ops.b;
  ub.sign ^= negate_b;

  const bool inf_a = fp_is_inf(a), inf_b = fp_is_inf(b);
  if (inf_a && inf_b && ua.sign != ub.sign) return fp_invalid<T>(flags);
  if (inf_a) return fp_infinity<T>(ua.sign);
  if (inf_b) return fp_infinity<T>(ub.sign);
  if (!ua.mnt && !ub.mnt && ua.sign == ub.sign) return fp_zero<T>(ua.sign);

  constexpr int guard = 2 * Fmt::W - 3 - Fmt::F;
  // A significand shifted up by guard has units of 2^(exp + e2).
  constexpr int e2 = -Fmt::bias - Fmt::F - guard;
  return fp_round_sum<T>(ua.sign, ua.exp + e2, Wd(Wd(ua.mnt) << guard), ub.sign, ub.exp + e2,
                         Wd(Wd(ub.mnt) << guard), fp_mode_rounding(mode), mode, flags);
}

}  // namespace

template <typename T>
T FPAdd(T a, T b, FPEnv& env) {
  return fp_add(a, b, 0, env.mode, &env.flags);
}

template <typename T>
T FPSub(T a, T b, FPEnv& env) {
  return fp_add(a, b, 1, env.mode, &env.flags);
}

QRX_FP_BINARY_INSTANCES(FPAdd)
QRX_FP_BINARY_INSTANCES(FPSub)
