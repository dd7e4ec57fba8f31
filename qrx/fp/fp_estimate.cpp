// Reciprocal and reciprocal-square-root estimates: the top nine bits of the
// normalised significand select a 9-bit estimate, by integer division for the
// reciprocal and from a 256-entry table for the square root.
#include "qrx/fp/fp_estimate.h"

#include <array>

#include "qrx/fp/fp_core.h"

namespace {

// Largest k with a x k x k < 2^28.
constexpr uint32_t fp_rsqrt_bound(uint32_t a) {
  uint32_t lo = 0, hi = 1u << 14;
  while (hi - lo > 1) {
    const uint32_t mid = (lo + hi) / 2;
    if (uint64_t(a) * mid * mid < (uint64_t(1) << 28)) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return lo;
}

constexpr std::array<uint8_t, 256> fp_make_rsqrt_table() {
  std::array<uint8_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    // The significand in units of 1/512 (odd exponent) or 1/256 (even),
    // taken at the middle of its interval.
    const uint32_t a = i < 128 ? 257 + 2 * i : 4 * i + 2;
    uint32_t b = fp_rsqrt_bound(a);
    if (b < 512) b = 512;
    table[i] = uint8_t(((b + 1) >> 1) & 0xFF);
  }
  return table;
}

constexpr std::array<uint8_t, 256> kRSqrtTable = fp_make_rsqrt_table();

// Normalises a non-zero significand to carry its leading one at bit F,
// lowering a subnormal's exponent below 1.
template <typename T>
fp_unpacked<T> fp_normalise_unpacked(fp_unpacked<T> u) {
  using U = typename fp_format<T>::work;
  constexpr int lead = fp_bits<U> - 1 - fp_format<T>::F;  // word top to bit F
  int shift = 0;
  const U m = fp_normalise(U(u.mnt), &shift);
  u.mnt = T(m >> lead);
  u.exp += shift + lead;
  return u;
}

template <typename T>
T fp_recip_estimate(T x, int mode, int* flags) {
  using Fmt = fp_format<T>;
  const fp_unpacked<T> u = fp_unpack(x, mode, flags);
  if (fp_is_nan(x)) return fp_process_nan(x, mode, flags);
  if (fp_is_inf(x)) return fp_zero<T>(u.sign);
  if (!u.mnt) {
    *flags |= FP_FLAG_DZC;
    return fp_infinity<T>(u.sign);
  }
  if (fp_exp_field(x) == 0 && !(x & (fp_frac_mask<T> & ~(fp_frac_mask<T> >> 2)))) {
    return fp_overflow<T>(u.sign, fp_mode_rounding(mode), flags);
  }
  if ((mode & Fmt::flush_bit) && fp_exp_field(x) >= 2 * Fmt::bias - 1) {
    *flags |= FP_FLAG_UFC;
    return fp_zero<T>(u.sign);
  }
  const fp_unpacked<T> n = fp_normalise_unpacked(u);
  const uint32_t a = uint32_t(n.mnt >> (Fmt::F - 8));
  const uint32_t r = (((1u << 19) / (2 * a + 1)) + 1) >> 1;
  const int result_exp = 2 * Fmt::bias - 1 - n.exp;
  T frac = T(T(r & 0xFF) << (Fmt::F - 8));
  if (result_exp <= 0) frac = T(T(T(r) << (Fmt::F - 8)) >> (1 - result_exp));
  return T(fp_zero<T>(u.sign) | T(T(result_exp > 0 ? result_exp : 0) << Fmt::F) | frac);
}

template <typename T>
T fp_rsqrt_estimate(T x, int mode, int* flags) {
  using Fmt = fp_format<T>;
  const fp_unpacked<T> u = fp_unpack(x, mode, flags);
  if (fp_is_nan(x)) return fp_process_nan(x, mode, flags);
  if (!u.mnt) {
    *flags |= FP_FLAG_DZC;
    return fp_infinity<T>(u.sign);
  }
  if (u.sign) return fp_invalid<T>(flags);
  if (fp_is_inf(x)) return 0;
  const fp_unpacked<T> n = fp_normalise_unpacked(u);
  const unsigned index = unsigned((n.mnt >> (Fmt::F - 7)) & 0x7F) + ((n.exp & 1) ? 0 : 128);
  const int result_exp = (3 * Fmt::bias - 1 - n.exp) >> 1;
  return T(T(T(result_exp) << Fmt::F) | T(T(kRSqrtTable[index]) << (Fmt::F - 8)));
}

template <typename T>
T fp_recpx(T x, int mode, int* flags) {
  using Fmt = fp_format<T>;
  const fp_unpacked<T> u = fp_unpack(x, mode, flags);
  if (fp_is_nan(x)) return fp_process_nan(x, mode, flags);
  if (fp_is_inf(x)) return fp_zero<T>(u.sign);
  const int exp = fp_exp_field(x);
  const int result_exp = exp ? (~exp & Fmt::exp_max) : Fmt::exp_max - 1;
  return T(fp_zero<T>(u.sign) | T(T(result_exp) << Fmt::F));
}

}  // namespace

uint8_t fp_rsqrt_table_entry(unsigned index) { return kRSqrtTable[index & 0xFF]; }

template <typename T>
T FPRecipEstimate(T x, FPEnv& env) {
  return fp_recip_estimate(x, env.mode, &env.flags);
}

template <typename T>
T FPRSqrtEstimate(T x, FPEnv& env) {
  return fp_rsqrt_estimate(x, env.mode, &env.flags);
}

template <typename T>
T FPRecpX(T x, FPEnv& env) {
  return fp_recpx(x, env.mode, &env.flags);
}

#define QRX_FP_ESTIMATE_INSTANCES(T)           \
  template T FPRecipEstimate<T>(T, FPEnv&);    \
  template T FPRSqrtEstimate<T>(T, FPEnv&);    \
  template T FPRecpX<T>(T, FPEnv&);
QRX_FP_ESTIMATE_INSTANCES(uint16_t)
QRX_FP_ESTIMATE_INSTANCES(uint32_t)
QRX_FP_ESTIMATE_INSTANCES(uint64_t)
