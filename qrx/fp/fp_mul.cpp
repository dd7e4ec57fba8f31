// Multiplication: the exact product of the two significands fits the
// double-width word and is rounded once.
#include "qrx/fp/fp_mul.h"

#include "qrx/fp/fp_core.h"

namespace {

template <typename T>
T fp_mul(T a, T b, bool extended, int mode, int* flags) {
  using Fmt = fp_format<T>;
  using Wd = typename Fmt::wide;
  const fp_binary_operands<T> ops = fp_unpack_binary(a, b, mode, flags);
  if (ops.nan) return ops.nan;
  const fp_unpacked<T>& ua = ops.a, &ub = ops.b;

  const int sign = ua.sign ^ ub.sign;
  const bool inf_a = fp_is_inf(a), inf_b = fp_is_inf(b);
  if ((inf_a && !ub.mnt) || (inf_b && !ua.mnt)) {
    return extended ? fp_pack_normal<T>(sign, 1, 0) : fp_invalid<T>(flags);
  }
  if (inf_a || inf_b) return fp_infinity<T>(sign);
  if (!ua.mnt || !ub.mnt) return fp_zero<T>(sign);

  const Wd product = Wd(ua.mnt) * Wd(ub.mnt);
  const int e2 = ua.exp + ub.exp - 2 * (Fmt::bias + Fmt::F);
  return fp_round_exact<T>(sign, e2, product, fp_mode_rounding(mode), mode, flags);
}

}  // namespace

template <typename T>
T FPMul(T a, T b, FPEnv& env) {
  return fp_mul(a, b, false, env.mode, &env.flags);
}

template <typename T>
T FPMulX(T a, T b, FPEnv& env) {
  return fp_mul(a, b, true, env.mode, &env.flags);
}

QRX_FP_BINARY_INSTANCES(FPMul)
QRX_FP_BINARY_INSTANCES(FPMulX)
