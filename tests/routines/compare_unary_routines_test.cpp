// The compare and extension routines on descriptor codes that no handler
// passes: a compare reads any size code above D as byte elements, and an
// extension to a size no wider than its source is not executed and leaves
// Zd as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "qrx/routines/compare_routines.h"
#include "qrx/routines/unary_routines.h"
#include "qrx/state/cpu_state.h"

namespace {

using qrx::kPredicateBytes;
using qrx::kVectorBytes;

TEST(CompareRoutines, SizeCodesAboveDoublewordCompareBytes) {
  for (unsigned code : {4u, 7u, 0xFFFFFFFFu}) {
    std::unique_ptr<cpu_state> s(new cpu_state{});
    std::memset(s->p[1], 1, kPredicateBytes);
    for (unsigned i = 0; i < kVectorBytes; ++i) s->z[2][i] = static_cast<uint8_t>(i);
    kalt64_p_reg pd{3, code, 7, 7};
    ASSERT_EQ(qrx_cmpgt_ppzi(s.get(), pd, p_operand(1, kalt64_p_reg::ZEROING), z_operand(2, 0), 9),
              KALT64_DECODE_OK);
    // Signed bytes above 9: 10 .. 127; 128 .. 143 are negative.
    for (unsigned i = 0; i < kVectorBytes; ++i)
      ASSERT_EQ(s->p[3][i], i > 9 && i < 128 ? 1 : 0) << "code " << code << " byte " << i;
  }
}

TEST(UnaryRoutines, ExtensionNoWiderThanItsSourceIsNotExecuted) {
  using Routine = kalt64_decode_rc (*)(cpu_state*, kalt64_z_reg, kalt64_p_reg, kalt64_z_reg);
  struct Case {
    Routine routine;
    unsigned esize;
  };
  const Case cases[] = {
      {qrx_sxtb_zpz, ESIZE_B}, {qrx_sxth_zpz, ESIZE_H}, {qrx_sxth_zpz, ESIZE_B},
      {qrx_sxtw_zpz, ESIZE_S}, {qrx_uxth_zpz, ESIZE_H}, {qrx_uxtw_zpz, ESIZE_S},
      {qrx_uxtw_zpz, ESIZE_B},
  };
  for (const Case& c : cases) {
    std::unique_ptr<cpu_state> s(new cpu_state{});
    std::memset(s->p[0], 1, kPredicateBytes);
    std::memset(s->z[1], 0x80, kVectorBytes);
    std::memset(s->z[4], 0x33, kVectorBytes);
    EXPECT_EQ(c.routine(s.get(), z_operand(4, c.esize), p_operand(0, kalt64_p_reg::MERGING),
                        z_operand(1, c.esize)),
              KALT64_DECODE_NOT_EXECUTED)
        << c.esize;
    for (unsigned i = 0; i < kVectorBytes; ++i) ASSERT_EQ(s->z[4][i], 0x33);
  }
}

}  // namespace
