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
#include <vector>

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
    EXPECT_EQ(m.element(0, 0, esize), one(esize) + (uint64_t{1} << (esize == 2   ? 10
                                                                    : esize == 4 ? 23
                                                                                 : 52)));
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

// A destination that is also every source reads the old values throughout:
// with every register holding the same data, Zd = Zn = Zm (Pd = Pg) must
// give what distinct registers give. The same for the integer unary forms.
TEST(FpArithHandlers, DestinationMayBeAnySource) {
  std::vector<const qrx::DecodeEntry*> entries = family_entries("fparith");
  for (const qrx::DecodeEntry* e : family_entries("unary")) entries.push_back(e);
  for (const qrx::DecodeEntry* e : entries) {
    SCOPED_TRACE(e->name);
    // The operand fields (those outside the table's bits): Zd/Pd = 3, and
    // every source 3 or, distinct, 7 (the same low bits, so that an
    // immediate or rotation field sharing them reads the same).
    unsigned table = 0;
    ASSERT_EQ(qrx::find_entry(e->pattern, &table), e);
    const uint32_t free = ~qrx::decode_tables()[table].mask;
    const uint32_t aliased = e->pattern | ((3u | (3u << 5) | (3u << 10) | (3u << 16)) & free);
    const uint32_t distinct = e->pattern | ((3u | (7u << 5) | (7u << 10) | (7u << 16)) & free);
    Machine ma, md;
    for (Machine* m : {&ma, &md}) {
      for (unsigned z = 0; z < 32; ++z)
        for (unsigned b = 0; b < qrx::kVectorBytes; ++b) m->s->z[z][b] = uint8_t(b * 37 + 11);
      for (unsigned p = 0; p < 16; ++p)
        for (unsigned b = 0; b < qrx::kPredicateBytes; ++b) m->s->p[p][b] = (b % 3) != 1;
      m->s->fpcr = 0;
      m->s->fpsr = 0;
    }
    ASSERT_EQ(ma.run(aliased, e->name), KALT64_DECODE_OK);
    ASSERT_EQ(md.run(distinct, e->name), KALT64_DECODE_OK);
    EXPECT_EQ(std::memcmp(ma.s->z[3], md.s->z[3], qrx::kVectorBytes), 0);
    EXPECT_EQ(std::memcmp(ma.s->p[3], md.s->p[3], qrx::kPredicateBytes), 0);
    EXPECT_EQ(ma.s->fpsr, md.s->fpsr);
  }
}

// The ordering compares (GE, GT, LE, LT and the absolute ones) signal on a
// quiet NaN; EQ, NE and UO do not. Every compare form, every element active.
TEST(FpArithHandlers, OrderingComparesSignalOnQuietNaN) {
  unsigned checked = 0;
  for (const qrx::DecodeEntry* e : family_entries("fparith")) {
    const std::string name = e->name;
    const size_t at =
        name.find("Cmp") != std::string::npos ? name.find("Cmp") + 3 : name.find("Ac");
    if (at == std::string::npos) continue;
    const std::string cond = name.substr(at, 2);
    const bool absolute = name.find("Ac") != std::string::npos;
    const bool ordering = absolute || cond == "GE" || cond == "GT" || cond == "LE" || cond == "LT";
    SCOPED_TRACE(name);
    const unsigned esize = esize_of(name);
    const uint64_t qnan = esize == 2 ? 0xFE00 : esize == 4 ? 0xFFC00000 : 0xFFF8000000000000;
    Machine m;
    for (unsigned z = 0; z < 32; ++z) m.splat(z, z == 1 ? qnan : one(esize), esize);
    m.all_true(0, esize);
    m.s->nzcv = 0x60000000;
    m.s->fpsr = 0;
    // Pd = P2, Pg = P0, Zn = Z1 (the NaN), Zm = Z0.
    const uint32_t word = e->pattern | 2u | (1u << 5);
    ASSERT_EQ(m.run(word, e->name), KALT64_DECODE_OK);
    EXPECT_EQ(m.s->fpsr, ordering ? FPSCR::IOC : 0u);
    const bool expected = !ordering && cond != "EQ";  // NE and UO hold for a NaN
    EXPECT_EQ(m.s->p[2][0], expected ? 1 : 0);
    EXPECT_EQ(m.s->p[2][qrx::kPredicateBytes - esize], expected ? 1 : 0);
    EXPECT_EQ(m.s->nzcv, 0x60000000u);  // the condition flags are left alone
    ++checked;
  }
  EXPECT_EQ(checked, 39u);
}

// FMAX is not C's fmax: a quiet NaN wins. FNMLA negates its operands, not
// the fused result: under round-toward-plus-infinity -(0 + 3 x 1/3) rounds
// toward the smaller magnitude, and of two NaN operands the accumulator's comes
// out, sign inverted.
TEST(FpArithHandlers, MaxAndNegatedMultiplyAddOnEveryPath) {
  struct Case {
    const char* form;
    uint32_t word;  // Zd/Zda = Z0, Zn = Z1, Zm = Z2 (predicated: P0)
    uint32_t fpcr;
    uint64_t z0, z1, z2, expected;
  };
  const Case cases[] = {
      {"VecF32MaxVVM", 0x65868020, 0, 0x3F800000, 0x7FC00001, 0, 0x7FC00001},
      {"VecD64MaxVVM", 0x65C68020, 0, 0x7FF8000000000002, 0x3FF0000000000000, 0,
       0x7FF8000000000002},
      {"VecF16MaxVVM", 0x65468020, 0, 0x3C00, 0x7E01, 0, 0x7E01},
      // FNMLA Z0, P0/M, Z1, Z2: -0 - 3 x (about 1/3), just off 1.0.
      {"VecF32FNMAVVVM", 0x65A24020, 1u << 22, 0x00000000, 0x40400000, 0x3EAAAAAB, 0xBF800000},
      {"VecD64FNMAVVVM", 0x65E24020, 1u << 22, 0, 0x4008000000000000, 0x3FD5555555555555,
       0xBFEFFFFFFFFFFFFF},
      {"VecF16FNMAVVVM", 0x65624020, 1u << 22, 0, 0x4200, 0x3555, 0xBBFF},
      {"VecF32FNMAVVVM", 0x65A24020, 0, 0x7FC00001, 0x7FC00002, 0x3F800000, 0xFFC00001},
      {"VecD64FNMAVVVM", 0x65E24020, 0, 0xFFF8000000000001, 0x7FF8000000000002, 0,
       0x7FF8000000000001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.form);
    const unsigned esize = esize_of(c.form);
    Machine m;
    m.all_true(0, esize);
    m.splat(0, c.z0, esize);
    m.splat(1, c.z1, esize);
    m.splat(2, c.z2, esize);
    m.s->fpcr = c.fpcr;
    ASSERT_EQ(m.run(c.word, c.form), KALT64_DECODE_OK);
    EXPECT_EQ(m.element(0, 0, esize), c.expected) << std::hex << m.element(0, 0, esize);
    EXPECT_EQ(m.last_element(0, esize), c.expected);
  }
}

}  // namespace
