// Square root: the fast root of a normal single or double against the
// integer root, result and flags, in every rounding mode with and without
// flushing and default NaNs. Inputs: the special values and the ends of
// each binade, random values of either exponent parity, exact squares and
// values whose root lies a hair either side of halfway between two results.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "qrx/fp/fp_format.h"
#include "qrx/fp/fp_sqrt.h"
#include "tests/fp/fp_test_util.h"

using namespace fptest;

namespace {

template <typename T>
std::vector<T> sqrt_inputs() {
  using Fmt = fp_format<T>;
  using Wd = typename Fmt::wide;
  constexpr int F = Fmt::F;
  const T frac = fp_frac_mask<T>, top = T(T(1) << F), one = T(T(Fmt::bias) << F);
  std::vector<T> in = {0, 1, frac, top, T(top | frac), T(top * 2), T(top * 3), fp_inf_bits<T>,
                       T(fp_inf_bits<T> - 1), T(fp_inf_bits<T> | 1),
                       T(fp_inf_bits<T> | (top >> 1)), one, T(one - 1), T(one + top)};
  std::mt19937_64 rng(17);
  const auto exponent = [&] { return T(1 + rng() % (Fmt::exp_max - 1)); };
  for (int i = 0; i < 400; ++i) {
    const T m = T(rng()) & frac;
    in.push_back(T(T(exponent() << F) | m));
    // An exact square: a root of at most (F + 1) / 2 significant bits.
    const T r = T(T(rng() >> (64 - (F + 1) / 2)) | T(T(1) << ((F - 1) / 2)));
    const Wd sq = Wd(r) * r;
    const int len = fp_bits<Wd> - fp_clz(sq);
    in.push_back(T(T(exponent() << F) | (T(sq << (F + 1 - len)) & frac)));
    // The top F + 1 bits of the square of an odd F + 2 bit number, and the
    // next value up: roots just off halfway.
    const Wd odd = Wd(rng() >> (64 - (F + 1))) | (Wd(1) << (F + 1)) | 1;
    const Wd sq2 = odd * odd;
    const T head = T(sq2 >> (fp_bits<Wd> - fp_clz(sq2) - (F + 1)));
    const T e = exponent();
    in.push_back(T(T(e << F) | (head & frac)));
    if ((head & frac) != frac) in.push_back(T(T(e << F) | ((head + 1) & frac)));
  }
  const size_t n = in.size();
  for (size_t i = 0; i < n; ++i) in.push_back(T(in[i] | fp_sign_bit<T>));
  return in;
}

template <typename T>
void expect_fast_root_matches_integer_root() {
  const uint32_t controls[] = {RN, RP, RM, RZ};
  const uint32_t extras[] = {0, FZ, DN, FZ | DN};
  for (const T a : sqrt_inputs<T>()) {
    for (const uint32_t rm : controls) {
      for (const uint32_t extra : extras) {
        const uint32_t control = rm | extra;
        const Outcome fast = run(control, [a](FPSCR& s) { return FPSqrt<T>(a, s); });
        const Outcome slow = run(control, [a](FPSCR& s) {
          return fp_on_fpscr(s, [a](FPEnv& env) { return FPSqrtIntegerRoot<T>(a, env); });
        });
        ASSERT_EQ(fast, slow) << "input 0x" << std::hex << uint64_t(a) << " control 0x"
                              << control;
      }
    }
  }
}

TEST(FPSqrt, FastRootMatchesIntegerRootSingle) { expect_fast_root_matches_integer_root<uint32_t>(); }
TEST(FPSqrt, FastRootMatchesIntegerRootDouble) { expect_fast_root_matches_integer_root<uint64_t>(); }

}  // namespace
