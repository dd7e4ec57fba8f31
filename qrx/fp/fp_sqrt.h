// Square root.
#ifndef QRX_FP_FP_SQRT_H
#define QRX_FP_FP_SQRT_H

#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "qrx/fp/fp_core.h"
#include "qrx/fp/fp_status.h"

#ifndef QRX_KALT64_HOST
#define QRX_KALT64_HOST 0
#endif

template <typename T> T FPSqrt(T a, FPEnv& env);
template <typename T> QRX_FP_FPSCR_FORM(T, FPSqrt, (T a), (a))

// The root of a positive normal single or double, whose root is always a
// normal value: the host's square root (in whatever rounding the host is set
// to, so within one unit of the true root) gives a first root q; exact
// integer arithmetic on the scaled significand N then makes q the root
// rounded down and tells whether the remainder N - q^2 lies above half a
// unit (a root never lies exactly halfway). The flush and default-NaN bits
// play no part for such an input.
//
// On a Kalt64 host the host's instruction runs under the program's own
// control and status register, so the integer root serves there.
template <typename T>
constexpr bool fp_sqrt_takes_host_root(T a) {
  if (QRX_KALT64_HOST || sizeof(T) < 4) return false;
  const int exp = fp_exp_field(a);
  return !fp_sign_of(a) && exp != 0 && exp != fp_format<T>::exp_max;
}

template <typename T>
inline T fp_sqrt_normal(T a, int mode, int* flags) {
  using Fmt = fp_format<T>;
  using Wd = typename Fmt::wide;
  using Float = std::conditional_t<sizeof(T) == 4, float, double>;
  constexpr int F = Fmt::F;
  // value = N x 2^(2k) with N the significand shifted left by F or F + 1
  // bits, so N is in [2^2F, 2^(2F+2)), its root in [2^F, 2^(F+1)) and the
  // result's biased exponent k + F + bias.
  const int e2 = fp_exp_field(a) - Fmt::bias - F;
  const int shift = F + ((e2 - F) & 1);
  const Wd N = (Wd(a & fp_frac_mask<T>) | (Wd(1) << F)) << shift;
  const T base = T(T((e2 - shift) / 2 + F + Fmt::bias - 1) << F);

  Float f;
  std::memcpy(&f, &a, sizeof f);
  f = std::sqrt(f);
  T host;
  std::memcpy(&host, &f, sizeof host);
  T q = T(host - base);
  auto square = [](T x) { return Wd(x) * x; };
  while (square(q) > N) --q;
  while (square(T(q + 1)) <= N) ++q;
  const Wd rem = N - square(q);

  if (rem) *flags |= FP_FLAG_IXC;
  const int err = !rem ? 0 : rem > q ? 3 : 1;
  const bool up = fp_rounds_up(fp_mode_rounding(mode), err, q & 1, 0);
  return T(base + T(q) + T(up));
}

// FPSqrt with the root of a normal input inline.
template <typename T>
inline T FPSqrtInline(T a, FPEnv& env) {
  if constexpr (sizeof(T) >= 4) {
    if (fp_sqrt_takes_host_root(a)) return fp_sqrt_normal(a, env.mode, &env.flags);
  }
  return FPSqrt(a, env);
}

// The same root taken by integer arithmetic alone, as FPSqrt does for every
// input on a Kalt64 host and for the special and subnormal inputs elsewhere
// (single and double).
template <typename T> T FPSqrtIntegerRoot(T a, FPEnv& env);

#endif  // QRX_FP_FP_SQRT_H
