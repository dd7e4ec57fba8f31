// Every integer unary form (extensions, CLS, CLZ, CNT, NOT, CNOT) on encoded
// words at the values that tell the operations apart: zero, all ones, the
// sign bit alone and the bit below it, with every other element inactive
// (those keep Zd, whatever Zn holds). Zd = Zn is covered by running one
// form in place.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "qrx/decode/decode_tables.h"
#include "qrx/state/cpu_state.h"
#include "tests/handlers/family_entries.h"

namespace {

using qrx::kPredicateBytes;
using qrx::kVectorBytes;

uint64_t ones(unsigned bits) { return bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1; }

// (input, result) pairs for operation `op` on elements of `bits` bits.
std::vector<std::pair<uint64_t, uint64_t>> cases_for(const std::string& op, char sign,
                                                     unsigned bits) {
  const uint64_t all = ones(bits), top = uint64_t{1} << (bits - 1), next = top >> 1;
  if (op == "Cls") return {{0, bits - 1}, {all, bits - 1}, {next, 0}, {1, bits - 2}, {top, 0}};
  if (op == "Clz") return {{0, bits}, {1, bits - 1}, {top, 0}, {all, 0}};
  if (op == "Cnt") return {{0, 0}, {all, bits}, {top | 1, 2}};
  if (op == "Inv") return {{0, all}, {top, all ^ top}};
  if (op == "Not") return {{0, 1}, {top, 0}, {1, 0}, {all, 0}};
  // ExtndKM: the low K bytes extended.
  unsigned k = 8 * static_cast<unsigned>(op[5] - '0');
  uint64_t low_top = uint64_t{1} << (k - 1), high = all & ~ones(k);
  if (sign == 'S')
    return {{low_top, high | low_top}, {high | (low_top - 1), low_top - 1}, {ones(k), all}};
  return {{high | low_top, low_top}, {ones(k), ones(k)}, {high, 0}};
}

TEST(UnaryHandlers, EveryFormMergesItsOperation) {
  static const std::regex re("Vec([SU])(16|32|64|8)(Cls|Clz|Cnt|Inv|Not|Extnd[124][248])VM");
  unsigned forms = 0;
  for (const qrx::DecodeEntry* entry : family_entries("unary")) {
    std::cmatch m;
    ASSERT_TRUE(std::regex_match(entry->name, m, re)) << entry->name;
    SCOPED_TRACE(entry->name);
    ++forms;
    const unsigned bits = static_cast<unsigned>(std::atoi(m[2].first)), esize = bits / 8;
    const auto cases = cases_for(m[3].str(), m[1].str()[0], bits);
    std::unique_ptr<cpu_state> s(new cpu_state{});
    const unsigned n = kVectorBytes / esize;
    for (unsigned i = 0; i < n; ++i) {
      uint64_t in = cases[(i / 2) % cases.size()].first, keep = 0x5A5A5A5A5A5A5A5Aull + i;
      std::memcpy(s->z[1] + i * esize, &in, esize);
      std::memcpy(s->z[6] + i * esize, &keep, esize);
      s->p[3][i * esize] = i % 2 == 0;  // even elements active
    }
    uint32_t word = entry->pattern | 3u << 10 | 1u << 5 | 6;  // Zd Z6, Pg P3, Zn Z1
    ASSERT_EQ(entry->handler(s.get(), word), KALT64_DECODE_OK);
    for (unsigned i = 0; i < n; ++i) {
      uint64_t got = 0, want = i % 2 == 0 ? cases[(i / 2) % cases.size()].second
                                          : (0x5A5A5A5A5A5A5A5Aull + i) & ones(bits);
      std::memcpy(&got, s->z[6] + i * esize, esize);
      ASSERT_EQ(got, want) << "element " << i;
    }
    // In place: Zd = Zn, every element active.
    std::memset(s->p[3], 1, kPredicateBytes);
    std::memcpy(s->z[6], s->z[1], kVectorBytes);
    ASSERT_EQ(entry->handler(s.get(), entry->pattern | 3u << 10 | 6u << 5 | 6), KALT64_DECODE_OK);
    for (unsigned i = 0; i < n; ++i) {
      uint64_t got = 0;
      std::memcpy(&got, s->z[6] + i * esize, esize);
      ASSERT_EQ(got, cases[(i / 2) % cases.size()].second) << "in place, element " << i;
    }
  }
  EXPECT_EQ(forms, 32u);
}

}  // namespace
