// The per-thread emulated register file and the register descriptors that
// decode handlers pass to semantic routines.
//
// A register file belongs to one application thread. The client's inserted
// code copies the live host registers into it before every emulated
// instruction and back afterwards, so the offsets of the fields it touches are
// fixed and checked at compile time below.
#ifndef QRX_STATE_CPU_STATE_H
#define QRX_STATE_CPU_STATE_H

#include <cassert>
#include <cstddef>
#include <cstdint>

#include "qrx/state/vector_length.h"

// Result of every handler and semantic routine.
enum kalt64_decode_rc : int {
  KALT64_DECODE_OK = 0,            // executed
  KALT64_DECODE_NOT_EXECUTED = 2,  // no handler, or not implemented
};

// Debug-build check of descriptor codes and other internal invariants.
#define QRX_DEBUG_ASSERT(cond) assert(cond)

struct cpu_state {
  uint64_t x[31];  // X0..X30; a W register is the low half
  uint64_t sp;     // the application's stack pointer
  const void* pc;  // address of the instruction being emulated
  uint64_t nzcv;   // N bit 31, Z bit 30, C bit 29, V bit 28
  uint32_t fpsr;
  uint32_t fpcr;
  uint32_t fpcr_extra;  // ORed into fpcr by library-path handlers
  // Aligned so that the inserted code can store Q registers with scaled
  // 16-byte offsets.
  alignas(16) uint8_t z[32][qrx::kVectorBytes];
  uint8_t p[16][qrx::kPredicateBytes];  // one byte (0 or 1) per predicate bit
  uint8_t ffr[qrx::kPredicateBytes];
  uint64_t encoding;  // the word being emulated, zero-extended
};

// Field offsets used by the client's inserted code.
namespace qrx {
constexpr size_t kOffsetX = offsetof(cpu_state, x);
constexpr size_t kOffsetSp = offsetof(cpu_state, sp);
constexpr size_t kOffsetPc = offsetof(cpu_state, pc);
constexpr size_t kOffsetNzcv = offsetof(cpu_state, nzcv);
constexpr size_t kOffsetFpsr = offsetof(cpu_state, fpsr);
constexpr size_t kOffsetFpcr = offsetof(cpu_state, fpcr);
constexpr size_t kOffsetFpcrExtra = offsetof(cpu_state, fpcr_extra);
constexpr size_t kOffsetZ = offsetof(cpu_state, z);
constexpr size_t kOffsetP = offsetof(cpu_state, p);
constexpr size_t kOffsetFfr = offsetof(cpu_state, ffr);
constexpr size_t kOffsetEncoding = offsetof(cpu_state, encoding);
}  // namespace qrx

static_assert(sizeof(void*) == 8, "the register file is laid out for 64-bit hosts");
static_assert(qrx::kOffsetX == 0, "x first");
static_assert(qrx::kOffsetSp == 248, "sp follows X0..X30");
static_assert(qrx::kOffsetPc == 256, "pc follows sp");
static_assert(qrx::kOffsetNzcv == 264, "nzcv follows pc");
static_assert(qrx::kOffsetFpsr == 272, "fpsr follows nzcv");
static_assert(qrx::kOffsetFpcr == 276, "fpcr follows fpsr");
static_assert(qrx::kOffsetFpcrExtra == 280, "fpcr_extra follows fpcr");
static_assert(qrx::kOffsetZ == 288, "z is 16-byte aligned after fpcr_extra");
static_assert(qrx::kOffsetZ % 16 == 0 && qrx::kVectorBytes % 16 == 0,
              "every Z register starts on a 16-byte boundary");
static_assert(qrx::kOffsetP == qrx::kOffsetZ + 32 * qrx::kVectorBytes, "p follows z");
static_assert(qrx::kOffsetFfr == qrx::kOffsetP + 16 * qrx::kPredicateBytes, "ffr follows p");
static_assert(qrx::kOffsetEncoding == ((qrx::kOffsetFfr + qrx::kPredicateBytes + 7) & ~size_t{7}),
              "encoding follows ffr");

// ---------------------------------------------------------------------------
// Register descriptors. Each is built by value from an instruction's fields.

// Element-size codes.
enum element_size : unsigned { ESIZE_B = 0, ESIZE_H = 1, ESIZE_S = 2, ESIZE_D = 3 };

// Vector register operand. qual/qual2 codes: 0..3 = B..D, 4 = Q, 5 = none.
// A plain operand is (num, esize, none); the destination-and-first-source of
// a destructive form is (num, none, esize). qual3 always equals qual2.
struct kalt64_z_reg {
  enum : unsigned { B = 0, H = 1, S = 2, D = 3, Q = 4, NONE = 5 };
  uint32_t num;
  uint32_t qual;
  uint32_t qual2;
  uint32_t qual3;
  static const char* const zname[32];
  static const char* const zname_b[32];
  static const char* const zname_h[32];
  static const char* const zname_s[32];
  static const char* const zname_d[32];
};

// Predicate register operand. Codes: 0..3 = B..D, 4 = merging, 5 = zeroing,
// 6 = governing without qualifier, 7 = none.
struct kalt64_p_reg {
  enum : unsigned { B = 0, H = 1, S = 2, D = 3, MERGING = 4, ZEROING = 5, GOVERNING = 6, NONE = 7 };
  uint32_t num;
  uint32_t qual;
  uint32_t qual2;
  uint32_t qual3;
  static const char* const pname[16];
  static const char* const pname_m[16];
  static const char* const pname_z[16];
  static const char* const pname_b[16];
  static const char* const pname_h[16];
  static const char* const pname_s[16];
  static const char* const pname_d[16];
};

// General register operand; number 31 is the zero register. Width codes:
// 0..3 = 8, 16, 32, 64 bits; 4 = none.
struct kalt64_i_reg {
  enum : unsigned { W8 = 0, W16 = 1, W32 = 2, W64 = 3, NONE = 4 };
  uint32_t num;
  uint32_t qual;
  uint32_t qual2;
  uint32_t qual3;
  static const char* const wname[32];
  static const char* const xname[32];
};

// Base-address general register; number 31 is the stack pointer.
struct kalt64_i_rsp_reg {
  uint32_t num;
  uint32_t size;
  static const char* const wname[32];
  static const char* const xname[32];
};

// Bitmask immediate, already replicated to 64 bits.
struct kalt64_qrx_logical64_imm {
  uint64_t imm;
};

// The 8-bit FP immediate of FDUP/FCPY expanded into the three precisions.
struct kalt64_qrx_fp_dup_imm {
  uint16_t h;
  uint32_t s;
  uint64_t d;
};

// One-bit selector of the FP arithmetic-with-immediate forms.
struct kalt64_qrx_fp_arith_imm {
  uint8_t sel;
};

// ---------------------------------------------------------------------------
// Descriptor construction, as the handlers do it.

inline kalt64_z_reg z_operand(unsigned num, unsigned esize) {
  return kalt64_z_reg{num, esize, kalt64_z_reg::NONE, kalt64_z_reg::NONE};
}
inline kalt64_z_reg z_destructive(unsigned num, unsigned esize) {
  return kalt64_z_reg{num, kalt64_z_reg::NONE, esize, esize};
}
// A transfer operand without element size (vector LDR/STR).
inline kalt64_z_reg z_transfer(unsigned num) {
  return kalt64_z_reg{num, 0, kalt64_z_reg::NONE, kalt64_z_reg::NONE};
}
inline kalt64_p_reg p_operand(unsigned num, unsigned code) {
  return kalt64_p_reg{num, code, kalt64_p_reg::NONE, kalt64_p_reg::NONE};
}
inline kalt64_p_reg p_destructive(unsigned num, unsigned esize) {
  return kalt64_p_reg{num, kalt64_p_reg::NONE, esize, esize};
}
inline kalt64_p_reg p_transfer(unsigned num) {
  return kalt64_p_reg{num, 0, kalt64_p_reg::NONE, kalt64_p_reg::NONE};
}
inline kalt64_i_reg i_operand(unsigned num, unsigned width) {
  return kalt64_i_reg{num, width, kalt64_i_reg::NONE, kalt64_i_reg::NONE};
}
inline kalt64_i_reg i_destructive(unsigned num, unsigned width) {
  return kalt64_i_reg{num, kalt64_i_reg::NONE, width, width};
}
inline kalt64_i_rsp_reg rsp_operand(unsigned num, unsigned size = kalt64_i_reg::W64) {
  return kalt64_i_rsp_reg{num, size};
}

// ---------------------------------------------------------------------------
// Reading descriptor codes. A code a routine does not expect is an internal
// error: it trips an assertion in debug builds and yields kBadCode otherwise,
// which routines turn into "not executed" rather than guessing byte elements.

namespace qrx {

constexpr unsigned kBadCode = 0xFFFFFFFFu;

// Element size code (0..3) of a vector operand, from whichever word holds it.
inline unsigned z_esize(const kalt64_z_reg& r) {
  unsigned c = r.qual != kalt64_z_reg::NONE ? r.qual : r.qual2;
  QRX_DEBUG_ASSERT(c <= ESIZE_D && "vector operand without element size");
  return c <= ESIZE_D ? c : kBadCode;
}
// Element size code (0..3) of a predicate operand with a size qualifier.
inline unsigned p_esize(const kalt64_p_reg& r) {
  unsigned c = r.qual != kalt64_p_reg::NONE ? r.qual : r.qual2;
  QRX_DEBUG_ASSERT(c <= ESIZE_D && "predicate operand without element size");
  return c <= ESIZE_D ? c : kBadCode;
}
// The kind of a governing predicate: merging, zeroing, or governing without
// qualifier; any other code is kBadCode.
inline unsigned p_kind(const kalt64_p_reg& r) {
  unsigned c = r.qual;
  QRX_DEBUG_ASSERT(
      (c == kalt64_p_reg::MERGING || c == kalt64_p_reg::ZEROING || c == kalt64_p_reg::GOVERNING) &&
      "not a governing predicate");
  return (c >= kalt64_p_reg::MERGING && c <= kalt64_p_reg::GOVERNING) ? c : kBadCode;
}
// Width code (0..3) of a general-register operand.
inline unsigned i_width(const kalt64_i_reg& r) {
  unsigned c = r.qual != kalt64_i_reg::NONE ? r.qual : r.qual2;
  QRX_DEBUG_ASSERT(c <= kalt64_i_reg::W64 && "general register without width");
  return c <= kalt64_i_reg::W64 ? c : kBadCode;
}

// General register access by the architectural rules, by register number:
// 31 is the zero register for data operands and SP for base registers.
inline uint64_t read_xzr(const cpu_state* s, unsigned n) { return n == 31 ? 0 : s->x[n]; }
inline void write_xzr(cpu_state* s, unsigned n, uint64_t v) {
  if (n != 31) s->x[n] = v;
}
inline uint64_t read_xsp(const cpu_state* s, unsigned n) { return n == 31 ? s->sp : s->x[n]; }

// The same through the descriptors.
inline uint64_t read_x(const cpu_state* s, const kalt64_i_reg& r) { return read_xzr(s, r.num); }
inline void write_x(cpu_state* s, const kalt64_i_reg& r, uint64_t v) { write_xzr(s, r.num, v); }
inline uint64_t read_base(const cpu_state* s, const kalt64_i_rsp_reg& r) {
  return read_xsp(s, r.num);
}

// Whether element i of size esize_bytes is active in an unpacked predicate.
inline bool pred_active(const uint8_t* pred, unsigned i, unsigned esize_bytes) {
  return (pred[i * esize_bytes] & 1) != 0;
}

}  // namespace qrx

#endif  // QRX_STATE_CPU_STATE_H
