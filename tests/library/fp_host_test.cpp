// The host path against the library: every host operation over special
// values in every rounding mode, with FZ and DN on and off, gives the
// library's result and flags (a Kalt64 host runs its own instructions here;
// elsewhere the host path is the library and the test checks the plumbing).
// Also the scope's status rules: only the cumulative flags merge into fpsr,
// a flag raised before the scope never does, the host's own control and
// status survive the scope.
#include "qrx/library/fp_host.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using qrx::HostFp;
using qrx::HostFpScope;

template <typename T>
struct OpRow {
  const char* name;
  T (*host)(T, T, T, HostFpScope&);
  T (*lib)(T, T, T, FPEnv&);
};

template <typename T>
uint64_t wide(T a, T b) {
  return uint64_t{b} << 32 ^ a;
}
template <typename T>
T int_to_fp(uint64_t v, bool is_unsigned, FPEnv& e) {
  return fplibFixedToFP<T>(v, 0, is_unsigned, fp_mode_rounding(e.mode), e);
}

template <typename T>
std::vector<OpRow<T>> op_rows() {
  using H = HostFp<T>;
  return {
      {"add", [](T a, T b, T, HostFpScope& h) { return H::add(a, b, h); },
       [](T a, T b, T, FPEnv& e) { return FPAdd(a, b, e); }},
      {"sub", [](T a, T b, T, HostFpScope& h) { return H::sub(a, b, h); },
       [](T a, T b, T, FPEnv& e) { return FPSub(a, b, e); }},
      {"mul", [](T a, T b, T, HostFpScope& h) { return H::mul(a, b, h); },
       [](T a, T b, T, FPEnv& e) { return FPMul(a, b, e); }},
      {"div", [](T a, T b, T, HostFpScope& h) { return H::div(a, b, h); },
       [](T a, T b, T, FPEnv& e) { return FPDiv(a, b, e); }},
      {"max", [](T a, T b, T, HostFpScope& h) { return H::max(a, b, h); },
       [](T a, T b, T, FPEnv& e) { return FPMax(a, b, e); }},
      {"maxnm", [](T a, T b, T, HostFpScope& h) { return H::maxnm(a, b, h); },
       [](T a, T b, T, FPEnv& e) { return FPMaxNum(a, b, e); }},
      {"minnm", [](T a, T b, T, HostFpScope& h) { return H::minnm(a, b, h); },
       [](T a, T b, T, FPEnv& e) { return FPMinNum(a, b, e); }},
      {"nmadd", [](T a, T b, T c, HostFpScope& h) { return H::nmadd(a, b, c, h); },
       [](T a, T b, T c, FPEnv& e) { return FPMulAdd(FPNeg(a), FPNeg(b), c, e); }},
      {"cmp_eq", [](T a, T b, T, HostFpScope& h) { return T(H::cmp_eq(a, b, h)); },
       [](T a, T b, T, FPEnv& e) { return T(FPCompareEQ(a, b, e)); }},
      {"cmp_ge", [](T a, T b, T, HostFpScope& h) { return T(H::cmp_ge(a, b, h)); },
       [](T a, T b, T, FPEnv& e) { return T(FPCompareGE(a, b, e)); }},
      {"cmp_gt", [](T a, T b, T, HostFpScope& h) { return T(H::cmp_gt(a, b, h)); },
       [](T a, T b, T, FPEnv& e) { return T(FPCompareGT(a, b, e)); }},
      {"cmp_un", [](T a, T b, T, HostFpScope& h) { return T(H::cmp_un(a, b, h)); },
       [](T a, T b, T, FPEnv& e) { return T(FPCompareUN(a, b, e)); }},
      {"sqrt", [](T a, T, T, HostFpScope& h) { return H::sqrt(a, h); },
       [](T a, T, T, FPEnv& e) { return FPSqrt(a, e); }},
      {"rinta", [](T a, T, T, HostFpScope& h) { return H::rinta(a, h); },
       [](T a, T, T, FPEnv& e) { return FPRoundInt(a, FPRounding::TieAway, false, e); }},
      {"recpe", [](T a, T, T, HostFpScope& h) { return H::recpe(a, h); },
       [](T a, T, T, FPEnv& e) { return FPRecipEstimate(a, e); }},
      {"recps", [](T a, T b, T, HostFpScope& h) { return H::recps(a, b, h); },
       [](T a, T b, T, FPEnv& e) { return FPRecipStepFused(a, b, e); }},
      // The operand bits as integers: 32-bit from a, 64-bit from b:a.
      {"scvtf32", [](T a, T, T, HostFpScope& h) { return H::from_int(int32_t(a), h); },
       [](T a, T, T, FPEnv& e) { return int_to_fp<T>(int64_t(int32_t(a)), false, e); }},
      {"ucvtf32", [](T a, T, T, HostFpScope& h) { return H::from_int(uint32_t(a), h); },
       [](T a, T, T, FPEnv& e) { return int_to_fp<T>(uint32_t(a), true, e); }},
      {"scvtf64", [](T a, T b, T, HostFpScope& h) { return H::from_int(int64_t(wide(a, b)), h); },
       [](T a, T b, T, FPEnv& e) { return int_to_fp<T>(wide(a, b), false, e); }},
      {"ucvtf64", [](T a, T b, T, HostFpScope& h) { return H::from_int(wide(a, b), h); },
       [](T a, T b, T, FPEnv& e) { return int_to_fp<T>(wide(a, b), true, e); }},
  };
}

// Zeros, infinities, quiet and signalling NaNs with payloads, subnormals,
// extremes, values whose sums, products and quotients round, and a tie of
// the round-to-integral directions (-2.5).
const uint32_t kSpecialS[] = {0x00000000, 0x80000000, 0x7F800000, 0xFF800000, 0x7FC00001,
                              0xFFA00002, 0x00000001, 0x807FFFFF, 0x00800000, 0x7F7FFFFF,
                              0x3F800000, 0xBF800001, 0x40400000, 0x33800000, 0xC0200000};
const uint64_t kSpecialD[] = {0x0000000000000000, 0x8000000000000000, 0x7FF0000000000000,
                              0xFFF0000000000000, 0x7FF8000000000001, 0xFFF4000000000002,
                              0x0000000000000001, 0x800FFFFFFFFFFFFF, 0x0010000000000000,
                              0x7FEFFFFFFFFFFFFF, 0x3FF0000000000000, 0xBFF0000000000001,
                              0x4008000000000000, 0x3CA0000000000000, 0xC004000000000000};

template <typename T, size_t N>
void host_matches_library(const T (&values)[N]) {
  auto s = std::make_unique<cpu_state>();
  for (const OpRow<T>& op : op_rows<T>()) {
    unsigned mismatches = 0;
    for (uint32_t mode = 0; mode < 16; ++mode) {
      // RMode in bits 22-23, FZ 24, DN 25; the trap enables and IDE set too,
      // which the host path must not take over.
      const uint32_t fpcr = (mode << 22) | 0x9F00;
      for (T a : values)
        for (T b : values) {
          const T c = values[(a ^ b) % N];
          s->fpcr = fpcr;
          s->fpsr = 0;
          T host;
          {
            HostFpScope scope(s.get());
            host = op.host(a, b, c, scope);
          }
          FPEnv env = fp_env_from_control(fpcr);
          const T lib = op.lib(a, b, c, env);
          const uint32_t lib_flags = fp_status_with_flags(0, env.flags);
          if ((host != lib || s->fpsr != lib_flags) && ++mismatches <= 5)
            ADD_FAILURE() << op.name << std::hex << " fpcr=" << fpcr << " a=" << a << " b=" << b
                          << " c=" << c << ": host " << host << " flags " << s->fpsr << ", library "
                          << lib << " flags " << lib_flags;
        }
    }
    EXPECT_EQ(mismatches, 0u) << op.name;
  }
}

TEST(FpHost, SingleOperationsMatchTheLibrary) { host_matches_library(kSpecialS); }
TEST(FpHost, DoubleOperationsMatchTheLibrary) { host_matches_library(kSpecialD); }

TEST(FpHost, ScopeMergesOnlyTheCumulativeFlagsRaisedInside) {
  auto s = std::make_unique<cpu_state>();
  // fpsr keeps its other bits (QC, the condition bits); the control bits of
  // fpcr never reach it.
  s->fpcr = 0x07C80000;
  s->fpsr = 0xF8000000;
  {
    HostFpScope scope(s.get());
    EXPECT_EQ(HostFp<uint32_t>::div(0x3F800000, 0x40400000, scope),
              0x3EAAAAAAu);  // 1/3, toward zero
  }
  EXPECT_EQ(s->fpsr, 0xF8000000u | FPSCR::IXC);
  // An exact operation raises nothing, whatever the host had raised before,
  // and the host's own status is as it was afterwards.
  std::feclearexcept(FE_ALL_EXCEPT);
  volatile double one = 1.0, three = 3.0;
  volatile double third = one / three;
  (void)third;
  ASSERT_TRUE(std::fetestexcept(FE_INEXACT));
  s->fpcr = 0;
  s->fpsr = 0;
  {
    HostFpScope scope(s.get());
    EXPECT_EQ(HostFp<uint64_t>::add(0x3FF0000000000000, 0x3FF0000000000000, scope),
              0x4000000000000000u);
  }
  EXPECT_EQ(s->fpsr, 0u);
  EXPECT_TRUE(std::fetestexcept(FE_INEXACT));
}

}  // namespace
