// Square root: the normalised significand is scaled by an even power of two
// to fill the double-width word, its integer square root is taken digit by
// digit, and a non-zero remainder becomes the sticky bit.
#include "qrx/fp/fp_sqrt.h"

#include "qrx/fp/fp_core.h"

namespace {

// Integer square root, rounded down; *exact tells whether it had no remainder.
template <typename U>
U fp_isqrt(U n, bool* exact) {
  U root = 0;
  U bit = U(1) << (fp_bits<U> - 2);
  while (bit > n) bit >>= 2;
  while (bit) {
    if (n >= root + bit) {
      n -= root + bit;
      root = (root >> 1) + bit;
    } else {
      root >>= 1;
    }
    bit >>= 2;
  }
  *exact = n == 0;
  return root;
}

template <typename T>
T fp_sqrt(T a, int mode, int* flags) {
  using Fmt = fp_format<T>;
  using Wd = typename Fmt::wide;
  const fp_unpacked<T> u = fp_unpack(a, mode, flags);
  if (fp_is_nan(a)) return fp_process_nan(a, mode, flags);
  if (!u.mnt) return fp_zero<T>(u.sign);
  if (u.sign) {
    *flags |= FP_FLAG_IOC;
    return fp_default_nan<T>;
  }
  if (fp_is_inf(a)) return a;

  // value = n x 2^e2 with e2 even and n filling the word.
  int e2 = u.exp - Fmt::bias - Fmt::F;
  Wd n = fp_normalise(Wd(u.mnt), &e2);
  if (e2 & 1) {
    n >>= 1;
    ++e2;
  }
  bool exact;
  Wd root = fp_isqrt(n, &exact);
  root |= Wd(!exact);
  return fp_round_exact<T>(0, e2 / 2, root, mode & FP_MODE_RMODE, mode, flags);
}

}  // namespace

template <typename T>
T FPSqrt(T a, FPSCR& fpscr) {
  return fp_run(fpscr, [=](int mode, int* flags) { return fp_sqrt(a, mode, flags); });
}

template uint16_t FPSqrt<uint16_t>(uint16_t, FPSCR&);
template uint32_t FPSqrt<uint32_t>(uint32_t, FPSCR&);
template uint64_t FPSqrt<uint64_t>(uint64_t, FPSCR&);
