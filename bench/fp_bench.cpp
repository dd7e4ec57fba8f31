// Floating-point library throughput: add, multiply, fused multiply-add,
// divide, square root and a conversion in each width, over a fixed spread of
// ordinary operands.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "qrx/fp/fp.h"

namespace {

constexpr size_t kOperands = 1024;

// Normal operands between 2^-8 and 2^8 of either sign.
template <typename T>
const std::vector<T>& data() {
  using Fmt = fp_format<T>;
  static const std::vector<T> v = [] {
    std::mt19937_64 rng(7);
    std::vector<T> operands(kOperands);
    for (T& x : operands) {
      const uint64_t exp = uint64_t(Fmt::bias - 8 + int(rng() % 17));
      const uint64_t frac = rng() & fp_frac_mask<T>;
      x = T((rng() & 1) << (Fmt::E + Fmt::F) | exp << Fmt::F | frac);
    }
    return operands;
  }();
  return v;
}

// Each operation runs in the environment form a vector instruction uses: one
// FPEnv for the whole run, its flags collected there.
template <typename T, typename Status = FPEnv, typename Op>
void run(benchmark::State& state, Op op) {
  const std::vector<T>& v = data<T>();
  Status status{};
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(op(v[i], v[(i + 1) % kOperands], v[(i + 2) % kOperands], status));
    i = (i + 1) % kOperands;
  }
}

template <typename T> void BM_FPAdd(benchmark::State& s) {
  run<T>(s, [](T a, T b, T, FPEnv& f) { return FPAdd<T>(a, b, f); });
}
// The same through the FPSCR form, as a fresh status word per element would.
template <typename T> void BM_FPAddFPSCRForm(benchmark::State& s) {
  run<T, FPSCR>(s, [](T a, T b, T, FPSCR& f) { return FPAdd<T>(a, b, f); });
}
template <typename T> void BM_FPMul(benchmark::State& s) {
  run<T>(s, [](T a, T b, T, FPEnv& f) { return FPMul<T>(a, b, f); });
}
template <typename T> void BM_FPMulAdd(benchmark::State& s) {
  run<T>(s, [](T a, T b, T c, FPEnv& f) { return FPMulAdd<T>(a, b, c, f); });
}
template <typename T> void BM_FPDiv(benchmark::State& s) {
  run<T>(s, [](T a, T b, T, FPEnv& f) { return FPDiv<T>(a, b, f); });
}
template <typename T> void BM_FPSqrt(benchmark::State& s) {
  run<T>(s, [](T a, T, T, FPEnv& f) { return FPSqrt<T>(FPAbs(a), f); });
}
template <typename T> void BM_FPToInt64(benchmark::State& s) {
  run<T>(s, [](T a, T, T, FPEnv& f) {
    return fplibFPToFixed<T, uint64_t>(a, 0, false, FPRounding::Zero, f);
  });
}

#define QRX_FP_BENCH_WIDTHS(fn) \
  BENCHMARK_TEMPLATE(fn, uint16_t); \
  BENCHMARK_TEMPLATE(fn, uint32_t); \
  BENCHMARK_TEMPLATE(fn, uint64_t)
QRX_FP_BENCH_WIDTHS(BM_FPAdd);
QRX_FP_BENCH_WIDTHS(BM_FPAddFPSCRForm);
QRX_FP_BENCH_WIDTHS(BM_FPMul);
QRX_FP_BENCH_WIDTHS(BM_FPMulAdd);
QRX_FP_BENCH_WIDTHS(BM_FPDiv);
QRX_FP_BENCH_WIDTHS(BM_FPSqrt);
QRX_FP_BENCH_WIDTHS(BM_FPToInt64);

}  // namespace

BENCHMARK_MAIN();
