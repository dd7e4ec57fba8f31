// Step functions: a is negated first (a NaN in a comes out with its sign
// inverted), infinity x zero gives the exact step result, and everything else
// runs through the scaled fused core.
#include "qrx/fp/fp_step.h"

#include "qrx/fp/fp_add.h"
#include "qrx/fp/fp_core.h"
#include "qrx/fp/fp_muladd.h"

namespace {

// constant - a x b, scaled by 2^scale; inf_zero is the result of infinity x
// zero.
template <typename T>
T fp_step(T a, T b, T constant, int scale, T inf_zero, int mode, int* flags) {
  a = FPNeg(a);
  const fp_binary_operands<T> ops = fp_unpack_binary(a, b, mode, flags);
  if (ops.nan) return ops.nan;
  const fp_unpacked<T>& ua = ops.a, &ub = ops.b;
  const bool inf_a = fp_is_inf(a), inf_b = fp_is_inf(b);
  if ((inf_a && !ub.mnt) || (inf_b && !ua.mnt)) return inf_zero;
  if (inf_a || inf_b) return fp_infinity<T>(ua.sign ^ ub.sign);
  return fp_muladd_scaled(constant, a, b, scale, mode, flags);
}

}  // namespace

template <typename T>
T FPRecipStepFused(T a, T b, FPEnv& env) {
  const T two = fp_pack_normal<T>(0, 1, 0);
  return fp_step(a, b, two, 0, two, env.mode, &env.flags);
}

template <typename T>
T FPRSqrtStepFused(T a, T b, FPEnv& env) {
  const T three = fp_pack_normal<T>(0, 1, fp_quiet_bit<T>);
  const T one_and_half = fp_pack_normal<T>(0, 0, fp_quiet_bit<T>);
  return fp_step(a, b, three, -1, one_and_half, env.mode, &env.flags);
}

QRX_FP_BINARY_INSTANCES(FPRecipStepFused)
QRX_FP_BINARY_INSTANCES(FPRSqrtStepFused)
