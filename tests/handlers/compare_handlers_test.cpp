// Integer compares where the reference sweeps do not reach: Pd = Pg (the
// result and the flags from the old Pg) and the nzcv bits the two paths leave
// alone. The values that tell the conditions apart are swept against the
// model by qrx-int-edges --family compare.
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
    // N from element 1 (true), Z=0, C = NOT element n-1 (true only when it
    // is element 1).
    EXPECT_EQ(m.s->nzcv & 0xF0000000, kN | (n == 2 ? 0 : kC));
    EXPECT_EQ(m.s->nzcv & 0x0FFFFFFF, kOther & 0x0FFFFFFF);
    EXPECT_EQ(m.s->nzcv >> 32, library ? 0 : kOther >> 32);
  }
}

}  // namespace
