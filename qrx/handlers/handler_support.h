// What every decode/execute handler shares: operand fields named by their
// bit range, the routine-path and library-path conventions, and the binders
// that the generated handlers call.
//
// Handlers are generated from the family rows (qrx/decode/rows/*.txt): a row
// "VecU8AddVVM zpz 8 qrx_add_zpz" becomes
//
//   kalt64_decode_rc VecU8AddVVM(cpu_state* s, unsigned int w) {
//     return bind::zpz<ESIZE_B, qrx_add_zpz>(s, w);
//   }
//
// Every binder takes its template arguments in the same order (element size
// or type, operation, binder arguments) and (cpu_state*, word) at run time.
#ifndef QRX_HANDLERS_HANDLER_SUPPORT_H
#define QRX_HANDLERS_HANDLER_SUPPORT_H

#include <cstdint>
#include <cstring>

#include "qrx/library/int_ops.h"
#include "qrx/library/lib_types.h"
#include "qrx/library/pred_pack.h"
#include "qrx/library/pred_support.h"
#include "qrx/library/skeletons.h"
#include "qrx/state/cpu_state.h"

namespace qrx {

// Bits hi..lo of w, unsigned.
constexpr uint32_t field(uint32_t w, unsigned hi, unsigned lo) {
  return (w >> lo) & (hi - lo == 31 ? 0xFFFFFFFFu : ((1u << (hi - lo + 1)) - 1));
}
// Bits hi..lo of w, sign-extended.
constexpr int32_t sfield(uint32_t w, unsigned hi, unsigned lo) {
  unsigned width = hi - lo + 1;
  uint32_t v = field(w, hi, lo);
  uint32_t sign = 1u << (width - 1);
  return static_cast<int32_t>((v ^ sign) - sign);
}

// Register-number fields, named by the bits they occupy: a 3-bit governing
// predicate at 12..10 (p_12_10) and a 4-bit one at 13..10 (p_13_10) are
// different fields.
constexpr unsigned z_4_0(uint32_t w) { return field(w, 4, 0); }
constexpr unsigned z_9_5(uint32_t w) { return field(w, 9, 5); }
constexpr unsigned z_20_16(uint32_t w) { return field(w, 20, 16); }
constexpr unsigned p_3_0(uint32_t w) { return field(w, 3, 0); }
constexpr unsigned p_8_5(uint32_t w) { return field(w, 8, 5); }
constexpr unsigned p_12_10(uint32_t w) { return field(w, 12, 10); }
constexpr unsigned p_13_10(uint32_t w) { return field(w, 13, 10); }
constexpr unsigned p_19_16(uint32_t w) { return field(w, 19, 16); }
constexpr unsigned r_4_0(uint32_t w) { return field(w, 4, 0); }
constexpr unsigned r_9_5(uint32_t w) { return field(w, 9, 5); }
constexpr unsigned r_20_16(uint32_t w) { return field(w, 20, 16); }

// ----- Routine path --------------------------------------------------------

inline void begin_routine(cpu_state* s, unsigned int w) { s->encoding = w; }

// ----- Library path --------------------------------------------------------

// The context as the library sees the register file (FPCR with fpcr_extra
// folded in, FFR packed). The reserved parts are left unset: no library
// function reads them.
inline void build_context(const cpu_state* s, CpuContext* ctx) {
  ctx->NZCV = static_cast<uint32_t>(s->nzcv);
  ctx->FPSR = s->fpsr;
  ctx->FPCR = s->fpcr | s->fpcr_extra;
  ctx->VL = kContextVL;
  ctx->FFR = pack_predicate(s->ffr);
}

// The context back into the register file: nzcv zero-extended, fpsr, fpcr
// and ffr unpacked.
inline void write_back_context(cpu_state* s, const CpuContext& ctx) {
  s->nzcv = ctx.NZCV;
  s->fpsr = ctx.FPSR;
  s->fpcr = ctx.FPCR;
  unpack_predicate(ctx.FFR, s->ffr);
}

// Runs body(CpuContext*) between the context build and the write-back.
// A library-path handler always reports success.
template <typename Body>
inline kalt64_decode_rc library_path(cpu_state* s, Body&& body) {
  CpuContext ctx;
  build_context(s, &ctx);
  body(&ctx);
  write_back_context(s, ctx);
  return KALT64_DECODE_OK;
}

// The predicate library's context as its CTERM functions use it: they read
// the vector length and NZCV and write only NZCV, so nothing else is built or
// written back beyond the effects every library-path instruction has.
template <typename Body>
inline kalt64_decode_rc predicate_library_path(cpu_state* s, Body&& body) {
  CpuContext ctx;
  ctx.NZCV = static_cast<uint32_t>(s->nzcv);
  ctx.FPSR = s->fpsr;
  ctx.FPCR = s->fpcr | s->fpcr_extra;
  ctx.VL = kContextVL;
  body(&ctx);
  s->nzcv = ctx.NZCV;
  library_path_effects(s);
  return KALT64_DECODE_OK;
}

// Operand marshalling: a vector register's bytes into a VecValue (the bytes
// beyond the vector length are zero), a predicate register packed.
inline VecValue read_vec(const cpu_state* s, unsigned n) {
  VecValue v;
  std::memcpy(v.b, s->z[n], kVectorBytes);
  std::memset(v.b + kVectorBytes, 0, sizeof v.b - kVectorBytes);
  return v;
}
inline void write_vec(cpu_state* s, unsigned n, const VecValue& v) {
  std::memcpy(s->z[n], v.b, kVectorBytes);
}
inline PredV read_pred(const cpu_state* s, unsigned n) { return pack_predicate(s->p[n]); }
inline void write_pred(cpu_state* s, unsigned n, const PredV& p) { unpack_predicate(p, s->p[n]); }

// ----- Binders --------------------------------------------------------------
// One per operand layout (qrx/decode/binders.txt lists them). Routine-path
// binders store the word, build the descriptors and return the routine's
// result; library-path binders run inside library_path().

// Governing-predicate kinds, as binder arguments in rows.
constexpr unsigned kMerging = kalt64_p_reg::MERGING;
constexpr unsigned kZeroing = kalt64_p_reg::ZEROING;

namespace bind {

// Shared immediate fields.
// The unsigned 8-bit immediate of bits 12..5, shifted left by 8 when bit 13
// is set; byte elements have no shifted form and take 0.
constexpr unsigned arith_imm(uint32_t w, unsigned esize) {
  return field(w, 13, 13) == 0 ? field(w, 12, 5) : esize == ESIZE_B ? 0 : field(w, 12, 5) << 8;
}
// Shift amounts from tsz:imm3: the predicated forms hold tsz in bits 23..22
// and 9..8 and imm3 in 7..5, the unpredicated forms tsz in 23..22 and
// 20..19 and imm3 in 18..16.
constexpr unsigned tsz_imm3_zpi(uint32_t w) {
  return (field(w, 23, 22) << 5) | (field(w, 9, 8) << 3) | field(w, 7, 5);
}
constexpr unsigned tsz_imm3_zzi(uint32_t w) { return (field(w, 23, 22) << 5) | field(w, 20, 16); }
constexpr unsigned esize_bits(unsigned esize) { return 8u << esize; }
// The element-size code of storage type T.
template <typename T>
constexpr unsigned esize_of() {
  return sizeof(T) == 1 ? ESIZE_B : sizeof(T) == 2 ? ESIZE_H : sizeof(T) == 4 ? ESIZE_S : ESIZE_D;
}
// The bitmask immediate N (bit 17), immr (16..11), imms (10..5); false for a
// reserved encoding.
inline bool bitmask_imm(uint32_t w, kalt64_qrx_logical64_imm* imm) {
  return decode_logical_imm(field(w, 17, 17), field(w, 16, 11), field(w, 10, 5), &imm->imm);
}

inline kalt64_decode_rc hint(cpu_state*, unsigned int) { return KALT64_DECODE_OK; }

// Integer vectors: Zd/Zdn 4..0, Zn 9..5, Zm 20..16, Pg 12..10.
template <unsigned E, auto R>
kalt64_decode_rc zpz(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_destructive(z_4_0(w), E), p_operand(p_12_10(w), kMerging), z_operand(z_9_5(w), E));
}
template <unsigned E, auto R, unsigned Kind>
kalt64_decode_rc zpz_unary(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), p_operand(p_12_10(w), Kind), z_operand(z_9_5(w), E));
}
template <unsigned E, auto R>
kalt64_decode_rc zzz(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), z_operand(z_9_5(w), E), z_operand(z_20_16(w), E));
}
template <unsigned E, auto R>
kalt64_decode_rc zz(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), z_operand(z_9_5(w), E));
}
template <unsigned E, auto R>
kalt64_decode_rc zi(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_destructive(z_4_0(w), E), arith_imm(w, E));
}
template <unsigned E, auto R>
kalt64_decode_rc zi_simm8(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_destructive(z_4_0(w), E), sfield(w, 12, 5));
}
template <unsigned E, auto R>
kalt64_decode_rc zi_bitmask(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  kalt64_qrx_logical64_imm imm{};
  if (!bitmask_imm(w, &imm)) return KALT64_DECODE_NOT_EXECUTED;
  return R(s, z_destructive(z_4_0(w), E), imm);
}
template <unsigned E, auto R>
kalt64_decode_rc z_bitmask(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  kalt64_qrx_logical64_imm imm{};
  if (!bitmask_imm(w, &imm)) return KALT64_DECODE_NOT_EXECUTED;
  return R(s, z_operand(z_4_0(w), E), imm);
}
// Shifts by immediate; Amount turns tsz:imm3 into the left or right amount.
template <unsigned E, auto R, unsigned (*Amount)(unsigned, unsigned)>
kalt64_decode_rc zpi_shift(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_destructive(z_4_0(w), E), p_operand(p_12_10(w), kMerging),
           Amount(tsz_imm3_zpi(w), esize_bits(E)));
}
template <unsigned E, auto R, unsigned (*Amount)(unsigned, unsigned)>
kalt64_decode_rc zzi_shift(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), z_operand(z_9_5(w), E),
           Amount(tsz_imm3_zzi(w), esize_bits(E)));
}
template <unsigned E, auto R>
kalt64_decode_rc zpi_shl(cpu_state* s, unsigned w) {
  return zpi_shift<E, R, left_shift_amount>(s, w);
}
template <unsigned E, auto R>
kalt64_decode_rc zpi_shr(cpu_state* s, unsigned w) {
  return zpi_shift<E, R, right_shift_amount>(s, w);
}
template <unsigned E, auto R>
kalt64_decode_rc zzi_shl(cpu_state* s, unsigned w) {
  return zzi_shift<E, R, left_shift_amount>(s, w);
}
template <unsigned E, auto R>
kalt64_decode_rc zzi_shr(cpu_state* s, unsigned w) {
  return zzi_shift<E, R, right_shift_amount>(s, w);
}
// MLA/MLS: Zda, Pg, Zn 9..5, Zm 20..16. MAD/MSB: Zdn, Pg, Zm 20..16, Za 9..5.
template <unsigned E, auto R>
kalt64_decode_rc zpzz_mla(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_destructive(z_4_0(w), E), p_operand(p_12_10(w), kMerging), z_operand(z_9_5(w), E),
           z_operand(z_20_16(w), E));
}
template <unsigned E, auto R>
kalt64_decode_rc zpzz_mad(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_destructive(z_4_0(w), E), p_operand(p_12_10(w), kMerging), z_operand(z_20_16(w), E),
           z_operand(z_9_5(w), E));
}
// INDEX: base 9..5 and step 20..16, each a signed 5-bit immediate or a
// general register (X for doublewords, W otherwise).
template <unsigned E>
kalt64_i_reg index_reg(unsigned num) {
  return i_operand(num, E == ESIZE_D ? kalt64_i_reg::W64 : kalt64_i_reg::W32);
}
template <unsigned E, auto R>
kalt64_decode_rc index_ii(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), sfield(w, 9, 5), sfield(w, 20, 16));
}
template <unsigned E, auto R>
kalt64_decode_rc index_ir(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), sfield(w, 9, 5), index_reg<E>(r_20_16(w)));
}
template <unsigned E, auto R>
kalt64_decode_rc index_ri(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), index_reg<E>(r_9_5(w)), sfield(w, 20, 16));
}
template <unsigned E, auto R>
kalt64_decode_rc index_rr(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), index_reg<E>(r_9_5(w)), index_reg<E>(r_20_16(w)));
}
// Horizontal reductions: Vd 4..0 (a SIMD&FP scalar), Pg 12..10 governing,
// Zn 9..5 with the element size.
template <unsigned E, auto R>
kalt64_decode_rc reduce_vpz(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_4_0(w), p_operand(p_12_10(w), kalt64_p_reg::GOVERNING), z_operand(z_9_5(w), E));
}

// Floating point: Zdn 4..0, Pg 12..10 merging, the constant selector of the
// arithmetic-with-immediate forms in bit 5.
template <unsigned E, auto R>
kalt64_decode_rc zpi_fp(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_destructive(z_4_0(w), E), p_operand(p_12_10(w), kMerging),
           kalt64_qrx_fp_arith_imm{static_cast<uint8_t>(field(w, 5, 5))});
}
// Compares with zero: Pd 3..0 with the element size, Pg 12..10 zeroing, Zn.
template <unsigned E, auto R>
kalt64_decode_rc cmp_ppz0(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_operand(p_3_0(w), E), p_operand(p_12_10(w), kZeroing), z_operand(z_9_5(w), E));
}

// Predicates: Pd 3..0, Pg 13..10, Pn 8..5, Pm 19..16, Rn 9..5, Rm 20..16.
template <auto R>
kalt64_decode_rc pppp(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_operand(p_3_0(w), ESIZE_B), p_operand(p_13_10(w), kZeroing),
           p_operand(p_8_5(w), ESIZE_B), p_operand(p_19_16(w), ESIZE_B));
}
template <auto R, unsigned Kind>
kalt64_decode_rc brk(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_operand(p_3_0(w), ESIZE_B), p_operand(p_13_10(w), Kind),
           p_operand(p_8_5(w), ESIZE_B));
}
template <auto R>
kalt64_decode_rc brkn(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_destructive(p_3_0(w), ESIZE_B), p_operand(p_13_10(w), kZeroing),
           p_operand(p_8_5(w), ESIZE_B));
}
template <unsigned E, auto R>
kalt64_decode_rc ptrue(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_operand(p_3_0(w), E), field(w, 9, 5));
}
template <unsigned E, auto R>
kalt64_decode_rc pnext(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_destructive(p_3_0(w), E), p_operand(p_8_5(w), kalt64_p_reg::GOVERNING));
}
template <auto R>
kalt64_decode_rc ptest(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_operand(p_13_10(w), kalt64_p_reg::GOVERNING), p_operand(p_8_5(w), ESIZE_B));
}
template <unsigned E, auto R>
kalt64_decode_rc while_w(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_operand(p_3_0(w), E), i_operand(r_9_5(w), kalt64_i_reg::W32),
           i_operand(r_20_16(w), kalt64_i_reg::W32));
}
template <unsigned E, auto R>
kalt64_decode_rc while_x(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_operand(p_3_0(w), E), i_operand(r_9_5(w), kalt64_i_reg::W64),
           i_operand(r_20_16(w), kalt64_i_reg::W64));
}
template <unsigned E, auto R>
kalt64_decode_rc cntp(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, i_operand(r_4_0(w), kalt64_i_reg::W64),
           p_operand(p_13_10(w), kalt64_p_reg::GOVERNING), p_operand(p_8_5(w), E));
}
template <auto R>
kalt64_decode_rc pd(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_operand(p_3_0(w), ESIZE_B));
}
template <auto R>
kalt64_decode_rc pn(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_operand(p_8_5(w), ESIZE_B));
}
template <auto R>
kalt64_decode_rc pd_pn_z(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_operand(p_3_0(w), ESIZE_B), p_operand(p_8_5(w), kZeroing));
}
template <auto R>
kalt64_decode_rc no_operands(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s);
}

// Predicate logic of the library path on the register file: Pd = Pg AND
// Op(Pn, Pm) with the library's element operation and, when kFlags, the
// library's predicate test of Pd under Pg. N and C depend only on the
// sources at Pg's first and last active bytes, so they are read before Pd
// changes; Z comes from the same pass that writes Pd, which may therefore
// be any of the sources.
template <typename Op, bool kFlags>
kalt64_decode_rc lib_logic(cpu_state* s, unsigned w) {
  const uint8_t *g = s->p[p_13_10(w)], *n = s->p[p_8_5(w)], *m = s->p[p_19_16(w)];
  uint32_t nc = kFlags ? pred_logic_nc<Op>(g, n, m) : 0;
  uint64_t any = pred_logic_into<Op>(s->p[p_3_0(w)], g, n, m);
  // The library path's effects on NZCV and FPCR; FFR's bytes are 0 or 1
  // already, so the library path's repacking could not change them.
  library_path_flag_effects(s);
  if (kFlags) set_nzcv(s, nc | (any == 0 ? kFlagZ : 0));
  return KALT64_DECODE_OK;
}

template <typename T>
struct RegisterPair;
template <typename T, typename Result>
struct RegisterPair<Result (*)(T, T, CpuContext*)> {
  using type = T;
};
// The predicate library's CTERM functions, called as they are.
template <auto F>
kalt64_decode_rc lib_cterm(cpu_state* s, unsigned w) {
  using T = typename RegisterPair<decltype(F)>::type;
  return predicate_library_path(s, [&](CpuContext* ctx) {
    F(static_cast<T>(read_xzr(s, r_9_5(w))), static_cast<T>(read_xzr(s, r_20_16(w))), ctx);
  });
}

}  // namespace bind

}  // namespace qrx

#endif  // QRX_HANDLERS_HANDLER_SUPPORT_H
