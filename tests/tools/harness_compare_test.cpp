#include <gtest/gtest.h>

#include <csignal>
#include <memory>

#include "case_gen.h"
#include "compare.h"
#include "qrx/decode/pending.h"
#include "runner.h"

namespace qrx {
namespace harness {
namespace {

struct Fixture : ::testing::Test {
  std::unique_ptr<machine_state> initial{new machine_state}, model{new machine_state}, emu{new machine_state};
  void SetUp() override {
    make_case_state(42, 0x65000000u, initial.get());
    initial->fpsr = 0;
    *model = *initial;
    model->z[3][0] ^= 0xff;  // the instruction's effect
    model->fpsr |= 0x10;
    *emu = *model;
  }
  verdict judge(const std::vector<deviation>& devs = {}, int signal = 0,
                kalt64_decode_rc rc = KALT64_DECODE_OK) {
    return judge_case("VecF16AddVVM", *initial, signal, *model, rc, *emu, devs);
  }
};

std::vector<deviation> deviations(const char* text) {
  std::vector<deviation> d;
  std::string error;
  EXPECT_TRUE(parse_deviations(text, &d, &error)) << error;
  return d;
}

TEST_F(Fixture, EqualResultsPass) { EXPECT_EQ(outcome::pass, judge().result); }

TEST_F(Fixture, AWrongResultFailsWithItsField) {
  emu->z[3][17] ^= 1;
  emu->p[6][0] ^= 1;
  verdict v = judge();
  ASSERT_EQ(outcome::fail, v.result);
  ASSERT_EQ(2u, v.mismatch.size());
  EXPECT_EQ("z3", v.mismatch[0].field);
  EXPECT_EQ(0u, v.mismatch[0].detail.find("d[2] "));
  EXPECT_EQ("p6", v.mismatch[1].field);
}

TEST_F(Fixture, ModelSignalsAreTheirOwnClasses) {
  EXPECT_EQ(outcome::undefined, judge({}, SIGILL).result);
  EXPECT_EQ(outcome::fault, judge({}, SIGSEGV).result);
  EXPECT_EQ(SIGSEGV, judge({}, SIGSEGV).signal);
}

TEST_F(Fixture, MemoryCasesMustFaultAlike) {
  // model signal, emulator signal, straddling case, deviations, region differs -> outcome, failing field
  struct Case {
    int model_signal, emu_signal;
    bool straddles, sparse;
    const char* devs;
    bool region_differs;
    outcome result;
    const char* field;
  };
  const char* kStraddle = "VecF16AddVVM signal straddle the model faults on a straddling element\n"
                          "VecF16AddVVM z3 straddle the model clears the vector\n";
  const char* kSparse = "VecF16AddVVM z3 ffr-prefix the model stops early\n"
                        "VecF16AddVVM z3 sparse the model misplaces elements\n";
  const Case cases[] = {
      {SIGSEGV, SIGSEGV, false, false, "", false, outcome::fault, ""},
      {SIGSEGV, SIGSEGV, false, false, "", true, outcome::fail, "mem"},  // the stores before the fault differ
      {SIGSEGV, 0, false, false, "", false, outcome::fail, "signal"},
      {0, SIGSEGV, false, false, "", false, outcome::fail, "signal"},
      {SIGSEGV, 0, true, false, kStraddle, false, outcome::pass, ""},
      {SIGSEGV, 0, false, false, kStraddle, false, outcome::fail, "signal"},  // only where an element straddles
      {0, 0, true, false, kStraddle, false, outcome::pass, ""},
      {0, 0, false, true, kSparse, false, outcome::pass, ""},  // the second line explains z3
      {0, 0, false, true, kStraddle, false, outcome::fail, "z3"},
  };
  for (const Case& c : cases) {
    *emu = *model;
    if (c.region_differs) emu->mem[100] ^= 1;
    if (c.straddles || c.sparse) emu->z[3][9] ^= 1;
    emulator_memory mem{c.emu_signal, c.straddles, c.sparse};
    verdict v = judge_case("VecF16AddVVM", *initial, c.model_signal, *model, KALT64_DECODE_OK, *emu,
                           deviations(c.devs), &mem);
    EXPECT_EQ(c.result, v.result) << c.model_signal << " " << c.emu_signal << " " << c.straddles;
    if (*c.field) {
      ASSERT_FALSE(v.mismatch.empty());
      EXPECT_EQ(c.field, v.mismatch[0].field);
    }
  }
}

// ahp: the field is passed over only in a case that starts with AHP set.
TEST_F(Fixture, AhpDeviationAppliesOnlyUnderAhp) {
  const auto devs = deviations("VecF16AddVVM z3 ahp the model ignores AHP\n");
  emu->z[3][5] ^= 1;
  const struct { uint32_t fpcr; outcome result; } cases[] = {{0, outcome::fail}, {1u << 26, outcome::pass}};
  for (const auto& c : cases) {
    initial->fpcr = c.fpcr;
    EXPECT_EQ(c.result, judge(devs).result) << c.fpcr;
  }
}

TEST_F(Fixture, FfrPrefixAllowsOnlyAnEarlierStopOfTheModel) {
  // The model's FFR is clear from `model_stop` (bytes), the emulator's from
  // `emu_stop`; `z_before` corrupts the emulator's z3 below the model's stop.
  struct Case {
    unsigned model_stop, emu_stop;
    bool z_before;
    outcome result;
  };
  const Case cases[] = {
      {40, 80, false, outcome::pass},   // the model stopped earlier
      {0, 144, false, outcome::pass},   // it cleared the whole FFR
      {80, 40, false, outcome::fail},   // the emulator stopped earlier
      {40, 80, true, outcome::fail},    // a loaded element differs
  };
  auto devs = deviations("VecF16AddVVM (ffr|z[0-9]+) ffr-prefix the model stops early\n");
  for (const Case& c : cases) {
    *emu = *model;
    for (unsigned j = 0; j < kPredicateBytes; ++j) {
      model->ffr[j] = j < c.model_stop;
      emu->ffr[j] = j < c.emu_stop;
    }
    for (unsigned j = c.model_stop; j < kPredicateBytes; ++j) model->z[3][j] = 0;  // the model's zeros
    if (c.z_before) emu->z[3][c.model_stop - 1] ^= 1;
    EXPECT_EQ(c.result, judge(devs).result) << c.model_stop << " " << c.emu_stop << " " << c.z_before;
  }
}

TEST_F(Fixture, AnEmulatorThatDoesNotExecuteFails) {
  verdict v = judge({}, 0, KALT64_DECODE_NOT_EXECUTED);
  ASSERT_EQ(outcome::fail, v.result);
  EXPECT_EQ("rc", v.mismatch[0].field);
}

TEST_F(Fixture, ADeviationExplainsExactlyItsFormAndField) {
  emu->fpsr = initial->fpsr;  // the emulator leaves FPSR as it was
  struct {
    const char* text;
    outcome expect;
  } cases[] = {
      {"VecF16AddVVM fpsr unchanged documented\n", outcome::pass},
      {"VecF16.* fp.* any documented\n", outcome::pass},
      {"VecF16AddVVM fpcr unchanged documented\n", outcome::fail},   // another field
      {"VecF32AddVVM fpsr unchanged documented\n", outcome::fail},   // another form
      {"VecF16Add fpsr unchanged documented\n", outcome::fail},      // whole-name match only
      {"VecF16AddVVM fps unchanged documented\n", outcome::fail},    // whole-field match only
  };
  for (const auto& c : cases) EXPECT_EQ(c.expect, judge(deviations(c.text)).result) << c.text;

  emu->fpsr = 0x1234;  // neither the model's value nor unchanged
  EXPECT_EQ(outcome::fail, judge(deviations("VecF16AddVVM fpsr unchanged documented\n")).result);
}

TEST(Deviations, MalformedLinesAreRejected) {
  for (const char* text : {"VecX fpsr\n", "VecX fpsr sometimes reason\n", "VecX fpsr any\n", "Vec( fpsr any why\n"}) {
    std::vector<deviation> d;
    std::string error;
    EXPECT_FALSE(parse_deviations(text, &d, &error)) << text;
    EXPECT_EQ(0u, error.find("line 1")) << error;
  }
}

TEST(Report, FailingFormsShowFieldsAndAReproduceCommand) {
  form_tally t;
  t.form = "VecU8AddVVX";
  count(&t, {outcome::pass, 0, {}}, 0x04210000u, 5);
  count(&t, {outcome::fail, 0, {{"z0", "d[0] 0x1 vs 0x2"}}}, 0x04220000u, 0x77);
  count(&t, {outcome::fail, 0, {{"z1", "later"}}}, 0x04230000u, 0x78);
  count(&t, {outcome::undefined, SIGILL, {}}, 0x04240000u, 0x79);
  EXPECT_EQ(4u, t.cases);
  EXPECT_EQ(1u, t.pass);
  EXPECT_EQ(2u, t.fail);
  EXPECT_EQ(1u, t.undefined);
  std::string r = format_report({t});
  EXPECT_NE(std::string::npos, r.find("FAIL VecU8AddVVX: 2 of 4 cases differ; first: word 0x04220000"));
  EXPECT_NE(std::string::npos, r.find("  z0: d[0] 0x1 vs 0x2\n"));
  EXPECT_NE(std::string::npos, r.find("reproduce: qrx-exec --seed 0x77 0x04220000"));
  EXPECT_EQ(std::string::npos, r.find("later"));
}

}  // namespace
}  // namespace harness
}  // namespace qrx
