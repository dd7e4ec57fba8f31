// Maximum and minimum. The larger of two values with the same sign is found
// by comparing their bit patterns as unsigned integers; +0 is larger than -0.
#include "qrx/fp/fp_minmax.h"

#include "qrx/fp/fp_core.h"

namespace {

template <typename T>
T fp_minmax(T a, T b, bool is_max, int mode, int* flags) {
  const fp_binary_operands<T> ops = fp_unpack_binary(a, b, mode, flags);
  if (ops.nan) return ops.nan;
  const fp_unpacked<T>& ua = ops.a, &ub = ops.b;

  bool choose_a;
  if (ua.sign != ub.sign) {
    choose_a = is_max ? bool(ub.sign) : bool(ua.sign);
  } else {
    choose_a = bool(ua.sign) != (is_max ? a > b : a < b);
  }
  const fp_unpacked<T>& u = choose_a ? ua : ub;
  // A flushed subnormal comes out as the zero of its sign.
  return u.mnt ? (choose_a ? a : b) : fp_zero<T>(u.sign);
}

// A lone quiet NaN gives way to the infinity that never wins.
template <typename T>
T fp_minmax_num(T a, T b, bool is_max, int mode, int* flags) {
  const T loser = fp_infinity<T>(is_max);
  const bool qa = fp_is_qnan(a), qb = fp_is_qnan(b);
  if (qa && !qb) a = loser;
  if (qb && !qa) b = loser;
  return fp_minmax(a, b, is_max, mode, flags);
}

}  // namespace

template <typename T>
T FPMax(T a, T b, FPEnv& env) {
  return fp_minmax(a, b, true, env.mode, &env.flags);
}

template <typename T>
T FPMin(T a, T b, FPEnv& env) {
  return fp_minmax(a, b, false, env.mode, &env.flags);
}

template <typename T>
T FPMaxNum(T a, T b, FPEnv& env) {
  return fp_minmax_num(a, b, true, env.mode, &env.flags);
}

template <typename T>
T FPMinNum(T a, T b, FPEnv& env) {
  return fp_minmax_num(a, b, false, env.mode, &env.flags);
}

QRX_FP_BINARY_INSTANCES(FPMax)
QRX_FP_BINARY_INSTANCES(FPMin)
QRX_FP_BINARY_INSTANCES(FPMaxNum)
QRX_FP_BINARY_INSTANCES(FPMinNum)
