// The register file's size constants, predicate element activity, and the
// operand descriptors' unexpected codes and names.
#include "qrx/state/cpu_state.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The sizes derive from the bit length.
static_assert(qrx::kVectorBytes * 8 == qrx::kVectorBits, "bytes");
static_assert(qrx::kVectorDwords * 64 == qrx::kVectorBits, "doublewords");
static_assert(qrx::kHalfElems * 2 == qrx::kVectorBytes &&
                  qrx::kWordElems * 4 == qrx::kVectorBytes &&
                  qrx::kDwordElems * 8 == qrx::kVectorBytes,
              "element counts");
static_assert(qrx::kSegments * 16 == qrx::kVectorBytes, "128-bit segments");
static_assert(qrx::kContextVL == qrx::kVectorDwords, "the library context's VL");
#if QRX_VECTOR_BITS == 1152
static_assert(qrx::kVectorBytes == 144 && qrx::kDwordElems == 18 && qrx::kSegments == 9,
              "the 1152-bit sizes");
#endif

TEST(CpuState, PredicateElementUsesFirstByteOnly) {
  uint8_t pred[qrx::kPredicateBytes] = {};
  const unsigned d = qrx::kDwordElems - 1, b = qrx::kPredicateBytes - 2;
  pred[8 * d + 1] = 1;  // not the first byte of the last doubleword element
  EXPECT_FALSE(qrx::pred_active(pred, d, 8));
  pred[8 * d] = 1;
  EXPECT_TRUE(qrx::pred_active(pred, d, 8));
  pred[b] = 3;  // only bit 0 counts
  EXPECT_TRUE(qrx::pred_active(pred, b, 1));
  pred[b + 1] = 2;
  EXPECT_FALSE(qrx::pred_active(pred, b + 1, 1));
}

#ifdef NDEBUG
TEST(Descriptors, UnexpectedCodesAreNotReadAsBytes) {
  EXPECT_EQ(qrx::z_esize(kalt64_z_reg{1, kalt64_z_reg::NONE, kalt64_z_reg::NONE, 5}),
            qrx::kBadCode);
  EXPECT_EQ(qrx::z_esize(kalt64_z_reg{1, kalt64_z_reg::Q, 5, 5}), qrx::kBadCode);
  EXPECT_EQ(qrx::p_esize(p_operand(1, kalt64_p_reg::MERGING)), qrx::kBadCode);
  EXPECT_EQ(qrx::p_kind(p_operand(1, ESIZE_B)), qrx::kBadCode);
}
#else
TEST(DescriptorsDeathTest, UnexpectedCodesAssertInDebugBuilds) {
  EXPECT_DEATH(qrx::z_esize(kalt64_z_reg{1, kalt64_z_reg::NONE, kalt64_z_reg::NONE, 5}),
               "element size");
  EXPECT_DEATH(qrx::p_esize(p_operand(1, kalt64_p_reg::MERGING)), "element size");
}
#endif

TEST(Descriptors, NameTables) {
  struct Case {
    const char* got;
    const char* want;
  };
  const Case cases[] = {
      {kalt64_i_reg::wname[0], "w0"},           {kalt64_i_reg::wname[31], "wzr"},
      {kalt64_i_reg::xname[30], "x30"},         {kalt64_i_reg::xname[31], "xzr"},
      {kalt64_i_rsp_reg::wname[31], "illegal"}, {kalt64_i_rsp_reg::xname[31], "sp"},
      {kalt64_p_reg::pname[15], "p15"},         {kalt64_p_reg::pname_m[3], "p3/m"},
      {kalt64_p_reg::pname_z[7], "p7/z"},       {kalt64_p_reg::pname_b[0], "p0.b"},
      {kalt64_p_reg::pname_h[9], "p9.h"},       {kalt64_p_reg::pname_s[10], "p10.s"},
      {kalt64_p_reg::pname_d[15], "p15.d"},     {kalt64_z_reg::zname[31], "z31"},
      {kalt64_z_reg::zname_b[12], "z12.b"},     {kalt64_z_reg::zname_h[1], "z1.h"},
      {kalt64_z_reg::zname_s[30], "z30.s"},     {kalt64_z_reg::zname_d[31], "z31.d"},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.got, c.want);
}

}  // namespace
