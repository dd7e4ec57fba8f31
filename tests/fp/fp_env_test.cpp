// The environment of a library function: one control word for a run of
// element operations, and their flags set in the context's status word; the
// status word's mode word, and flags merged into it without clearing one.
#include <gtest/gtest.h>

#include <vector>

#include "qrx/fp/fp.h"
#include "qrx/library/fp_env.h"
#include "tests/fp/fp_test_util.h"

using namespace fptest;

namespace {

constexpr uint32_t kQC = 1u << 27, kNZCV = 0xFu << 28;

struct EnvCase {
  const char* what;
  uint32_t fpcr, fpsr;
  int ops;  // how many of the element operations below run
  std::vector<uint64_t> want;
  uint32_t want_fpsr;
};

// Element operations that each read a different part of the control word:
// FZ (IDC, exact sum), RMode (the quotient rounded toward zero) and AHP.
std::vector<uint64_t> run_ops(FPEnv& env, int ops) {
  std::vector<uint64_t> r;
  if (ops > 0) r.push_back(FPAdd<uint32_t>(0x00000001, 0x3F800000, env));
  if (ops > 1) r.push_back(FPDiv<uint32_t>(0x3F800000, 0x40400000, env));
  if (ops > 2) r.push_back(FPConvert<uint32_t, uint16_t>(0x7F800000, FPRounding::Zero, env));
  return r;
}

TEST(FPEnvOfContext, ControlOnceFlagsMergedOnce) {
  const EnvCase cases[] = {
      {"all three", RZ | FZ | AHP, UFC | kQC, 3, {0x3F800000, 0x3EAAAAAA, 0x7FFF},
       UFC | kQC | IDC | IXC | IOC},
      {"no flush, to nearest", RN, 0, 2, {0x3F800000, 0x3EAAAAAB}, IXC},
      // The status word's other bits stay; control bits never enter it.
      {"none run", RZ | FZ | DN | kNZCV, kNZCV | IOC, 0, {}, kNZCV | IOC},
      {"control stays out", RZ | FZ | kNZCV | kQC, 0, 1, {0x3F800000}, IDC},
  };
  for (const EnvCase& c : cases) {
    CpuContext ctx{};
    ctx.FPCR = c.fpcr;
    ctx.FPSR = c.fpsr;
    const std::vector<uint64_t> got =
        qrx::with_fp_env(&ctx, [&](FPEnv& env) { return run_ops(env, c.ops); });
    EXPECT_EQ(got, c.want) << c.what;
    EXPECT_EQ(ctx.FPSR, c.want_fpsr) << c.what;
    EXPECT_EQ(ctx.FPCR, c.fpcr) << c.what;
  }
}

TEST(FPStatus, ModeWordAndMerge) {
  FPSCR s{FPSCR::AHP | FPSCR::DN | FPSCR::FZ | (2u << 22) | FPSCR::FZ16 | 0xF0000000u | FPSCR::UFC};
  EXPECT_EQ(fp_mode_from_fpscr(s), 2 | FP_MODE_FZ | FP_MODE_DN | FP_MODE_FZ16);
  fp_set_flags(s, FP_FLAG_IOC | FP_FLAG_IDC | 0x60);
  EXPECT_EQ(s.value & 0xFF, FPSCR::UFC | FPSCR::IOC | FPSCR::IDC);  // never clears, drops non-flags
  EXPECT_EQ(s.value & 0xF0000000u, 0xF0000000u);
}

}  // namespace
