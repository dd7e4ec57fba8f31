// Floating-point conversion and reduction handlers on encoded words, at the
// places the reference comparison cannot or rarely does reach: the
// alternative half format, inactive elements that would raise a flag, the
// reductions' order, identities, flushing and result register, and the
// exported library functions against their handlers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "qrx/decode/decode_tables.h"
#include "qrx/decode/library_fpconv.h"
#include "qrx/fp/fp_status.h"
#include "qrx/handlers/handler_support.h"
#include "qrx/state/cpu_state.h"
#include "tests/handlers/handler_machine.h"

namespace {

using qrx_test::Machine;

constexpr uint32_t IOC = FPSCR::IOC, IXC = FPSCR::IXC, IDC = FPSCR::IDC;
constexpr uint32_t AHP = FPSCR::AHP, FZ = FPSCR::FZ, FZ16 = FPSCR::FZ16;
constexpr uint32_t RM(unsigned mode) { return mode << FPSCR::RModeShift; }

// Every element of Zn (Z1) converted into Zd (Z0) under P1, all active.
struct ConvertCase {
  const char* form;
  unsigned esize;  // the storage size in bytes
  uint64_t a;      // every element of Zn
  uint64_t pre;    // every element of Zd before
  uint64_t out;    // every element of Zd after
  uint32_t flags;  // fpsr after (cleared before)
};

// FCVT under FPCR.AHP, which the reference comparison leaves out (the
// model's vector FCVT ignores AHP): a half exponent of 31 is an ordinary one,
// a narrowing gives sign | 0x7FFF with IOC for an infinity or an overflow and
// a signed zero with IOC for a NaN, in the low bits of a cleared element.
TEST(FpConvHandlers, AlternativeHalfFormat) {
  const ConvertCase cases[] = {
      {"VecH32TruncFVM", 4, 0x7F800000, ~0ull, 0x7FFF, IOC},
      {"VecH32TruncFVM", 4, 0x7FC00000, ~0ull, 0x0000, IOC},
      {"VecH32TruncFVM", 4, 0xC8000000, ~0ull, 0xFFFF, IOC},        // -131072 is beyond it
      {"VecH64TruncDVM", 8, 0xC0F0000000000000, ~0ull, 0xFC00, 0},  // -65536
      {"VecF32ExtndHVM", 4, 0x7C00, 0, 0x47800000, 0},
      {"VecD64ExtndHVM", 8, 0xFFFF, 0, 0xC0FFFC0000000000, 0},
  };
  for (const ConvertCase& c : cases) {
    SCOPED_TRACE(c.form);
    Machine m;
    m.splat(0, c.pre, c.esize);
    m.splat(1, c.a, c.esize);
    m.all_true(1, c.esize);
    m.s->fpcr = AHP;
    m.s->fpsr = 0;
    ASSERT_EQ(m.run(qrx::entry_by_name(c.form)->pattern | 1u << 10 | 1u << 5, c.form), KALT64_DECODE_OK);
    EXPECT_EQ(m.element(0, 0, c.esize), c.out);
    EXPECT_EQ(m.last_element(0, c.esize), c.out);
    EXPECT_EQ(m.s->fpsr, c.flags);
  }
}

// Inactive elements keep their value and raise nothing, even a signalling
// NaN that an active element would turn into IOC.
TEST(FpConvHandlers, InactiveElementsRaiseNothing) {
  Machine m;
  m.splat(0, 0x1234, 2);
  m.splat(1, 0x7D00, 2);  // signalling NaN
  m.leading(1, 1, 2);
  m.set<uint16_t>(1, 0, 0x3C00);
  m.s->fpsr = 0;
  ASSERT_EQ(m.run(qrx::entry_by_name("VecF16SqrtVM")->pattern | 1u << 10 | 1u << 5, "VecF16SqrtVM"), KALT64_DECODE_OK);
  EXPECT_EQ(m.element(0, 0, 2), 0x3C00u);
  EXPECT_EQ(m.element(0, 1, 2), 0x1234u);
  EXPECT_EQ(m.s->fpsr, 0u);
}

// Reductions: Vd 0, Pg 1, Zn 1 (Zm of FADDA); Vd's other bytes are cleared.
struct ReduceCase {
  const char* form;
  unsigned esize;
  uint32_t fpcr;
  uint64_t acc;       // the low element of Vd before (FADDA's start)
  uint64_t elems[4];  // the leading elements of Zn, the rest zero
  unsigned active;    // how many leading elements are active
  uint64_t out;
  uint32_t flags;
};

TEST(FpConvHandlers, Reductions) {
  const uint64_t k2p24 = 0x4B800000, kOne = 0x3F800000, kNeg0 = 0x80000000;
  const ReduceCase cases[] = {
      // The tree sums 2^24 + 0 and 1 + 1 apart; the sequence loses both ones.
      {"VecF32AddReduceFV", 4, 0, 0, {k2p24, 0, kOne, kOne}, 4, 0x4B800001, 0},
      {"VecF32AddReduceAV", 4, 0, 0, {k2p24, 0, kOne, kOne}, 4, 0x4B800000, IXC},
      // -0 lanes against the +0 identity: -0 only rounding toward minus.
      {"VecF32AddReduceFV", 4, RM(2), 0, {kNeg0, kNeg0, kNeg0, kNeg0}, 3, kNeg0, 0},
      {"VecF32AddReduceFV", 4, 0, 0, {kNeg0, kNeg0, kNeg0, kNeg0}, 3, 0, 0},
      // No active element: the identity and no flag; FADDA its start.
      {"VecF32AddReduceFV", 4, 0, 0, {}, 0, 0, 0},
      {"VecD64MaxReduceFV", 8, 0, 0, {}, 0, 0xFFF0000000000000, 0},
      {"VecF16MinReduceFV", 2, 0, 0, {}, 0, 0x7C00, 0},
      {"VecF16MaxNumReduceFV", 2, 0, 0, {}, 0, 0x7E00, 0},
      {"VecD64AddReduceAV", 8, 0, 0x7FF0000000000001, {}, 0, 0x7FF0000000000001, 0},
      // The host-path number forms flush equal subnormals too (IDC): no
      // "equal operands" shortcut returning a raw operand.
      {"VecF32MaxNumReduceFV", 4, FZ, 0, {1, 1, 1, 1}, 4, 0, IDC},
      {"VecF32MinNumReduceFV", 4, FZ, 0, {1, 0x80000001, 1, 0x80000001}, 4, kNeg0, IDC},
      // Quiet NaNs give way to the numbers; a half subnormal flushes silently.
      {"VecF16MinNumReduceFV", 2, FZ16, 0, {0x7E01, 0x0001, 0x4000, 0x7E00}, 4, 0x0000, 0},
  };
  for (const ReduceCase& c : cases) {
    SCOPED_TRACE(c.form);
    Machine m;
    std::memset(m.s->z[0], 0xEE, qrx::kVectorBytes);
    std::memcpy(m.s->z[0], &c.acc, c.esize);
    std::memset(m.s->z[1], 0, qrx::kVectorBytes);
    for (unsigned i = 0; i < 4; ++i) std::memcpy(m.s->z[1] + i * c.esize, &c.elems[i], c.esize);
    m.leading(1, c.active, c.esize);
    m.s->fpcr = c.fpcr;
    m.s->fpsr = 0;
    uint32_t w = qrx::entry_by_name(c.form)->pattern | 1u << 10 | 1u << 5;
    ASSERT_EQ(m.run(w, c.form), KALT64_DECODE_OK);
    EXPECT_EQ(m.element(0, 0, c.esize), c.out);
    for (unsigned b = c.esize; b < qrx::kVectorBytes; ++b) ASSERT_EQ(m.s->z[0][b], 0) << b;
    EXPECT_EQ(m.s->fpsr, c.flags);
  }
}

// The exported library functions compute what their handlers do: each
// shape's function on the operands of a handler run (special values in
// every lane, a sparse predicate, FZ and round toward minus).
TEST(FpConvHandlers, ExportedFunctionsAgreeWithTheHandlers) {
  using V = VecValue;
  using P = PredV;
  struct Row {
    const char* form;
    uint32_t fields;  // operand fields: Zd 0, Zn/Zm 1 (9..5), Zm 2 (20..16), Pg 1
    bool scalar;      // the result is the low element of Zd, the rest cleared
    uint64_t (*call)(const V& z0, const V& z1, const V& z2, const P& p1, CpuContext* c, V* out);
  };
  const Row rows[] = {
      {"VecS64_4FromDVM", 1u << 10 | 1u << 5, false,
       [](const V& z0, const V& z1, const V&, const P& p1, CpuContext* c, V* out) {
         *out = VecS64_4FromDVM(z0, p1, z1, c);
         return uint64_t{0};
       }},
      {"VecF32RSqrtEV", 1u << 5, false,
       [](const V&, const V& z1, const V&, const P&, CpuContext* c, V* out) {
         *out = VecF32RSqrtEV(z1, c);
         return uint64_t{0};
       }},
      {"VecF32AddReduceFV", 1u << 10 | 1u << 5, true,
       [](const V&, const V& z1, const V&, const P& p1, CpuContext* c, V*) {
         return VecF32AddReduceFV(p1, z1, c);
       }},
      {"VecD64AddReduceAV", 1u << 10 | 1u << 5, true,
       [](const V& z0, const V& z1, const V&, const P& p1, CpuContext* c, V*) {
         return VecD64AddReduceAV(z0.get<uint64_t>(0), p1, z1, c);
       }},
      {"VecF16TRIMADDVVI", 1u << 16 | 1u << 5, false,
       [](const V& z0, const V& z1, const V&, const P&, CpuContext* c, V* out) {
         *out = VecF16TRIMADDVVI(z0, z1, 1, c);
         return uint64_t{0};
       }},
      {"VecD64DupIM", 1u << 16 | 0x9Fu << 5, false,
       [](const V& z0, const V&, const V&, const P& p1, CpuContext* c, V* out) {
         *out = VecD64DupIM(z0, p1, 0x9F, c);
         return uint64_t{0};
       }},
  };
  const uint64_t kLanes[] = {0x7FF4000000000001, 0x0000000100800001, 0xC004000000000000,
                             0x80000001BF800000, 0x43E0000000000000, 0x7C01FC007BFF0001};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.form);
    Machine m;
    for (unsigned i = 0; i < qrx::kVectorBytes / 8; ++i) {
      m.set<uint64_t>(0, i, kLanes[i % 6] ^ i);
      m.set<uint64_t>(1, i, kLanes[(i + 1) % 6] + i);
      m.set<uint64_t>(2, i, kLanes[(i + 3) % 6]);
    }
    for (unsigned j = 0; j < qrx::kPredicateBytes; ++j) m.s->p[1][j] = (j * 7 / 3) & 1;
    m.s->fpcr = FZ | RM(2);
    m.s->fpsr = 0;
    CpuContext ctx;
    qrx::build_context(m.s.get(), &ctx);
    const V z0 = qrx::read_vec(m.s.get(), 0), z1 = qrx::read_vec(m.s.get(), 1),
            z2 = qrx::read_vec(m.s.get(), 2);
    const P p1 = qrx::read_pred(m.s.get(), 1);
    ASSERT_EQ(m.run(qrx::entry_by_name(r.form)->pattern | r.fields, r.form), KALT64_DECODE_OK);
    V out{};
    const uint64_t scalar = r.call(z0, z1, z2, p1, &ctx, &out);
    if (r.scalar) std::memcpy(out.b, &scalar, sizeof scalar);
    EXPECT_EQ(std::memcmp(out.b, m.s->z[0], qrx::kVectorBytes), 0);
    EXPECT_EQ(ctx.FPSR, m.s->fpsr);
  }
}

}  // namespace
