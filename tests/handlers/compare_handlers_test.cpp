// Every integer compare form on encoded words, at the values that tell the
// conditions apart: the signed/unsigned boundary, equality, the immediates'
// sign and width, and narrow elements against full 64-bit wide operands. A
// swapped pair of unsigned names or a truncated wide operand fails here even
// when random data would pass. Also: the flags of an all-false Pg, Pd = Pg,
// Pd above P7, and the flag bits the two paths leave alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "qrx/decode/decode_tables.h"
#include "qrx/state/cpu_state.h"
#include "tests/handlers/family_entries.h"
#include "tests/handlers/handler_machine.h"

namespace {

using qrx::kPredicateBytes;
using qrx::kVectorBytes;
using qrx_test::Machine;

constexpr uint64_t kN = 0x80000000, kZ = 0x40000000, kC = 0x20000000;

// A compare form, parsed from its handler name.
struct Form {
  std::string name;
  uint32_t pattern;
  unsigned esize;    // bytes
  std::string cond;  // EQ .. LE, HI .. LS for the unsigned forms
  char operand;      // 'V' vectors, 'I' immediate, 'W' wide
};

std::vector<Form> compare_forms() {
  static const std::regex re("Vec([SU])(8|16|32|64)CmpFlg(EQ|NE|GT|GE|LT|LE)V([VIW])Z");
  static const char* const unsigned_cond[][2] = {
      {"GT", "HI"}, {"GE", "HS"}, {"LT", "LO"}, {"LE", "LS"}};
  std::vector<Form> forms;
  for (const qrx::DecodeEntry* entry : family_entries("compare")) {
    std::cmatch m;
    EXPECT_TRUE(std::regex_match(entry->name, m, re)) << entry->name;
    Form f{entry->name, entry->pattern, static_cast<unsigned>(std::atoi(m[2].first)) / 8,
           m[3].str(), m[4].str()[0]};
    if (m[1] == "U")
      for (auto& u : unsigned_cond)
        if (f.cond == u[0]) f.cond = u[1];
    forms.push_back(f);
  }
  return forms;
}

uint64_t ones(unsigned bytes) {
  return bytes == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * bytes)) - 1;
}

// Operand values by case: the element a and the second operand b.
struct Pair {
  uint64_t a, b;
};

// Expected outcome per condition over a list of pairs, as '0'/'1' strings
// in the order EQ NE GT GE LT LE HI HS LO LS.
const char* const kConds[] = {"EQ", "NE", "GT", "GE", "LT", "LE", "HI", "HS", "LO", "LS"};
char expected(const char* const* truth, const std::string& cond, unsigned k) {
  for (unsigned c = 0; c < 10; ++c)
    if (cond == kConds[c]) return truth[c][k];
  return '?';
}

// Same-size operands: (max, min), (min, max), (min, min) of the signed
// range; unsigned, max < min.
std::vector<Pair> vector_pairs(unsigned esize) {
  uint64_t min = uint64_t{1} << (8 * esize - 1), max = min - 1;
  return {{max, min}, {min, max}, {min, min}};
}
const char* const kVectorTruth[10] = {"001", "110", "100", "101", "010",
                                      "011", "010", "011", "100", "101"};

// Narrow elements against 64-bit doublewords, nothing truncated:
// (min, 0), (min, min sign-extended), (max, max), (all ones, ones
// zero-extended), (1, 2^63).
std::vector<Pair> wide_pairs(unsigned esize) {
  uint64_t min = uint64_t{1} << (8 * esize - 1), max = min - 1;
  return {{min, 0},
          {min, ~uint64_t{0} << (8 * esize - 1)},
          {max, max},
          {ones(esize), ones(esize)},
          {1, uint64_t{1} << 63}};
}
const char* const kWideTruth[10] = {"01100", "10011", "00001", "01101", "10010",
                                    "11110", "10000", "10110", "01001", "01111"};

// Immediates: -1 against -1, 0 and the signed minimum; 127 against 127,
// 128, all ones and 0.
std::vector<Pair> signed_imm_pairs(unsigned esize) {
  return {{ones(esize), 0}, {0, 0}, {uint64_t{1} << (8 * esize - 1), 0}};
}
const char* const kSignedImmTruth[10] = {"100", "011", "010", "110", "001", "101"};
std::vector<Pair> unsigned_imm_pairs(unsigned esize) {
  return {{127, 0}, {128, 0}, {ones(esize), 0}, {0, 0}};
}
const char* const kUnsignedImmTruth[10] = {"", "", "", "", "", "", "0110", "1110", "0001", "1001"};

struct FormCase {
  std::vector<Pair> pairs;
  const char* const* truth;
  uint32_t second;  // the Zm (Z3) or immediate field
};
FormCase setup_for(const Form& f) {
  const bool is_unsigned = f.cond == "HI" || f.cond == "HS" || f.cond == "LO" || f.cond == "LS";
  if (f.operand == 'V') return {vector_pairs(f.esize), kVectorTruth, 3u << 16};
  if (f.operand == 'W') return {wide_pairs(f.esize), kWideTruth, 3u << 16};
  if (is_unsigned) return {unsigned_imm_pairs(f.esize), kUnsignedImmTruth, 127u << 14};
  return {signed_imm_pairs(f.esize), kSignedImmTruth, 0x1Fu << 16};
}

TEST(CompareHandlers, EveryFormAtTheBoundaries) {
  std::vector<Form> forms = compare_forms();
  ASSERT_EQ(forms.size(), 94u);
  for (const Form& f : forms) {
    SCOPED_TRACE(f.name);
    Machine m;
    m.all_true(2, f.esize);
    const FormCase c = setup_for(f);
    const unsigned n = kVectorBytes / f.esize, npairs = static_cast<unsigned>(c.pairs.size());
    // Element i of the wide forms meets doubleword i * E / 8, so pairs go by
    // doubleword there and by element elsewhere.
    auto pair_of = [&](unsigned i) { return (f.operand == 'W' ? i * f.esize / 8 : i) % npairs; };
    for (unsigned i = 0; i < n; ++i) m.set_element(1, i, c.pairs[pair_of(i)].a, f.esize);
    for (unsigned i = 0; i < n && f.operand == 'V'; ++i)
      m.set_element(3, i, c.pairs[pair_of(i)].b, f.esize);
    for (unsigned k = 0; k < kVectorBytes / 8 && f.operand == 'W'; ++k)
      m.set_element(3, k, c.pairs[k % npairs].b, 8);
    // Pd P5, Pg P2, Zn Z1.
    ASSERT_EQ(m.run(f.pattern | c.second | 2u << 10 | 1u << 5 | 5), KALT64_DECODE_OK);
    for (unsigned i = 0; i < n; ++i) {
      ASSERT_EQ(m.s->p[5][i * f.esize], expected(c.truth, f.cond, pair_of(i)) - '0')
          << "element " << i;
      for (unsigned b = 1; b < f.esize; ++b) ASSERT_EQ(m.s->p[5][i * f.esize + b], 0);
    }
  }
}

// With no active element the result is all false and the flags N=0 Z=1 C=1
// V=0, whatever the data and the old Pd (P15 here: Pd has four bits).
TEST(CompareHandlers, AllFalseGoverningPredicate) {
  for (const Form& f : compare_forms()) {
    Machine m;
    std::memset(m.s->p[15], 1, kPredicateBytes);
    m.s->nzcv = kN | 0x10000000;
    ASSERT_EQ(m.run(f.pattern | 7u << 10 | 15), KALT64_DECODE_OK) << f.name;
    EXPECT_EQ(m.flags(), kZ | kC) << f.name;
    for (unsigned j = 0; j < kPredicateBytes; ++j) ASSERT_EQ(m.s->p[15][j], 0) << f.name;
  }
}

// Pd = Pg: the result and the flags come from the old Pg, whose first
// active element is the only one that compares true (EQ and, on the library
// path, GE against 0). The routine path keeps nzcv's other bits; the library
// path keeps bits 27..0 and clears 63..32.
TEST(CompareHandlers, DestinationMayBeTheGoverningPredicate) {
  const uint64_t kOther = 0xABCD000000000000ull | 0x0FFFFFFF;
  for (const Form& f : compare_forms()) {
    const bool library = f.cond == "GE" && f.operand == 'I';
    if (!library && (f.operand == 'W' || f.cond != "EQ")) continue;
    SCOPED_TRACE(f.name);
    Machine m;
    const unsigned n = kVectorBytes / f.esize;
    m.all_true(4, f.esize);
    m.s->p[4][0] = 0;  // element 0 inactive, 1 .. n-1 active
    for (unsigned i = 0; i < n; ++i) m.set_element(1, i, i == 1 ? 0 : ones(f.esize), f.esize);
    m.s->nzcv = kOther;
    // Pd P4, Pg P4, Zn Z1, Zm Z0 (zero) or the immediate 0.
    ASSERT_EQ(m.run(f.pattern | 4u << 10 | 1u << 5 | 4), KALT64_DECODE_OK);
    EXPECT_EQ(m.s->p[4][0], 0);
    EXPECT_EQ(m.s->p[4][f.esize], 1);
    for (unsigned i = 2; i < n; ++i) ASSERT_EQ(m.s->p[4][i * f.esize], 0) << i;
    // N from element 1 (true), Z=0, C = NOT element n-1 = 1.
    EXPECT_EQ(m.s->nzcv & 0xF0000000, kN | kC);
    EXPECT_EQ(m.s->nzcv & 0x0FFFFFFF, kOther & 0x0FFFFFFF);
    EXPECT_EQ(m.s->nzcv >> 32, library ? 0 : kOther >> 32);
  }
}

}  // namespace
