// Fused multiply-add. The product is exact in the double-width word; the
// addend and the product are both normalised to the same top bit, so the one
// aligned to the other is never the larger and its lost bits only ever reach
// the sticky bit.
#include "qrx/fp/fp_muladd.h"

#include "qrx/fp/fp_core.h"

namespace {

// A non-zero exact term x x 2^e with x's top bit placed at bit `top`.
template <typename U>
void fp_place_top(U* x, int* e, int top) {
  const int shift = fp_clz(*x) - (fp_bits<U> - 1 - top);
  *x = U(*x << shift);
  *e -= shift;
}

}  // namespace

template <typename T>
T fp_muladd_scaled(T a, T b, T c, int scale, int mode, int* flags) {
  using Fmt = fp_format<T>;
  using Wd = typename Fmt::wide;
  const fp_unpacked<T> ua = fp_unpack(a, mode, flags);
  const fp_unpacked<T> ub = fp_unpack(b, mode, flags);
  const fp_unpacked<T> uc = fp_unpack(c, mode, flags);
  const bool inf_a = fp_is_inf(a), inf_b = fp_is_inf(b), inf_c = fp_is_inf(c);
  const bool inf_times_zero = (inf_b && !uc.mnt) || (inf_c && !ub.mnt);
  const T nan = fp_process_nans_muladd(a, b, c, inf_times_zero, mode, flags);
  if (nan) return nan;

  const int psign = ub.sign ^ uc.sign;
  if (inf_times_zero || (inf_a && (inf_b || inf_c) && ua.sign != psign)) {
    return fp_invalid<T>(flags);
  }
  if (inf_a) return fp_infinity<T>(ua.sign);
  if (inf_b || inf_c) return fp_infinity<T>(psign);

  const FPRounding rm = fp_mode_rounding(mode);
  const bool zero_a = !ua.mnt, zero_p = !ub.mnt || !uc.mnt;
  if (zero_a && zero_p) return fp_zero<T>(ua.sign == psign ? ua.sign : rm == FPRounding::NegInf);

  constexpr int top = 2 * Fmt::W - 3;
  Wd xa = Wd(ua.mnt);
  int ea = ua.exp - Fmt::bias - Fmt::F;
  if (zero_p) return fp_round_exact<T>(ua.sign, ea + scale, xa, rm, mode, flags);
  Wd xp = Wd(Wd(ub.mnt) * Wd(uc.mnt));
  int ep = ub.exp + uc.exp - 2 * (Fmt::bias + Fmt::F);
  if (zero_a) return fp_round_exact<T>(psign, ep + scale, xp, rm, mode, flags);

  fp_place_top(&xa, &ea, top);
  fp_place_top(&xp, &ep, top);
  return fp_round_sum<T>(ua.sign, ea + scale, xa, psign, ep + scale, xp, rm, mode, flags);
}

template uint16_t fp_muladd_scaled<uint16_t>(uint16_t, uint16_t, uint16_t, int, int, int*);
template uint32_t fp_muladd_scaled<uint32_t>(uint32_t, uint32_t, uint32_t, int, int, int*);
template uint64_t fp_muladd_scaled<uint64_t>(uint64_t, uint64_t, uint64_t, int, int, int*);

uint16_t fp16_muladd(uint16_t a, uint16_t b, uint16_t c, int scale, int mode, int* flags) {
  return fp_muladd_scaled(a, b, c, scale, mode, flags);
}
uint32_t fp32_muladd(uint32_t a, uint32_t b, uint32_t c, int scale, int mode, int* flags) {
  return fp_muladd_scaled(a, b, c, scale, mode, flags);
}
uint64_t fp64_muladd(uint64_t a, uint64_t b, uint64_t c, int scale, int mode, int* flags) {
  return fp_muladd_scaled(a, b, c, scale, mode, flags);
}

template <typename T>
T FPMulAdd(T addend, T op1, T op2, FPEnv& env) {
  return fp_muladd_scaled(addend, op1, op2, 0, env.mode, &env.flags);
}

template uint16_t FPMulAdd<uint16_t>(uint16_t, uint16_t, uint16_t, FPEnv&);
template uint32_t FPMulAdd<uint32_t>(uint32_t, uint32_t, uint32_t, FPEnv&);
template uint64_t FPMulAdd<uint64_t>(uint64_t, uint64_t, uint64_t, FPEnv&);
