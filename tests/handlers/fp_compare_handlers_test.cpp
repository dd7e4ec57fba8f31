// The floating-point compares decide ordered operands from their bits and
// take the library's compare only when an active operand is a NaN or, under
// flush-to-zero, a subnormal. The reference comparison rarely puts such
// lanes beside ordinary ones, nor runs with FZ set: here one vector holds
// lanes of every kind, with some inactive, and FZ (FZ16 for halves) off and
// on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "qrx/fp/fp_status.h"
#include "tests/handlers/handler_machine.h"

namespace {

using qrx_test::Machine;

enum Kind { kTwo, kOne, kNegZero, kZero, kMinSub, kNegInf, kMax, kQNaN, kSNaN };

uint64_t bits(Kind k, unsigned esize) {
  static const uint64_t kBits[][3] = {
      {0x4000, 0x40000000, 0x4000000000000000}, {0x3C00, 0x3F800000, 0x3FF0000000000000},
      {0x8000, 0x80000000, 0x8000000000000000}, {0, 0, 0},
      {0x0001, 0x00000001, 0x0000000000000001}, {0xFC00, 0xFF800000, 0xFFF0000000000000},
      {0x7BFF, 0x7F7FFFFF, 0x7FEFFFFFFFFFFFFF}, {0x7E00, 0x7FC00000, 0x7FF8000000000000},
      {0x7D00, 0x7FA00000, 0x7FF4000000000000}};
  return kBits[k][esize == 2 ? 0 : esize == 4 ? 1 : 2];
}

// Zn C Zm lane by lane; lanes past the table compare 1.0 with 1.0.
struct Lane {
  Kind n, m;
  bool gt, ge, acgt;  // without flushing
};
const Lane kLanes[] = {
    {kTwo, kOne, true, true, true},      {kNegZero, kZero, false, true, false},
    {kMinSub, kZero, true, true, true},  // flushed: 0 against 0
    {kNegInf, kMax, false, false, true}, {kQNaN, kOne, false, false, false},
    {kSNaN, kSNaN, false, false, false},
};
constexpr unsigned kSubLane = 2, kQNaNLane = 4, kSNaNLane = 5;

TEST(FpCompareHandlers, OrderedLanesBesideNaNsAndSubnormals) {
  struct Case {
    unsigned active;  // bit j: lane j of the table active (later lanes always)
    bool flush;
  };
  const Case cases[] = {{0x0F, false}, {0x0F, true}, {0x1F, false},
                        {0x2B, true},  {0x3F, true}, {0x00, true}};
  const char* forms[] = {"VecF16CmpGTVVZ", "VecF32CmpGTVVZ", "VecD64CmpGTVVZ",
                         "VecF16CmpGEVVZ", "VecF32CmpGEVVZ", "VecD64CmpGEVVZ",
                         "VecF16AcGTVVZ",  "VecF32AcGTVVZ",  "VecD64AcGTVVZ"};
  for (const char* form : forms) {
    const std::string name = form;
    const qrx::DecodeEntry* e = nullptr;
    for (unsigned t = 0; t < qrx::kNumDecodeTables && !e; ++t)
      for (unsigned k = 0; k < qrx::decode_tables()[t].num_entries; ++k)
        if (name == qrx::decode_tables()[t].entries[k].name) e = &qrx::decode_tables()[t].entries[k];
    ASSERT_NE(e, nullptr) << form;
    const unsigned esize = name.compare(3, 3, "F16") == 0 ? 2 : name.compare(3, 3, "F32") == 0 ? 4 : 8;
    const bool ge = name.find("GE") != std::string::npos, abs = name.find("Ac") != std::string::npos;
    // The table's lanes that fit in the vector (all six from 384 bits).
    const unsigned lanes = std::min(6u, qrx::kPredicateBytes / esize);
    for (const Case& c : cases) {
      const unsigned active = c.active & ((1u << lanes) - 1);
      SCOPED_TRACE(name + " active " + std::to_string(active) + (c.flush ? " FZ" : ""));
      Machine m;
      m.splat(1, bits(kOne, esize), esize);
      m.splat(0, bits(kOne, esize), esize);
      m.all_true(0, esize);
      for (unsigned j = 0; j < lanes; ++j) {
        m.set_element(1, j, bits(kLanes[j].n, esize), esize);
        m.set_element(0, j, bits(kLanes[j].m, esize), esize);
        m.s->p[0][j * esize] = (active >> j) & 1;
      }
      m.s->fpcr = c.flush ? FPSCR::FZ | FPSCR::FZ16 : 0;
      m.s->fpsr = 0;
      // Pd = P2, Pg = P0, Zn = Z1, Zm = Z0.
      ASSERT_EQ(m.run(e->pattern | 2u | (1u << 5), form), KALT64_DECODE_OK);
      const bool flushed = c.flush && ((active >> kSubLane) & 1);
      uint32_t fpsr = 0;
      if ((active >> kQNaNLane) & 1 || (active >> kSNaNLane) & 1) fpsr |= FPSCR::IOC;
      if (flushed && esize != 2) fpsr |= FPSCR::IDC;  // halves flush without IDC
      EXPECT_EQ(m.s->fpsr, fpsr);
      for (unsigned j = 0; j < qrx::kPredicateBytes / esize; ++j) {
        bool expected = ge;  // 1.0 against 1.0
        if (j < lanes) {
          const Lane& l = kLanes[j];
          expected = ((active >> j) & 1) && (ge ? l.ge : abs ? l.acgt : l.gt) &&
                     !(c.flush && j == kSubLane && !ge);
        }
        EXPECT_EQ(m.s->p[2][j * esize], expected ? 1 : 0) << "lane " << j;
        for (unsigned b = 1; b < esize; ++b) EXPECT_EQ(m.s->p[2][j * esize + b], 0) << j;
      }
    }
  }
}

}  // namespace
