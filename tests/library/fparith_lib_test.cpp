// The exported floating-point library functions against their handlers: the
// reference comparison reaches only the handlers, so each operand shape's
// exported function (packed predicates, value operands, index and rotation
// arguments, the context's FPSR) is run on the same register file and must
// give the same result and flags.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "qrx/decode/decode_tables.h"
#include "qrx/decode/library_fparith.h"
#include "qrx/fp/fp_status.h"
#include "qrx/handlers/handler_support.h"

namespace {

using qrx::read_pred;
using qrx::read_vec;

// Zd/Pd = 0, Zn = 1 (or the Zm of destructive forms at 9..5), Zm = 2 at
// 20..16, Pg = 3; the index, rotation and immediate bits as each row says.
struct Row {
  const char* form;
  uint32_t fields;
  void (*call)(cpu_state* s, CpuContext* ctx);
};

void vec_result(cpu_state* s, const VecValue& v) { qrx::write_vec(s, 0, v); }

const Row kRows[] = {
    {"VecF16AddVVM", (1u << 5) | (3u << 10),
     [](cpu_state* s, CpuContext* c) {
       vec_result(s, VecF16AddVVM(read_vec(s, 0), read_pred(s, 3), read_vec(s, 1), c));
     }},
    {"VecF16MaxNumVIM", (1u << 5) | (3u << 10),
     [](cpu_state* s, CpuContext* c) {
       vec_result(s, VecF16MaxNumVIM(read_vec(s, 0), read_pred(s, 3), 1, c));
     }},
    {"VecD64FMAVVVM", (1u << 5) | (3u << 10) | (2u << 16),
     [](cpu_state* s, CpuContext* c) {
       vec_result(
           s, VecD64FMAVVVM(read_vec(s, 0), read_pred(s, 3), read_vec(s, 1), read_vec(s, 2), c));
     }},
    {"VecF32FMSUBVVVM", (1u << 5) | (3u << 10) | (2u << 16),
     [](cpu_state* s, CpuContext* c) {
       vec_result(
           s, VecF32FMSUBVVVM(read_vec(s, 0), read_pred(s, 3), read_vec(s, 1), read_vec(s, 2), c));
     }},
    // FMUL Z0.H, Z1.H, Z2.H[6]: index 6 = bit 22 and bits 20..19 = 2.
    {"VecF16MulVVIX", (1u << 5) | (2u << 16) | (1u << 22) | (2u << 19),
     [](cpu_state* s, CpuContext* c) {
       vec_result(s, VecF16MulVVIX(read_vec(s, 1), read_vec(s, 2), 6, c));
     }},
    // FCMLA Z0.S, Z1.S, Z2.S[1], #270: Zm 19..16, index bit 20, rotation 11..10.
    {"VecF32FCMLAVVVIX", (1u << 5) | (2u << 16) | (1u << 20) | (3u << 10),
     [](cpu_state* s, CpuContext* c) {
       vec_result(s, VecF32FCMLAVVVIX(read_vec(s, 0), read_vec(s, 1), read_vec(s, 2), 1, 3, c));
     }},
    // FCMLA Z0.H, P3/M, Z1.H, Z2.H, #90: rotation 14..13.
    {"VecF16FCMLAVVVM", (1u << 5) | (3u << 10) | (2u << 16) | (1u << 13),
     [](cpu_state* s, CpuContext* c) {
       vec_result(s, VecF16FCMLAVVVM(read_vec(s, 0), read_pred(s, 3), read_vec(s, 1),
                                     read_vec(s, 2), 1, c));
     }},
    {"VecD64FCADDVVM", (1u << 5) | (3u << 10) | (1u << 16),
     [](cpu_state* s, CpuContext* c) {
       vec_result(s, VecD64FCADDVVM(read_vec(s, 0), read_pred(s, 3), read_vec(s, 1), 1, c));
     }},
    {"VecF16CmpGEV0Z", (1u << 5) | (3u << 10),
     [](cpu_state* s, CpuContext* c) {
       qrx::write_pred(s, 0, VecF16CmpGEV0Z(read_pred(s, 3), read_vec(s, 1), c));
     }},
    {"VecD64AcGTVVZ", (1u << 5) | (3u << 10) | (2u << 16),
     [](cpu_state* s, CpuContext* c) {
       qrx::write_pred(s, 0, VecD64AcGTVVZ(read_pred(s, 3), read_vec(s, 1), read_vec(s, 2), c));
     }},
};

TEST(FpArithLibrary, ExportedFunctionsMatchTheirHandlers) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.form);
    const qrx::DecodeEntry* e = qrx::entry_by_name(row.form);
    ASSERT_NE(e, nullptr);
    const uint32_t word = e->pattern | row.fields;
    ASSERT_EQ(qrx::find_entry(word), e);
    for (uint32_t fpcr :
         {0u, 0x03C00000u, 0x01400000u}) {  // nearest; toward zero with FZ, DN; up with FZ
      auto handler = std::make_unique<cpu_state>();
      uint64_t lcg = fpcr + 7;
      for (auto& z : handler->z)
        for (uint8_t& b : z)
          b = uint8_t((lcg = lcg * 6364136223846793005ull + 1442695040888963407ull) >> 56);
      for (auto& p : handler->p)
        for (uint8_t& b : p) b = uint8_t((lcg = lcg * 6364136223846793005ull + 1) >> 63);
      // A signalling NaN in the first two elements of every register, both
      // active: every shape raises IOC, so the flag merge is compared too.
      const unsigned esize = row.form[3] == 'F' && row.form[4] == '1' ? 2
                             : row.form[3] == 'F'                     ? 4
                                                                      : 8;
      const uint64_t snan = esize == 2 ? 0x7C01 : esize == 4 ? 0x7F800001 : 0x7FF0000000000001;
      for (auto& z : handler->z) {
        std::memcpy(z, &snan, esize);
        std::memcpy(z + esize, &snan, esize);
      }
      handler->p[3][0] = handler->p[3][esize] = 1;
      handler->fpcr = fpcr;
      auto library = std::make_unique<cpu_state>(*handler);
      ASSERT_EQ(e->handler(handler.get(), word), KALT64_DECODE_OK);
      CpuContext ctx;
      qrx::build_context(library.get(), &ctx);
      row.call(library.get(), &ctx);
      qrx::write_back_context(library.get(), ctx);
      EXPECT_EQ(std::memcmp(handler->z[0], library->z[0], qrx::kVectorBytes), 0);
      EXPECT_EQ(std::memcmp(handler->p[0], library->p[0], qrx::kPredicateBytes), 0);
      EXPECT_EQ(handler->fpsr, library->fpsr);
      EXPECT_TRUE(handler->fpsr & FPSCR::IOC);
    }
  }
}

}  // namespace
