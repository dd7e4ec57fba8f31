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
    if (extended) return fp_pack_normal<T>(sign, 1, 0);
    *flags |= FP_FLAG_IOC;
    return fp_default_nan<T>;
  }
  if (inf_a || inf_b) return fp_infinity<T>(sign);
  if (!ua.mnt || !ub.mnt) return fp_zero<T>(sign);

  const Wd product = Wd(ua.mnt) * Wd(ub.mnt);
  const int e2 = ua.exp + ub.exp - 2 * (Fmt::bias + Fmt::F);
  return fp_round_exact<T>(sign, e2, product, fp_mode_rounding(mode), mode, flags);
}

}  // namespace

template <typename T>
T FPMul(T a, T b, FPSCR& fpscr) {
  return fp_run(fpscr, [=](int mode, int* flags) { return fp_mul(a, b, false, mode, flags); });
}

template <typename T>
T FPMulX(T a, T b, FPSCR& fpscr) {
  return fp_run(fpscr, [=](int mode, int* flags) { return fp_mul(a, b, true, mode, flags); });
}

template uint16_t FPMul<uint16_t>(uint16_t, uint16_t, FPSCR&);
template uint32_t FPMul<uint32_t>(uint32_t, uint32_t, FPSCR&);
template uint64_t FPMul<uint64_t>(uint64_t, uint64_t, FPSCR&);
template uint16_t FPMulX<uint16_t>(uint16_t, uint16_t, FPSCR&);
template uint32_t FPMulX<uint32_t>(uint32_t, uint32_t, FPSCR&);
template uint64_t FPMulX<uint64_t>(uint64_t, uint64_t, FPSCR&);
