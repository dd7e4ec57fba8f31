// What the reference comparison cannot show of the floating-point
// arithmetic forms: inactive elements never reach an FP operation (an
// all-false predicate over signalling NaNs leaves FPSR alone on every
// predicated form), only FPCR's control bits govern an element and only the
// cumulative flags reach FPSR, and the operand rules the generator rarely
// hits.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "qrx/fp/fp_status.h"
#include "tests/handlers/family_entries.h"
#include "tests/handlers/handler_machine.h"

namespace {

using qrx_test::Machine;

unsigned esize_of(const std::string& name) {
  return name.compare(0, 6, "VecF16") == 0 ? 2 : name.compare(0, 6, "VecF32") == 0 ? 4 : 8;
}
uint64_t snan(unsigned esize) {
  return esize == 2 ? 0x7D01 : esize == 4 ? 0x7F800001 : 0x7FF0000000000001;
}
uint64_t one(unsigned esize) {
  return esize == 2 ? 0x3C00 : esize == 4 ? 0x3F800000 : 0x3FF0000000000000;
}
bool predicated(const std::string& name) { return name.back() == 'M' || name.back() == 'Z'; }

TEST(FpArithHandlers, InactiveElementsRaiseNothing) {
  unsigned checked = 0;
  for (const qrx::DecodeEntry* e : family_entries("fparith")) {
    const std::string name = e->name;
    if (!predicated(name)) continue;
    SCOPED_TRACE(name);
    Machine m;
    const unsigned esize = esize_of(name);
    for (unsigned z = 0; z < 32; ++z) m.splat(z, snan(esize), esize);
    for (auto& p : m.s->p) std::memset(p, 0, sizeof p);
    m.s->fpcr = 3u << 22;
    m.s->fpsr = 0;
    ASSERT_EQ(m.run(e->pattern, e->name), KALT64_DECODE_OK);
    EXPECT_EQ(m.s->fpsr, 0u);
    // The result is the old destination (merging) or all false (compares).
    if (name.back() == 'M') {
      EXPECT_EQ(m.element(0, 0, esize), snan(esize));
    }
    for (auto& p : m.s->p)
      for (unsigned j = 0; j < qrx::kPredicateBytes; ++j) ASSERT_EQ(p[j], 0);
    ++checked;
  }
  EXPECT_GT(checked, 0u);
}

// FADD on every path with FPCR's low bits (trap enables, IDE, the newer
// control bits) all set: they neither change the result nor turn into flags;
// an inexact sum raises IXC alone, on top of FPSR's other bits.
TEST(FpArithHandlers, OnlyControlBitsGovernAndOnlyFlagsMerge) {
  const uint32_t kLowControl = 0x0000FF07;
  for (const qrx::DecodeEntry* e : family_entries("fparith")) {
    const std::string name = e->name;
    if (name.find("AddVV") == std::string::npos) continue;
    SCOPED_TRACE(name);
    const unsigned esize = esize_of(name);
    Machine m;
    for (unsigned z = 0; z < 32; ++z) m.splat(z, one(esize), esize);
    for (unsigned p = 0; p < 8; ++p) m.all_true(p, esize);
    m.s->fpcr = kLowControl;
    m.s->fpsr = 0xF8000000;
    ASSERT_EQ(m.run(e->pattern, e->name), KALT64_DECODE_OK);
    EXPECT_EQ(m.element(0, 0, esize), one(esize) + (uint64_t{1} << (esize == 2 ? 10 : esize == 4 ? 23 : 52)));
    EXPECT_EQ(m.s->fpsr, 0xF8000000u);
    // 1 + the smallest subnormal: inexact.
    m.splat(1, 1, esize);
    m.splat(0, one(esize), esize);
    m.splat(2, one(esize), esize);
    const uint32_t zn_zm = name.back() == 'M' ? 1u << 5 : (1u << 5) | (2u << 16);
    ASSERT_EQ(m.run(e->pattern | zn_zm, e->name), KALT64_DECODE_OK);
    EXPECT_EQ(m.s->fpsr, 0xF8000000u | FPSCR::IXC);
  }
}

}  // namespace
