// Square root: the normalised significand is scaled by an even power of two
// to fill the double-width word, its integer square root is taken, and a
// non-zero remainder becomes the sticky bit.
#include "qrx/fp/fp_sqrt.h"

#include "qrx/fp/fp_core.h"

namespace {

// Integer square roots, rounded down, of an n whose top two bits are not
// both clear. The 32-bit root is taken digit by digit; each wider root takes
// the root of the top half as a first guess and refines it with one
// Newton-Raphson step, which lands within two units above the root.
uint32_t fp_isqrt(uint32_t n) {
  uint32_t root = 0;
  for (uint32_t bit = 1u << 30; bit; bit >>= 2) {
    if (n >= root + bit) {
      n -= root + bit;
      root = (root >> 1) + bit;
    } else {
      root >>= 1;
    }
  }
  return root;
}

uint64_t fp_isqrt(uint64_t n);

template <typename U, typename Half>
Half fp_isqrt_refined(U n) {
  constexpr int half = fp_bits<Half>;
  const U guess = U(fp_isqrt(Half(n >> half))) << (half / 2);
  U root = (guess + n / guess) >> 1;
  const U max_root = U(Half(~Half(0)));
  if (root > max_root) root = max_root;
  while (root * root > n) --root;
  return Half(root);
}

uint64_t fp_isqrt(uint64_t n) { return fp_isqrt_refined<uint64_t, uint32_t>(n); }
fp_u128 fp_isqrt(fp_u128 n) { return fp_isqrt_refined<fp_u128, uint64_t>(n); }

template <typename T>
T fp_sqrt_integer(T a, int mode, int* flags) {
  using Fmt = fp_format<T>;
  using Wd = typename Fmt::wide;
  const fp_unpacked<T> u = fp_unpack(a, mode, flags);
  if (fp_is_nan(a)) return fp_process_nan(a, mode, flags);
  if (!u.mnt) return fp_zero<T>(u.sign);
  if (u.sign) return fp_invalid<T>(flags);
  if (fp_is_inf(a)) return a;

  // value = n x 2^e2 with e2 even and n filling the word.
  int e2 = u.exp - Fmt::bias - Fmt::F;
  Wd n = fp_normalise(Wd(u.mnt), &e2);
  if (e2 & 1) {
    n >>= 1;
    ++e2;
  }
  Wd root = fp_isqrt(n);
  root |= Wd(root * root != n);
  return fp_round_exact<T>(0, e2 / 2, root, fp_mode_rounding(mode), mode, flags);
}

template <typename T>
T fp_sqrt(T a, int mode, int* flags) {
  if constexpr (sizeof(T) >= 4) {
    if (fp_sqrt_takes_host_root(a)) return fp_sqrt_normal(a, mode, flags);
  }
  return fp_sqrt_integer(a, mode, flags);
}

}  // namespace

template <typename T>
T FPSqrt(T a, FPEnv& env) {
  return fp_sqrt(a, env.mode, &env.flags);
}

template <typename T>
T FPSqrtIntegerRoot(T a, FPEnv& env) {
  return fp_sqrt_integer(a, env.mode, &env.flags);
}

template uint16_t FPSqrt<uint16_t>(uint16_t, FPEnv&);
template uint32_t FPSqrt<uint32_t>(uint32_t, FPEnv&);
template uint64_t FPSqrt<uint64_t>(uint64_t, FPEnv&);
template uint32_t FPSqrtIntegerRoot<uint32_t>(uint32_t, FPEnv&);
template uint64_t FPSqrtIntegerRoot<uint64_t>(uint64_t, FPEnv&);
