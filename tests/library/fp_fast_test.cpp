// The fast element loops (host arithmetic, checked, with the library for
// the rejected elements) against the library computing every element: the
// results and the flags of each operand combination alone, in every
// rounding mode with FZ and DN on and off, then instructions that mix
// accepted and rejected elements with inactive ones. The host's own
// floating-point control and status are as they were afterwards.
#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "qrx/library/fparith_lib.h"
#include "qrx/library/fpconv_lib.h"

namespace {

using qrx::AllActive;
using qrx::UnpackedActive;
using qrx::VecRhs;

constexpr unsigned kMaxLanes = qrx::kMaxVectorBytes / 4;

// One instruction: operand vectors a, b, c of n elements, predicate bytes.
template <typename T>
struct Insn {
  unsigned n;
  T a[kMaxLanes], b[kMaxLanes], c[kMaxLanes];
  uint8_t pred[qrx::kMaxVectorBytes];
};

template <typename T>
const uint8_t* bytes(const T* v) {
  return reinterpret_cast<const uint8_t*>(v);
}

// Runs the element core (fast) or the library for every element (reference).
template <typename T>
struct OpRow {
  const char* name;
  unsigned operands;
  void (*fast)(const Insn<T>&, uint8_t* out, FPEnv&);
  void (*library)(const Insn<T>&, uint8_t* out, FPEnv&);
};

template <typename T, typename Op>
OpRow<T> binary(const char* name) {
  return {name, 2,
          [](const Insn<T>& in, uint8_t* out, FPEnv& env) {
            qrx::fp_binary<T, Op>(out, in.n, UnpackedActive<T>{in.pred}, bytes(in.a),
                                  VecRhs<T>{bytes(in.b)}, env);
          },
          [](const Insn<T>& in, uint8_t* out, FPEnv& env) {
            qrx::merge_binary<T>(out, in.n, UnpackedActive<T>{in.pred}, bytes(in.a),
                                 VecRhs<T>{bytes(in.b)}, [&](T x, T y) { return Op{}(x, y, env); });
          }};
}
template <typename T, typename Op>
OpRow<T> ternary(const char* name) {
  return {name, 3,
          [](const Insn<T>& in, uint8_t* out, FPEnv& env) {
            qrx::fp_ternary<T, Op>(out, in.n, UnpackedActive<T>{in.pred}, bytes(in.a), bytes(in.a),
                                   bytes(in.b), VecRhs<T>{bytes(in.c)}, env);
          },
          [](const Insn<T>& in, uint8_t* out, FPEnv& env) {
            qrx::merge_ternary<T>(out, in.n, UnpackedActive<T>{in.pred}, bytes(in.a), bytes(in.a),
                                  bytes(in.b), bytes(in.c),
                                  [&](T x, T y, T z) { return Op{}(x, y, z, env); });
          }};
}
template <typename T, typename Op>
OpRow<T> unary(const char* name) {
  return {name, 1,
          [](const Insn<T>& in, uint8_t* out, FPEnv& env) {
            qrx::fp_unary<T, Op>(out, in.n, UnpackedActive<T>{in.pred}, bytes(in.b), bytes(in.a),
                                 env);
          },
          [](const Insn<T>& in, uint8_t* out, FPEnv& env) {
            qrx::merge_unary<T>(out, in.n, UnpackedActive<T>{in.pred}, bytes(in.b), bytes(in.a),
                                [&](T x) { return Op{}(x, env); });
          }};
}

template <typename T>
std::vector<OpRow<T>> op_rows() {
  using namespace qrx;
  return {binary<T, FAddOp>("add"),          binary<T, FSubOp>("sub"),
          binary<T, FReversed<FSubOp>>("subr"), binary<T, FMulOp>("mul"),
          binary<T, FDivOp>("div"),          binary<T, FReversed<FDivOp>>("divr"),
          ternary<T, FMlaOp>("fmla"),        ternary<T, FMlsOp>("fmls"),
          ternary<T, FNmlaOp>("fnmla"),      ternary<T, FNmlsOp>("fnmls"),
          unary<T, FSqrtOp>("sqrt"),        unary<T, FToIntOp<T, T, false>>("fcvtzs")};
}

// Values whose sums, products and multiply-adds land in the lowest normal
// binade, round to exactly the smallest normal value (the largest value of
// the lowest binade times 0.5), reach or pass the largest finite value in
// every direction, cancel to exact zeros or underflow; the bounds of the
// signed integer of the width; and subnormals, zeros, infinities, NaNs and
// negative square-root operands.
template <typename T>
std::vector<T> edge_values() {
  using Fmt = fp_format<T>;
  const T min_normal = T(1) << Fmt::F, frac = fp_frac_mask<T>, sign = fp_sign_bit<T>;
  const T one = T(Fmt::bias) << Fmt::F;
  const T half = T(Fmt::bias - 1) << Fmt::F;
  const T max = fp_max_finite<T>;
  return {0,
          sign,
          one,
          T(one | 1),                 // 1 + ulp
          T(one | frac),              // 2 - ulp
          T(one | (T(1) << (Fmt::F - 1))),  // 1.5
          T(half),
          T(half | sign),
          T((T(Fmt::bias + 1) << Fmt::F) | 3 | sign),  // about -2
          min_normal,
          T(min_normal | frac),       // the largest value of the lowest binade
          T(min_normal | 5 | sign),
          T(min_normal << 1),         // twice the smallest normal
          T(T(Fmt::bias / 2) << Fmt::F),  // its square underflows
          max,
          T(max - 1),
          T(max | sign),
          T(T(Fmt::exp_max - 2) << Fmt::F),  // a quarter of the range's top
          T(T(Fmt::bias + Fmt::W - 1) << Fmt::F),  // 2^(W-1), past the largest integer
          T((T(Fmt::bias + Fmt::W - 1) << Fmt::F) - 1),   // just below 2^(W-1)
          1,                          // subnormals
          T(frac | sign),
          fp_inf_bits<T>,
          T(fp_inf_bits<T> | sign),
          T(fp_inf_bits<T> | fp_quiet_bit<T> | 5),  // quiet NaN
          T(fp_inf_bits<T> | 3 | sign)};             // signalling NaN
}

// FPCR bits of RMode m (0..3), FZ and DN.
uint32_t control(unsigned m, bool fz, bool dn) {
  return (m << 22) | (fz ? FPSCR::FZ : 0) | (dn ? FPSCR::DN : 0);
}

template <typename T>
void expect_same(const OpRow<T>& op, const Insn<T>& in, uint32_t fpcr, const char* what,
                 unsigned* failures) {
  uint8_t fast[qrx::kMaxVectorBytes], lib[qrx::kMaxVectorBytes];
  FPEnv fast_env = fp_env_from_control(fpcr), lib_env = fast_env;
  op.fast(in, fast, fast_env);
  op.library(in, lib, lib_env);
  const bool same = std::memcmp(fast, lib, in.n * sizeof(T)) == 0 && fast_env.flags == lib_env.flags;
  if (!same && ++*failures <= 5) {
    ADD_FAILURE() << op.name << " " << what << std::hex << " fpcr=" << fpcr << " a0=" << in.a[0]
                  << " b0=" << in.b[0] << " c0=" << in.c[0] << " flags " << fast_env.flags
                  << " vs library " << lib_env.flags;
  }
}

// Each combination of edge values alone in a lane, the other lanes
// inactive and holding values that would raise flags.
template <typename T>
void each_combination_matches_the_library() {
  const std::vector<T> v = edge_values<T>();
  const unsigned n = qrx::kVectorBytes / sizeof(T);
  for (const OpRow<T>& op : op_rows<T>()) {
    unsigned failures = 0;
    for (unsigned m = 0; m < 4; ++m)
      for (unsigned z = 0; z < 4; ++z) {
        const uint32_t fpcr = control(m, z & 1, z & 2);
        Insn<T> in{};
        in.n = n;
        for (unsigned i = 0; i < n; ++i) in.a[i] = in.b[i] = in.c[i] = v[i % v.size()];
        size_t combinations = 1;
        for (unsigned j = 0; j < op.operands; ++j) combinations *= v.size();
        for (size_t k = 0; k < combinations; ++k) {
          const unsigned lane = k % n;
          in.a[lane] = v[k % v.size()];
          in.b[lane] = v[k / v.size() % v.size()];
          in.c[lane] = v[k / v.size() / v.size()];
          std::memset(in.pred, 0, sizeof in.pred);
          in.pred[lane * sizeof(T)] = 1;
          expect_same(op, in, fpcr, "single lane", &failures);
        }
      }
    EXPECT_EQ(failures, 0u) << op.name;
  }
}

// Whole instructions: random normal values of every magnitude mixed with
// edge values, under random predicates.
template <typename T>
void mixed_instructions_match_the_library() {
  const std::vector<T> v = edge_values<T>();
  std::mt19937_64 rng(17);
  const unsigned n = qrx::kVectorBytes / sizeof(T);
  auto value = [&]() -> T {
    const uint64_t r = rng();
    if (r % 4 == 0) return v[(r >> 8) % v.size()];
    // Exponents mostly near one, some anywhere.
    const T bits = T(r >> 3);
    if (r % 4 == 1) return bits;
    const T exp = T(fp_format<T>::bias - 8 + (r >> 40) % 16) << fp_format<T>::F;
    return T((bits & (fp_frac_mask<T> | fp_sign_bit<T>)) | exp);
  };
  for (const OpRow<T>& op : op_rows<T>()) {
    unsigned failures = 0;
    for (unsigned round = 0; round < 200; ++round) {
      Insn<T> in{};
      in.n = n;
      for (unsigned i = 0; i < n; ++i) {
        in.a[i] = value();
        in.b[i] = value();
        in.c[i] = value();
        in.pred[i * sizeof(T)] = round % 3 == 0 || rng() % 4 != 0;
      }
      expect_same(op, in, control(round % 4, round % 8 >= 4 && round % 5 == 0, round % 7 == 0),
                  "mixed", &failures);
    }
    EXPECT_EQ(failures, 0u) << op.name;
  }
}

// FADDV's pairwise sum against the same tree summed by the library, over
// the edge values and random ones under random predicates.
template <typename T>
void pairwise_sums_match_the_library() {
  const std::vector<T> v = edge_values<T>();
  std::mt19937_64 rng(29);
  const unsigned n = qrx::kVectorBytes / sizeof(T);
  unsigned failures = 0;
  for (unsigned round = 0; round < 400; ++round) {
    Insn<T> in{};
    for (unsigned i = 0; i < n; ++i) {
      const uint64_t r = rng();
      in.a[i] = r % 3 ? v[(r >> 8) % v.size()] : T(r >> 16);
      in.pred[i * sizeof(T)] = round % 2 || r % 5 != 0;
    }
    const uint32_t fpcr = control(round % 4, round % 16 == 3, round % 8 == 5);
    FPEnv fast_env = fp_env_from_control(fpcr), lib_env = fast_env;
    const T fast = qrx::reduce_tree<T, qrx::FAddOp, qrx::FIdentity::PlusZero>(
        bytes(in.a), n, UnpackedActive<T>{in.pred}, fast_env);
    T lane[kMaxLanes];
    for (unsigned i = 0; i < n; ++i) lane[i] = in.pred[i * sizeof(T)] ? in.a[i] : T(0);
    for (unsigned live = n; live > 1; live = (live + 1) / 2)
      for (unsigned j = 0; j < (live + 1) / 2; ++j)
        lane[j] = FPAdd(lane[2 * j], 2 * j + 1 < live ? lane[2 * j + 1] : T(0), lib_env);
    if ((fast != lane[0] || fast_env.flags != lib_env.flags) && ++failures <= 5)
      ADD_FAILURE() << std::hex << "fpcr=" << fpcr << " sum " << fast << " flags " << fast_env.flags
                    << " vs library " << lane[0] << " flags " << lib_env.flags;
  }
  EXPECT_EQ(failures, 0u);
}

TEST(FpFast, SinglePairwiseSumsMatchTheLibrary) { pairwise_sums_match_the_library<uint32_t>(); }
TEST(FpFast, DoublePairwiseSumsMatchTheLibrary) { pairwise_sums_match_the_library<uint64_t>(); }
TEST(FpFast, SingleCombinationsMatchTheLibrary) { each_combination_matches_the_library<uint32_t>(); }
TEST(FpFast, DoubleCombinationsMatchTheLibrary) { each_combination_matches_the_library<uint64_t>(); }
TEST(FpFast, SingleInstructionsMatchTheLibrary) { mixed_instructions_match_the_library<uint32_t>(); }
TEST(FpFast, DoubleInstructionsMatchTheLibrary) { mixed_instructions_match_the_library<uint64_t>(); }

// The host's rounding and sticky flags are as they were before a fast
// instruction that rounds up and raises inexact.
TEST(FpFast, HostFloatingPointStateIsRestored) {
  ASSERT_EQ(std::fesetround(FE_TOWARDZERO), 0);
  std::feclearexcept(FE_ALL_EXCEPT);
  Insn<uint32_t> in{};
  in.n = qrx::kVectorBytes / 4;
  for (unsigned i = 0; i < in.n; ++i) {
    in.a[i] = 0x3F800000;  // 1 + 2^-30 rounds up under RMode = +infinity
    in.b[i] = 0x30800000;
    in.pred[i * 4] = 1;
  }
  uint8_t out[qrx::kMaxVectorBytes];
  FPEnv env = fp_env_from_control(control(1, false, false));
  qrx::fp_binary<uint32_t, qrx::FAddOp>(out, in.n, UnpackedActive<uint32_t>{in.pred},
                                         bytes(in.a), VecRhs<uint32_t>{bytes(in.b)}, env);
  uint32_t r0;
  std::memcpy(&r0, out, 4);
  EXPECT_EQ(r0, 0x3F800001u);
  EXPECT_EQ(env.flags, FP_FLAG_IXC);
  EXPECT_EQ(std::fegetround(), FE_TOWARDZERO);
  EXPECT_FALSE(std::fetestexcept(FE_ALL_EXCEPT));
  std::fesetround(FE_TONEAREST);
}

}  // namespace
