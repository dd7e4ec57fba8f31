#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "case_gen.h"
#include "state_text.h"

namespace qrx {
namespace harness {
namespace {

std::unique_ptr<machine_state> random_state(uint64_t seed) {
  std::unique_ptr<machine_state> s(new machine_state);
  make_case_state(seed, 0x04210000u, s.get());
  return s;
}

TEST(StateText, PrintThenParseGivesTheSameState) {
  for (uint64_t seed : {1ull, 2ull, 0x1234567ull}) {
    auto s = random_state(seed);
    s->mem[100] ^= 0x5a;  // an edit beyond the seed's fill
    s->mem[kRegionBytes - 1] ^= 1;
    std::unique_ptr<machine_state> back(new machine_state);
    std::string error;
    ASSERT_TRUE(parse_state(print_state(*s), back.get(), &error)) << error;
    EXPECT_EQ(0, std::memcmp(s.get(), back.get(), sizeof *s)) << "seed " << seed;
    EXPECT_TRUE(diff_states(*s, *back).empty());
  }
}

TEST(StateText, OmittedFieldsAreZeroAndFfrAllTrue) {
  std::unique_ptr<machine_state> s(new machine_state);
  std::string error;
  ASSERT_TRUE(parse_state("x3 = 0x10\n# comment\nfpcr = 0x00c00000\n", s.get(), &error)) << error;
  EXPECT_EQ(0x10u, s->x[3]);
  EXPECT_EQ(0u, s->x[4]);
  EXPECT_EQ(0x00c00000u, s->fpcr);
  EXPECT_EQ(1, s->ffr[kPredicateBytes - 1]);
  EXPECT_EQ(0, s->mem[0]);
}

TEST(StateText, RejectsMalformedInputWithItsLine) {
  struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"x31 = 1\n", "line 1: unknown field 'x31'"},
      {"x1 = 1\nfpsr = 0x100000000\n", "line 2: fpsr takes one 32-bit number"},
      {"z0 = 0x1 0x2\n", "line 1: z0 takes"},
      {"p0 = 0101\n", "line 1: p0 takes"},
      {"mem +0x7ff0 = 00112233445566778899aabbccddeeff00\n", "line 1: mem +0x7ff0: bytes run past the end of the region"},
      {"   1\n", "line 1: continuation line without a field"},
      {"sp 5\n", "line 1: expected 'field = value'"},
      {"x2 = -1\n", "line 1: x2 takes one 64-bit number"},
  };
  for (const auto& c : cases) {
    std::unique_ptr<machine_state> s(new machine_state);
    std::string error;
    EXPECT_FALSE(parse_state(c.text, s.get(), &error)) << c.text;
    EXPECT_EQ(0u, error.find(c.error)) << c.text << " gave: " << error;
  }
}

TEST(StateText, DiffNamesTheFieldAndTheFirstDifferingElement) {
  struct {
    const char* field;
    void (*mutate)(machine_state*);
    const char* detail;  // prefix of the detail
  } cases[] = {
      {"x30", [](machine_state* s) { s->x[30] ^= 4; }, "0x"},
      {"sp", [](machine_state* s) { s->sp += 16; }, "0x"},
      {"nzcv", [](machine_state* s) { s->nzcv ^= 1u << 29; }, "0x"},
      {"fpsr", [](machine_state* s) { s->fpsr ^= 1; }, "0x"},
      {"z31", [](machine_state* s) { s->z[31][kVectorBytes - 1] ^= 0x80; }, "d[17] "},
      {"z5", [](machine_state* s) { s->z[5][9] ^= 1; }, "d[1] "},
      {"p15", [](machine_state* s) { s->p[15][kPredicateBytes - 1] ^= 1; }, ""},
      {"ffr", [](machine_state* s) { s->ffr[0] ^= 1; }, ""},
      {"mem", [](machine_state* s) { s->mem[kRegionBytes - 1] ^= 1; }, "0x3e007ff0: "},
  };
  auto base = random_state(9);
  for (const auto& c : cases) {
    std::unique_ptr<machine_state> m(new machine_state(*base));
    c.mutate(m.get());
    auto d = diff_states(*base, *m);
    ASSERT_EQ(1u, d.size()) << c.field;
    EXPECT_EQ(c.field, d[0].field);
    EXPECT_EQ(0u, d[0].detail.find(c.detail)) << c.field << ": " << d[0].detail;
    EXPECT_NE(std::string::npos, describe_changes(*base, *m).find(c.field)) << c.field;
  }
}

TEST(StateText, ProbeImageRoundTripKeepsPredicateBits) {
  auto s = random_state(11);
  probe_regs r;
  to_probe(*s, &r);
  EXPECT_EQ(s->p[2][8] & 1, (r.p[2][1] >> 0) & 1);
  std::unique_ptr<machine_state> back(new machine_state(*s));
  std::memset(back->z, 0, sizeof back->z);
  std::memset(back->p, 0, sizeof back->p);
  from_probe(r, back.get());
  EXPECT_TRUE(diff_states(*s, *back).empty());
}

}  // namespace
}  // namespace harness
}  // namespace qrx
