// Decode/execute handlers of the integer arithmetic, logic and shift
// instructions. Each handler binds its operand fields to one semantic
// routine or one library function through the form binders below.
#include "qrx/decode/handler_decls.h"
#include "qrx/handlers/handler_support.h"
#include "qrx/library/int_ops.h"
#include "qrx/library/integer_lib.h"
#include "qrx/routines/integer_routines.h"

namespace qrx {
namespace handlers {
namespace {

using ZpzRoutine = kalt64_decode_rc (*)(cpu_state*, kalt64_z_reg, kalt64_p_reg, kalt64_z_reg);
using ZzzRoutine = kalt64_decode_rc (*)(cpu_state*, kalt64_z_reg, kalt64_z_reg, kalt64_z_reg);
using ZiRoutine = kalt64_decode_rc (*)(cpu_state*, kalt64_z_reg, unsigned int);
using LogicalRoutine = kalt64_decode_rc (*)(cpu_state*, kalt64_z_reg, kalt64_qrx_logical64_imm);
using ZpiRoutine = kalt64_decode_rc (*)(cpu_state*, kalt64_z_reg, kalt64_p_reg, unsigned int);
using ZziRoutine = kalt64_decode_rc (*)(cpu_state*, kalt64_z_reg, kalt64_z_reg, unsigned int);
using ZpzzRoutine = kalt64_decode_rc (*)(cpu_state*, kalt64_z_reg, kalt64_p_reg, kalt64_z_reg,
                                         kalt64_z_reg);

// Common operand fields.
unsigned rd(unsigned w) { return field(w, 4, 0); }
unsigned rn(unsigned w) { return field(w, 9, 5); }
unsigned rm(unsigned w) { return field(w, 20, 16); }
unsigned pg(unsigned w) { return field(w, 12, 10); }
kalt64_p_reg merging_pg(unsigned w) { return p_operand(pg(w), kalt64_p_reg::MERGING); }
unsigned esize_bits(unsigned esize) { return 8u << esize; }

// The unsigned 8-bit immediate of bits 12..5, shifted left by 8 when bit 13
// is set; byte elements have no shifted form and take 0.
unsigned arith_imm(unsigned w, unsigned esize) {
  if (field(w, 13, 13) == 0) return field(w, 12, 5);
  return esize == ESIZE_B ? 0 : field(w, 12, 5) << 8;
}

// Shift amounts from tsz:imm3: predicated forms hold tsz in bits 23..22 and
// 9..8 and imm3 in 7..5, unpredicated forms tsz in 23..22 and 20..19 and
// imm3 in 18..16.
unsigned tsz_imm3_zpi(unsigned w) {
  return (field(w, 23, 22) << 5) | (field(w, 9, 8) << 3) | field(w, 7, 5);
}
unsigned tsz_imm3_zzi(unsigned w) { return (field(w, 23, 22) << 5) | field(w, 20, 16); }
enum ShiftDirection { kLeft, kRight };
unsigned shift_amount(unsigned tsz_imm3, unsigned esize, ShiftDirection dir) {
  return dir == kLeft ? left_shift_amount(tsz_imm3, esize_bits(esize))
                      : right_shift_amount(tsz_imm3, esize_bits(esize));
}
unsigned right_amount_zpi(unsigned w, unsigned esize) {
  return shift_amount(tsz_imm3_zpi(w), esize, kRight);
}
unsigned right_amount_zzi(unsigned w, unsigned esize) {
  return shift_amount(tsz_imm3_zzi(w), esize, kRight);
}

// ----- Routine path -------------------------------------------------------

// Zdn 4..0, Pg 12..10 merging, Zm 9..5.
kalt64_decode_rc zpz(cpu_state* s, unsigned w, unsigned esize, ZpzRoutine routine) {
  begin_routine(s, w);
  return routine(s, z_destructive(rd(w), esize), merging_pg(w), z_operand(rn(w), esize));
}
// Zd 4..0, Pg 12..10 of the given kind, Zn 9..5.
kalt64_decode_rc zpz_unary(cpu_state* s, unsigned w, unsigned esize, unsigned kind,
                           ZpzRoutine routine) {
  begin_routine(s, w);
  return routine(s, z_operand(rd(w), esize), p_operand(pg(w), kind), z_operand(rn(w), esize));
}
// Zd 4..0, Zn 9..5, Zm 20..16.
kalt64_decode_rc zzz(cpu_state* s, unsigned w, unsigned esize, ZzzRoutine routine) {
  begin_routine(s, w);
  return routine(s, z_operand(rd(w), esize), z_operand(rn(w), esize), z_operand(rm(w), esize));
}
kalt64_decode_rc movprfx_zz(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return qrx_movprfx_zz(s, z_operand(rd(w), ESIZE_S), z_operand(rn(w), ESIZE_S));
}
// Zdn 4..0 with the (shifted) unsigned 8-bit immediate.
kalt64_decode_rc zi(cpu_state* s, unsigned w, unsigned esize, ZiRoutine routine) {
  begin_routine(s, w);
  return routine(s, z_destructive(rd(w), esize), arith_imm(w, esize));
}
// Zdn 4..0 with the signed 8-bit immediate of bits 12..5.
kalt64_decode_rc mul_zi(cpu_state* s, unsigned w, unsigned esize) {
  begin_routine(s, w);
  return qrx_mul_zi(s, z_destructive(rd(w), esize), sfield(w, 12, 5));
}
// The bitmask immediate N (bit 17), immr (16..11), imms (10..5); a reserved
// encoding is not executed.
bool logical_imm(unsigned w, kalt64_qrx_logical64_imm* imm) {
  return decode_logical_imm(field(w, 17, 17), field(w, 16, 11), field(w, 10, 5), &imm->imm);
}
kalt64_decode_rc zi_logical(cpu_state* s, unsigned w, LogicalRoutine routine) {
  begin_routine(s, w);
  kalt64_qrx_logical64_imm imm{};
  if (!logical_imm(w, &imm)) return KALT64_DECODE_NOT_EXECUTED;
  return routine(s, z_destructive(rd(w), ESIZE_D), imm);
}
kalt64_decode_rc dupm(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  kalt64_qrx_logical64_imm imm{};
  if (!logical_imm(w, &imm)) return KALT64_DECODE_NOT_EXECUTED;
  return qrx_dupm_zi(s, z_operand(rd(w), ESIZE_D), imm);
}
// Zdn 4..0, Pg 12..10 merging, amount from tsz:imm3.
kalt64_decode_rc shift_zpi(cpu_state* s, unsigned w, unsigned esize, ShiftDirection dir,
                           ZpiRoutine routine) {
  begin_routine(s, w);
  return routine(s, z_destructive(rd(w), esize), merging_pg(w),
                 shift_amount(tsz_imm3_zpi(w), esize, dir));
}
// Zd 4..0, Zn 9..5, amount from tsz:imm3.
kalt64_decode_rc shift_zzi(cpu_state* s, unsigned w, unsigned esize, ShiftDirection dir,
                           ZziRoutine routine) {
  begin_routine(s, w);
  return routine(s, z_operand(rd(w), esize), z_operand(rn(w), esize),
                 shift_amount(tsz_imm3_zzi(w), esize, dir));
}
// MLA/MLS: Zda 4..0, Pg 12..10, Zn 9..5, Zm 20..16.
kalt64_decode_rc mla(cpu_state* s, unsigned w, unsigned esize, ZpzzRoutine routine) {
  begin_routine(s, w);
  return routine(s, z_destructive(rd(w), esize), merging_pg(w), z_operand(rn(w), esize),
                 z_operand(rm(w), esize));
}
// MAD/MSB: Zdn 4..0, Pg 12..10, Zm 20..16, Za 9..5.
kalt64_decode_rc mad(cpu_state* s, unsigned w, unsigned esize, ZpzzRoutine routine) {
  begin_routine(s, w);
  return routine(s, z_destructive(rd(w), esize), merging_pg(w), z_operand(rm(w), esize),
                 z_operand(rn(w), esize));
}
// INDEX: Zd 4..0, base 9..5, step 20..16, each a signed 5-bit immediate or a
// general register (X for doublewords, W otherwise).
kalt64_i_reg index_reg(unsigned num, unsigned esize) {
  return i_operand(num, esize == ESIZE_D ? kalt64_i_reg::W64 : kalt64_i_reg::W32);
}
kalt64_decode_rc index_ii(cpu_state* s, unsigned w, unsigned esize) {
  begin_routine(s, w);
  return qrx_index_zii(s, z_operand(rd(w), esize), sfield(w, 9, 5), sfield(w, 20, 16));
}
kalt64_decode_rc index_ir(cpu_state* s, unsigned w, unsigned esize) {
  begin_routine(s, w);
  return qrx_index_zir(s, z_operand(rd(w), esize), sfield(w, 9, 5), index_reg(rm(w), esize));
}
kalt64_decode_rc index_ri(cpu_state* s, unsigned w, unsigned esize) {
  begin_routine(s, w);
  return qrx_index_zri(s, z_operand(rd(w), esize), index_reg(rn(w), esize), sfield(w, 20, 16));
}
kalt64_decode_rc index_rr(cpu_state* s, unsigned w, unsigned esize) {
  begin_routine(s, w);
  return qrx_index_zrr(s, z_operand(rd(w), esize), index_reg(rn(w), esize),
                       index_reg(rm(w), esize));
}

// ----- Library path -------------------------------------------------------

using VpvFn = VecValue (*)(VecValue, PredV, VecValue, CpuContext*);
using VvFn = VecValue (*)(VecValue, VecValue, CpuContext*);
using VpiFn = VecValue (*)(VecValue, PredV, uint32_t, CpuContext*);
using VvvFn = VecValue (*)(VecValue, VecValue, VecValue, CpuContext*);
using VvviFn = VecValue (*)(VecValue, VecValue, VecValue, uint32_t, CpuContext*);

// Zdn (or Zd) 4..0, Pg 12..10, Zm (or Zn) 9..5; the result goes to 4..0.
kalt64_decode_rc lib_zpz(cpu_state* s, unsigned w, VpvFn fn) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, rd(w), fn(read_vec(s, rd(w)), read_pred(s, pg(w)), read_vec(s, rn(w)), ctx));
  });
}
// Zd 4..0, Zn 9..5, Zm 20..16.
kalt64_decode_rc lib_zzz(cpu_state* s, unsigned w, VvFn fn) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, rd(w), fn(read_vec(s, rn(w)), read_vec(s, rm(w)), ctx));
  });
}
// Zdn 4..0 with an immediate.
template <typename Imm>
kalt64_decode_rc lib_zi(cpu_state* s, unsigned w, VecValue (*fn)(VecValue, Imm, CpuContext*),
                        Imm imm) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, rd(w), fn(read_vec(s, rd(w)), imm, ctx));
  });
}
// Zdn 4..0, Pg 12..10, shift amount.
kalt64_decode_rc lib_zpi(cpu_state* s, unsigned w, VpiFn fn, uint32_t shift) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, rd(w), fn(read_vec(s, rd(w)), read_pred(s, pg(w)), shift, ctx));
  });
}
// Zd 4..0, Zn 9..5, shift amount.
kalt64_decode_rc lib_zzi(cpu_state* s, unsigned w, VecValue (*fn)(VecValue, uint32_t, CpuContext*),
                         uint32_t shift) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, rd(w), fn(read_vec(s, rn(w)), shift, ctx));
  });
}
// Zda 4..0, Zn 9..5, Zm 20..16.
kalt64_decode_rc lib_dot(cpu_state* s, unsigned w, VvvFn fn) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, rd(w), fn(read_vec(s, rd(w)), read_vec(s, rn(w)), read_vec(s, rm(w)), ctx));
  });
}
// Indexed: word accumulators take Zm from 18..16 and the index from 20..19,
// doubleword accumulators Zm from 19..16 and the index from bit 20.
kalt64_decode_rc lib_dot_indexed(cpu_state* s, unsigned w, unsigned esize, VvviFn fn) {
  bool words = esize == ESIZE_S;
  unsigned zm = words ? field(w, 18, 16) : field(w, 19, 16);
  uint32_t index = words ? field(w, 20, 19) : field(w, 20, 20);
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, rd(w), fn(read_vec(s, rd(w)), read_vec(s, rn(w)), read_vec(s, zm), index, ctx));
  });
}

}  // namespace

// Predicated destructive vector forms.
kalt64_decode_rc VecU8AddVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_add_zpz);
}
kalt64_decode_rc VecU16AddVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_add_zpz);
}
kalt64_decode_rc VecU32AddVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_add_zpz);
}
kalt64_decode_rc VecU64AddVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_add_zpz);
}
kalt64_decode_rc VecU8SubVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_sub_zpz);
}
kalt64_decode_rc VecU16SubVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_sub_zpz);
}
kalt64_decode_rc VecU32SubVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_sub_zpz);
}
kalt64_decode_rc VecU64SubVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_sub_zpz);
}
kalt64_decode_rc VecS8MulVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_mul_zpz);
}
kalt64_decode_rc VecS16MulVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_mul_zpz);
}
kalt64_decode_rc VecS32MulVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_mul_zpz);
}
kalt64_decode_rc VecS64MulVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_mul_zpz);
}
kalt64_decode_rc VecU8AndVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_and_zpz);
}
kalt64_decode_rc VecU16AndVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_and_zpz);
}
kalt64_decode_rc VecU32AndVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_and_zpz);
}
kalt64_decode_rc VecU64AndVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_and_zpz);
}
kalt64_decode_rc VecU8OrVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_orr_zpz);
}
kalt64_decode_rc VecU16OrVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_orr_zpz);
}
kalt64_decode_rc VecU32OrVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_orr_zpz);
}
kalt64_decode_rc VecU64OrVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_orr_zpz);
}
kalt64_decode_rc VecU8XorVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_eor_zpz);
}
kalt64_decode_rc VecU16XorVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_eor_zpz);
}
kalt64_decode_rc VecU32XorVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_eor_zpz);
}
kalt64_decode_rc VecU64XorVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_eor_zpz);
}
kalt64_decode_rc VecU8BicVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_bic_zpz);
}
kalt64_decode_rc VecU16BicVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_bic_zpz);
}
kalt64_decode_rc VecU32BicVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_bic_zpz);
}
kalt64_decode_rc VecU64BicVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_bic_zpz);
}
kalt64_decode_rc VecU8MaxVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_umax_zpz);
}
kalt64_decode_rc VecU16MaxVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_umax_zpz);
}
kalt64_decode_rc VecU32MaxVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_umax_zpz);
}
kalt64_decode_rc VecU64MaxVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_umax_zpz);
}
kalt64_decode_rc VecS8MaxVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_smax_zpz);
}
kalt64_decode_rc VecS16MaxVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_smax_zpz);
}
kalt64_decode_rc VecS32MaxVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_smax_zpz);
}
kalt64_decode_rc VecS64MaxVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_smax_zpz);
}
kalt64_decode_rc VecU8MinVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_umin_zpz);
}
kalt64_decode_rc VecU16MinVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_umin_zpz);
}
kalt64_decode_rc VecU32MinVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_umin_zpz);
}
kalt64_decode_rc VecU64MinVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_umin_zpz);
}
kalt64_decode_rc VecS8MinVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_smin_zpz);
}
kalt64_decode_rc VecS16MinVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_smin_zpz);
}
kalt64_decode_rc VecS32MinVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_smin_zpz);
}
kalt64_decode_rc VecS64MinVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_smin_zpz);
}
kalt64_decode_rc VecU32DivVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_udiv_zpz);
}
kalt64_decode_rc VecU64DivVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_udiv_zpz);
}
kalt64_decode_rc VecS32DivVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_sdiv_zpz);
}
kalt64_decode_rc VecS64DivVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_sdiv_zpz);
}
kalt64_decode_rc VecU32DivRVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_udivr_zpz);
}
kalt64_decode_rc VecU64DivRVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_udivr_zpz);
}
kalt64_decode_rc VecS32DivRVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_sdivr_zpz);
}
kalt64_decode_rc VecS64DivRVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_sdivr_zpz);
}
kalt64_decode_rc VecU8ShlVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_lsl_zpz);
}
kalt64_decode_rc VecU16ShlVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_lsl_zpz);
}
kalt64_decode_rc VecU32ShlVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_lsl_zpz);
}
kalt64_decode_rc VecU64ShlVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_lsl_zpz);
}
kalt64_decode_rc VecU8ShrVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_lsr_zpz);
}
kalt64_decode_rc VecU16ShrVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_lsr_zpz);
}
kalt64_decode_rc VecU32ShrVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_lsr_zpz);
}
kalt64_decode_rc VecU64ShrVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_lsr_zpz);
}
kalt64_decode_rc VecS8ShrVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_B, qrx_asr_zpz);
}
kalt64_decode_rc VecS16ShrVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_H, qrx_asr_zpz);
}
kalt64_decode_rc VecS32ShrVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_S, qrx_asr_zpz);
}
kalt64_decode_rc VecS64ShrVVM(cpu_state* s, unsigned int w) {
  return zpz(s, w, ESIZE_D, qrx_asr_zpz);
}

// Predicated unary forms, merging or zeroing into Zd.
kalt64_decode_rc VecS8NegVM(cpu_state* s, unsigned int w) {
  return zpz_unary(s, w, ESIZE_B, kalt64_p_reg::MERGING, qrx_neg_zpz);
}
kalt64_decode_rc VecS16NegVM(cpu_state* s, unsigned int w) {
  return zpz_unary(s, w, ESIZE_H, kalt64_p_reg::MERGING, qrx_neg_zpz);
}
kalt64_decode_rc VecS32NegVM(cpu_state* s, unsigned int w) {
  return zpz_unary(s, w, ESIZE_S, kalt64_p_reg::MERGING, qrx_neg_zpz);
}
kalt64_decode_rc VecS64NegVM(cpu_state* s, unsigned int w) {
  return zpz_unary(s, w, ESIZE_D, kalt64_p_reg::MERGING, qrx_neg_zpz);
}
kalt64_decode_rc VecU8MovePrefix1VM(cpu_state* s, unsigned int w) {
  return zpz_unary(s, w, ESIZE_B, kalt64_p_reg::MERGING, qrx_movprfx_zpz);
}
kalt64_decode_rc VecU16MovePrefix1VM(cpu_state* s, unsigned int w) {
  return zpz_unary(s, w, ESIZE_H, kalt64_p_reg::MERGING, qrx_movprfx_zpz);
}
kalt64_decode_rc VecU32MovePrefix1VM(cpu_state* s, unsigned int w) {
  return zpz_unary(s, w, ESIZE_S, kalt64_p_reg::MERGING, qrx_movprfx_zpz);
}
kalt64_decode_rc VecU64MovePrefix1VM(cpu_state* s, unsigned int w) {
  return zpz_unary(s, w, ESIZE_D, kalt64_p_reg::MERGING, qrx_movprfx_zpz);
}
kalt64_decode_rc VecU8MovePrefix1VZ(cpu_state* s, unsigned int w) {
  return zpz_unary(s, w, ESIZE_B, kalt64_p_reg::ZEROING, qrx_movprfx_zpz);
}
kalt64_decode_rc VecU16MovePrefix1VZ(cpu_state* s, unsigned int w) {
  return zpz_unary(s, w, ESIZE_H, kalt64_p_reg::ZEROING, qrx_movprfx_zpz);
}
kalt64_decode_rc VecU32MovePrefix1VZ(cpu_state* s, unsigned int w) {
  return zpz_unary(s, w, ESIZE_S, kalt64_p_reg::ZEROING, qrx_movprfx_zpz);
}
kalt64_decode_rc VecU64MovePrefix1VZ(cpu_state* s, unsigned int w) {
  return zpz_unary(s, w, ESIZE_D, kalt64_p_reg::ZEROING, qrx_movprfx_zpz);
}

// Unpredicated vector forms; the logic forms work on 64-bit lanes.
kalt64_decode_rc VecU8AddVVX(cpu_state* s, unsigned int w) {
  return zzz(s, w, ESIZE_B, qrx_add_zzz);
}
kalt64_decode_rc VecU16AddVVX(cpu_state* s, unsigned int w) {
  return zzz(s, w, ESIZE_H, qrx_add_zzz);
}
kalt64_decode_rc VecU32AddVVX(cpu_state* s, unsigned int w) {
  return zzz(s, w, ESIZE_S, qrx_add_zzz);
}
kalt64_decode_rc VecU64AddVVX(cpu_state* s, unsigned int w) {
  return zzz(s, w, ESIZE_D, qrx_add_zzz);
}
kalt64_decode_rc VecU8SubVVX(cpu_state* s, unsigned int w) {
  return zzz(s, w, ESIZE_B, qrx_sub_zzz);
}
kalt64_decode_rc VecU16SubVVX(cpu_state* s, unsigned int w) {
  return zzz(s, w, ESIZE_H, qrx_sub_zzz);
}
kalt64_decode_rc VecU32SubVVX(cpu_state* s, unsigned int w) {
  return zzz(s, w, ESIZE_S, qrx_sub_zzz);
}
kalt64_decode_rc VecU64SubVVX(cpu_state* s, unsigned int w) {
  return zzz(s, w, ESIZE_D, qrx_sub_zzz);
}
kalt64_decode_rc VecU64AndVVX(cpu_state* s, unsigned int w) {
  return zzz(s, w, ESIZE_D, qrx_and_zzz);
}
kalt64_decode_rc VecU64OrVVX(cpu_state* s, unsigned int w) {
  return zzz(s, w, ESIZE_D, qrx_orr_zzz);
}
kalt64_decode_rc VecU64XorVVX(cpu_state* s, unsigned int w) {
  return zzz(s, w, ESIZE_D, qrx_eor_zzz);
}
kalt64_decode_rc VecU64BicVVX(cpu_state* s, unsigned int w) {
  return zzz(s, w, ESIZE_D, qrx_bic_zzz);
}
kalt64_decode_rc VecU32SpecialMoveV(cpu_state* s, unsigned int w) {
  return movprfx_zz(s, w);
}

// Immediate forms.
kalt64_decode_rc VecU8AddVIX(cpu_state* s, unsigned int w) {
  return zi(s, w, ESIZE_B, qrx_add_zi);
}
kalt64_decode_rc VecU16AddVIX(cpu_state* s, unsigned int w) {
  return zi(s, w, ESIZE_H, qrx_add_zi);
}
kalt64_decode_rc VecU32AddVIX(cpu_state* s, unsigned int w) {
  return zi(s, w, ESIZE_S, qrx_add_zi);
}
kalt64_decode_rc VecU64AddVIX(cpu_state* s, unsigned int w) {
  return zi(s, w, ESIZE_D, qrx_add_zi);
}
kalt64_decode_rc VecU8SubVIX(cpu_state* s, unsigned int w) {
  return zi(s, w, ESIZE_B, qrx_sub_zi);
}
kalt64_decode_rc VecU16SubVIX(cpu_state* s, unsigned int w) {
  return zi(s, w, ESIZE_H, qrx_sub_zi);
}
kalt64_decode_rc VecU32SubVIX(cpu_state* s, unsigned int w) {
  return zi(s, w, ESIZE_S, qrx_sub_zi);
}
kalt64_decode_rc VecU64SubVIX(cpu_state* s, unsigned int w) {
  return zi(s, w, ESIZE_D, qrx_sub_zi);
}
kalt64_decode_rc VecS8MulVIX(cpu_state* s, unsigned int w) {
  return mul_zi(s, w, ESIZE_B);
}
kalt64_decode_rc VecS16MulVIX(cpu_state* s, unsigned int w) {
  return mul_zi(s, w, ESIZE_H);
}
kalt64_decode_rc VecS32MulVIX(cpu_state* s, unsigned int w) {
  return mul_zi(s, w, ESIZE_S);
}
kalt64_decode_rc VecS64MulVIX(cpu_state* s, unsigned int w) {
  return mul_zi(s, w, ESIZE_D);
}
kalt64_decode_rc VecU64AndVIX(cpu_state* s, unsigned int w) {
  return zi_logical(s, w, qrx_and_zi);
}
kalt64_decode_rc VecU64OrVIX(cpu_state* s, unsigned int w) {
  return zi_logical(s, w, qrx_orr_zi);
}
kalt64_decode_rc VecU64XorVIX(cpu_state* s, unsigned int w) {
  return zi_logical(s, w, qrx_eor_zi);
}
kalt64_decode_rc VecS64DupMaskI(cpu_state* s, unsigned int w) {
  return dupm(s, w);
}

// Shifts by immediate.
kalt64_decode_rc VecU8ShlVIM(cpu_state* s, unsigned int w) {
  return shift_zpi(s, w, ESIZE_B, kLeft, qrx_lsl_zpi);
}
kalt64_decode_rc VecU16ShlVIM(cpu_state* s, unsigned int w) {
  return shift_zpi(s, w, ESIZE_H, kLeft, qrx_lsl_zpi);
}
kalt64_decode_rc VecU32ShlVIM(cpu_state* s, unsigned int w) {
  return shift_zpi(s, w, ESIZE_S, kLeft, qrx_lsl_zpi);
}
kalt64_decode_rc VecU64ShlVIM(cpu_state* s, unsigned int w) {
  return shift_zpi(s, w, ESIZE_D, kLeft, qrx_lsl_zpi);
}
kalt64_decode_rc VecS8ShrVIM(cpu_state* s, unsigned int w) {
  return shift_zpi(s, w, ESIZE_B, kRight, qrx_asr_zpi);
}
kalt64_decode_rc VecS16ShrVIM(cpu_state* s, unsigned int w) {
  return shift_zpi(s, w, ESIZE_H, kRight, qrx_asr_zpi);
}
kalt64_decode_rc VecS32ShrVIM(cpu_state* s, unsigned int w) {
  return shift_zpi(s, w, ESIZE_S, kRight, qrx_asr_zpi);
}
kalt64_decode_rc VecS64ShrVIM(cpu_state* s, unsigned int w) {
  return shift_zpi(s, w, ESIZE_D, kRight, qrx_asr_zpi);
}
kalt64_decode_rc VecU8ShlVIX(cpu_state* s, unsigned int w) {
  return shift_zzi(s, w, ESIZE_B, kLeft, qrx_lsl_zzi);
}
kalt64_decode_rc VecU16ShlVIX(cpu_state* s, unsigned int w) {
  return shift_zzi(s, w, ESIZE_H, kLeft, qrx_lsl_zzi);
}
kalt64_decode_rc VecU32ShlVIX(cpu_state* s, unsigned int w) {
  return shift_zzi(s, w, ESIZE_S, kLeft, qrx_lsl_zzi);
}
kalt64_decode_rc VecU64ShlVIX(cpu_state* s, unsigned int w) {
  return shift_zzi(s, w, ESIZE_D, kLeft, qrx_lsl_zzi);
}
kalt64_decode_rc VecS8ShrVIX(cpu_state* s, unsigned int w) {
  return shift_zzi(s, w, ESIZE_B, kRight, qrx_asr_zzi);
}
kalt64_decode_rc VecS16ShrVIX(cpu_state* s, unsigned int w) {
  return shift_zzi(s, w, ESIZE_H, kRight, qrx_asr_zzi);
}
kalt64_decode_rc VecS32ShrVIX(cpu_state* s, unsigned int w) {
  return shift_zzi(s, w, ESIZE_S, kRight, qrx_asr_zzi);
}
kalt64_decode_rc VecS64ShrVIX(cpu_state* s, unsigned int w) {
  return shift_zzi(s, w, ESIZE_D, kRight, qrx_asr_zzi);
}

// Multiply-accumulate.
kalt64_decode_rc VecS8MLAVVVM(cpu_state* s, unsigned int w) {
  return mla(s, w, ESIZE_B, qrx_mla_zpzz);
}
kalt64_decode_rc VecS16MLAVVVM(cpu_state* s, unsigned int w) {
  return mla(s, w, ESIZE_H, qrx_mla_zpzz);
}
kalt64_decode_rc VecS32MLAVVVM(cpu_state* s, unsigned int w) {
  return mla(s, w, ESIZE_S, qrx_mla_zpzz);
}
kalt64_decode_rc VecS64MLAVVVM(cpu_state* s, unsigned int w) {
  return mla(s, w, ESIZE_D, qrx_mla_zpzz);
}
kalt64_decode_rc VecS8MLSVVVM(cpu_state* s, unsigned int w) {
  return mla(s, w, ESIZE_B, qrx_mls_zpzz);
}
kalt64_decode_rc VecS16MLSVVVM(cpu_state* s, unsigned int w) {
  return mla(s, w, ESIZE_H, qrx_mls_zpzz);
}
kalt64_decode_rc VecS32MLSVVVM(cpu_state* s, unsigned int w) {
  return mla(s, w, ESIZE_S, qrx_mls_zpzz);
}
kalt64_decode_rc VecS64MLSVVVM(cpu_state* s, unsigned int w) {
  return mla(s, w, ESIZE_D, qrx_mls_zpzz);
}
kalt64_decode_rc VecS8MADDVVVM(cpu_state* s, unsigned int w) {
  return mad(s, w, ESIZE_B, qrx_mad_zpzz);
}
kalt64_decode_rc VecS16MADDVVVM(cpu_state* s, unsigned int w) {
  return mad(s, w, ESIZE_H, qrx_mad_zpzz);
}
kalt64_decode_rc VecS32MADDVVVM(cpu_state* s, unsigned int w) {
  return mad(s, w, ESIZE_S, qrx_mad_zpzz);
}
kalt64_decode_rc VecS64MADDVVVM(cpu_state* s, unsigned int w) {
  return mad(s, w, ESIZE_D, qrx_mad_zpzz);
}
kalt64_decode_rc VecS8MSUBVVVM(cpu_state* s, unsigned int w) {
  return mad(s, w, ESIZE_B, qrx_msb_zpzz);
}
kalt64_decode_rc VecS16MSUBVVVM(cpu_state* s, unsigned int w) {
  return mad(s, w, ESIZE_H, qrx_msb_zpzz);
}
kalt64_decode_rc VecS32MSUBVVVM(cpu_state* s, unsigned int w) {
  return mad(s, w, ESIZE_S, qrx_msb_zpzz);
}
kalt64_decode_rc VecS64MSUBVVVM(cpu_state* s, unsigned int w) {
  return mad(s, w, ESIZE_D, qrx_msb_zpzz);
}

// INDEX.
kalt64_decode_rc VecS8IndexII(cpu_state* s, unsigned int w) {
  return index_ii(s, w, ESIZE_B);
}
kalt64_decode_rc VecS16IndexII(cpu_state* s, unsigned int w) {
  return index_ii(s, w, ESIZE_H);
}
kalt64_decode_rc VecS32IndexII(cpu_state* s, unsigned int w) {
  return index_ii(s, w, ESIZE_S);
}
kalt64_decode_rc VecS64IndexII(cpu_state* s, unsigned int w) {
  return index_ii(s, w, ESIZE_D);
}
kalt64_decode_rc VecS8IndexIS(cpu_state* s, unsigned int w) {
  return index_ir(s, w, ESIZE_B);
}
kalt64_decode_rc VecS16IndexIS(cpu_state* s, unsigned int w) {
  return index_ir(s, w, ESIZE_H);
}
kalt64_decode_rc VecS32IndexIS(cpu_state* s, unsigned int w) {
  return index_ir(s, w, ESIZE_S);
}
kalt64_decode_rc VecS64IndexIS(cpu_state* s, unsigned int w) {
  return index_ir(s, w, ESIZE_D);
}
kalt64_decode_rc VecS8IndexSI(cpu_state* s, unsigned int w) {
  return index_ri(s, w, ESIZE_B);
}
kalt64_decode_rc VecS16IndexSI(cpu_state* s, unsigned int w) {
  return index_ri(s, w, ESIZE_H);
}
kalt64_decode_rc VecS32IndexSI(cpu_state* s, unsigned int w) {
  return index_ri(s, w, ESIZE_S);
}
kalt64_decode_rc VecS64IndexSI(cpu_state* s, unsigned int w) {
  return index_ri(s, w, ESIZE_D);
}
kalt64_decode_rc VecS8IndexSS(cpu_state* s, unsigned int w) {
  return index_rr(s, w, ESIZE_B);
}
kalt64_decode_rc VecS16IndexSS(cpu_state* s, unsigned int w) {
  return index_rr(s, w, ESIZE_H);
}
kalt64_decode_rc VecS32IndexSS(cpu_state* s, unsigned int w) {
  return index_rr(s, w, ESIZE_S);
}
kalt64_decode_rc VecS64IndexSS(cpu_state* s, unsigned int w) {
  return index_rr(s, w, ESIZE_D);
}

// ===== Library path =====

// Reversed subtraction, high multiply, absolute difference, absolute value.
kalt64_decode_rc VecU8SubRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU8SubRVVM);
}
kalt64_decode_rc VecU16SubRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU16SubRVVM);
}
kalt64_decode_rc VecU32SubRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU32SubRVVM);
}
kalt64_decode_rc VecU64SubRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU64SubRVVM);
}
kalt64_decode_rc VecU8SubRVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU8SubRVIX, arith_imm(w, ESIZE_B));
}
kalt64_decode_rc VecU16SubRVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU16SubRVIX, arith_imm(w, ESIZE_H));
}
kalt64_decode_rc VecU32SubRVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU32SubRVIX, arith_imm(w, ESIZE_S));
}
kalt64_decode_rc VecU64SubRVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU64SubRVIX, arith_imm(w, ESIZE_D));
}
kalt64_decode_rc VecU8MulHVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU8MulHVVM);
}
kalt64_decode_rc VecU16MulHVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU16MulHVVM);
}
kalt64_decode_rc VecU32MulHVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU32MulHVVM);
}
kalt64_decode_rc VecU64MulHVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU64MulHVVM);
}
kalt64_decode_rc VecS8MulHVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS8MulHVVM);
}
kalt64_decode_rc VecS16MulHVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS16MulHVVM);
}
kalt64_decode_rc VecS32MulHVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS32MulHVVM);
}
kalt64_decode_rc VecS64MulHVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS64MulHVVM);
}
kalt64_decode_rc VecU8AbdVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU8AbdVVM);
}
kalt64_decode_rc VecU16AbdVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU16AbdVVM);
}
kalt64_decode_rc VecU32AbdVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU32AbdVVM);
}
kalt64_decode_rc VecU64AbdVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU64AbdVVM);
}
kalt64_decode_rc VecS8AbdVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS8AbdVVM);
}
kalt64_decode_rc VecS16AbdVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS16AbdVVM);
}
kalt64_decode_rc VecS32AbdVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS32AbdVVM);
}
kalt64_decode_rc VecS64AbdVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS64AbdVVM);
}
kalt64_decode_rc VecS8AbsVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS8AbsVM);
}
kalt64_decode_rc VecS16AbsVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS16AbsVM);
}
kalt64_decode_rc VecS32AbsVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS32AbsVM);
}
kalt64_decode_rc VecS64AbsVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS64AbsVM);
}

// Maximum and minimum with an immediate.
kalt64_decode_rc VecU8MaxVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU8MaxVIX, field(w, 12, 5));
}
kalt64_decode_rc VecU16MaxVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU16MaxVIX, field(w, 12, 5));
}
kalt64_decode_rc VecU32MaxVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU32MaxVIX, field(w, 12, 5));
}
kalt64_decode_rc VecU64MaxVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU64MaxVIX, field(w, 12, 5));
}
kalt64_decode_rc VecU8MinVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU8MinVIX, field(w, 12, 5));
}
kalt64_decode_rc VecU16MinVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU16MinVIX, field(w, 12, 5));
}
kalt64_decode_rc VecU32MinVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU32MinVIX, field(w, 12, 5));
}
kalt64_decode_rc VecU64MinVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU64MinVIX, field(w, 12, 5));
}
kalt64_decode_rc VecS8MaxVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS8MaxVIX, sfield(w, 12, 5));
}
kalt64_decode_rc VecS16MaxVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS16MaxVIX, sfield(w, 12, 5));
}
kalt64_decode_rc VecS32MaxVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS32MaxVIX, sfield(w, 12, 5));
}
kalt64_decode_rc VecS64MaxVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS64MaxVIX, sfield(w, 12, 5));
}
kalt64_decode_rc VecS8MinVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS8MinVIX, sfield(w, 12, 5));
}
kalt64_decode_rc VecS16MinVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS16MinVIX, sfield(w, 12, 5));
}
kalt64_decode_rc VecS32MinVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS32MinVIX, sfield(w, 12, 5));
}
kalt64_decode_rc VecS64MinVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS64MinVIX, sfield(w, 12, 5));
}

// Shifts: logical right by immediate, ASRD, wide, reversed.
kalt64_decode_rc VecU8ShrVIM(cpu_state* s, unsigned int w) {
  return lib_zpi(s, w, ::VecU8ShrVIM, right_amount_zpi(w, ESIZE_B));
}
kalt64_decode_rc VecU16ShrVIM(cpu_state* s, unsigned int w) {
  return lib_zpi(s, w, ::VecU16ShrVIM, right_amount_zpi(w, ESIZE_H));
}
kalt64_decode_rc VecU32ShrVIM(cpu_state* s, unsigned int w) {
  return lib_zpi(s, w, ::VecU32ShrVIM, right_amount_zpi(w, ESIZE_S));
}
kalt64_decode_rc VecU64ShrVIM(cpu_state* s, unsigned int w) {
  return lib_zpi(s, w, ::VecU64ShrVIM, right_amount_zpi(w, ESIZE_D));
}
kalt64_decode_rc VecS8ShrDVIM(cpu_state* s, unsigned int w) {
  return lib_zpi(s, w, ::VecS8ShrDVIM, right_amount_zpi(w, ESIZE_B));
}
kalt64_decode_rc VecS16ShrDVIM(cpu_state* s, unsigned int w) {
  return lib_zpi(s, w, ::VecS16ShrDVIM, right_amount_zpi(w, ESIZE_H));
}
kalt64_decode_rc VecS32ShrDVIM(cpu_state* s, unsigned int w) {
  return lib_zpi(s, w, ::VecS32ShrDVIM, right_amount_zpi(w, ESIZE_S));
}
kalt64_decode_rc VecS64ShrDVIM(cpu_state* s, unsigned int w) {
  return lib_zpi(s, w, ::VecS64ShrDVIM, right_amount_zpi(w, ESIZE_D));
}
kalt64_decode_rc VecU8ShrVIX(cpu_state* s, unsigned int w) {
  return lib_zzi(s, w, ::VecU8ShrVIX, right_amount_zzi(w, ESIZE_B));
}
kalt64_decode_rc VecU16ShrVIX(cpu_state* s, unsigned int w) {
  return lib_zzi(s, w, ::VecU16ShrVIX, right_amount_zzi(w, ESIZE_H));
}
kalt64_decode_rc VecU32ShrVIX(cpu_state* s, unsigned int w) {
  return lib_zzi(s, w, ::VecU32ShrVIX, right_amount_zzi(w, ESIZE_S));
}
kalt64_decode_rc VecU64ShrVIX(cpu_state* s, unsigned int w) {
  return lib_zzi(s, w, ::VecU64ShrVIX, right_amount_zzi(w, ESIZE_D));
}
kalt64_decode_rc VecU8ShlVWM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU8ShlVWM);
}
kalt64_decode_rc VecU16ShlVWM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU16ShlVWM);
}
kalt64_decode_rc VecU32ShlVWM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU32ShlVWM);
}
kalt64_decode_rc VecU8ShrVWM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU8ShrVWM);
}
kalt64_decode_rc VecU16ShrVWM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU16ShrVWM);
}
kalt64_decode_rc VecU32ShrVWM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU32ShrVWM);
}
kalt64_decode_rc VecS8ShrVWM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS8ShrVWM);
}
kalt64_decode_rc VecS16ShrVWM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS16ShrVWM);
}
kalt64_decode_rc VecS32ShrVWM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS32ShrVWM);
}
kalt64_decode_rc VecU8ShlVWX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU8ShlVWX);
}
kalt64_decode_rc VecU16ShlVWX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU16ShlVWX);
}
kalt64_decode_rc VecU32ShlVWX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU32ShlVWX);
}
kalt64_decode_rc VecU8ShrVWX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU8ShrVWX);
}
kalt64_decode_rc VecU16ShrVWX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU16ShrVWX);
}
kalt64_decode_rc VecU32ShrVWX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU32ShrVWX);
}
kalt64_decode_rc VecS8ShrVWX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecS8ShrVWX);
}
kalt64_decode_rc VecS16ShrVWX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecS16ShrVWX);
}
kalt64_decode_rc VecS32ShrVWX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecS32ShrVWX);
}
kalt64_decode_rc VecU8ShlRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU8ShlRVVM);
}
kalt64_decode_rc VecU16ShlRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU16ShlRVVM);
}
kalt64_decode_rc VecU32ShlRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU32ShlRVVM);
}
kalt64_decode_rc VecU64ShlRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU64ShlRVVM);
}
kalt64_decode_rc VecU8ShrRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU8ShrRVVM);
}
kalt64_decode_rc VecU16ShrRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU16ShrRVVM);
}
kalt64_decode_rc VecU32ShrRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU32ShrRVVM);
}
kalt64_decode_rc VecU64ShrRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecU64ShrRVVM);
}
kalt64_decode_rc VecS8ShrRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS8ShrRVVM);
}
kalt64_decode_rc VecS16ShrRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS16ShrRVVM);
}
kalt64_decode_rc VecS32ShrRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS32ShrRVVM);
}
kalt64_decode_rc VecS64ShrRVVM(cpu_state* s, unsigned int w) {
  return lib_zpz(s, w, ::VecS64ShrRVVM);
}

// Saturating addition and subtraction.
kalt64_decode_rc VecU8QAddVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU8QAddVVX);
}
kalt64_decode_rc VecU16QAddVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU16QAddVVX);
}
kalt64_decode_rc VecU32QAddVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU32QAddVVX);
}
kalt64_decode_rc VecU64QAddVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU64QAddVVX);
}
kalt64_decode_rc VecS8QAddVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecS8QAddVVX);
}
kalt64_decode_rc VecS16QAddVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecS16QAddVVX);
}
kalt64_decode_rc VecS32QAddVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecS32QAddVVX);
}
kalt64_decode_rc VecS64QAddVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecS64QAddVVX);
}
kalt64_decode_rc VecU8QAddVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU8QAddVIX, arith_imm(w, ESIZE_B));
}
kalt64_decode_rc VecU16QAddVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU16QAddVIX, arith_imm(w, ESIZE_H));
}
kalt64_decode_rc VecU32QAddVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU32QAddVIX, arith_imm(w, ESIZE_S));
}
kalt64_decode_rc VecU64QAddVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU64QAddVIX, arith_imm(w, ESIZE_D));
}
kalt64_decode_rc VecS8QAddVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS8QAddVIX, arith_imm(w, ESIZE_B));
}
kalt64_decode_rc VecS16QAddVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS16QAddVIX, arith_imm(w, ESIZE_H));
}
kalt64_decode_rc VecS32QAddVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS32QAddVIX, arith_imm(w, ESIZE_S));
}
kalt64_decode_rc VecS64QAddVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS64QAddVIX, arith_imm(w, ESIZE_D));
}
kalt64_decode_rc VecU8QSubVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU8QSubVVX);
}
kalt64_decode_rc VecU16QSubVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU16QSubVVX);
}
kalt64_decode_rc VecU32QSubVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU32QSubVVX);
}
kalt64_decode_rc VecU64QSubVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecU64QSubVVX);
}
kalt64_decode_rc VecS8QSubVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecS8QSubVVX);
}
kalt64_decode_rc VecS16QSubVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecS16QSubVVX);
}
kalt64_decode_rc VecS32QSubVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecS32QSubVVX);
}
kalt64_decode_rc VecS64QSubVVX(cpu_state* s, unsigned int w) {
  return lib_zzz(s, w, ::VecS64QSubVVX);
}
kalt64_decode_rc VecU8QSubVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU8QSubVIX, arith_imm(w, ESIZE_B));
}
kalt64_decode_rc VecU16QSubVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU16QSubVIX, arith_imm(w, ESIZE_H));
}
kalt64_decode_rc VecU32QSubVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU32QSubVIX, arith_imm(w, ESIZE_S));
}
kalt64_decode_rc VecU64QSubVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecU64QSubVIX, arith_imm(w, ESIZE_D));
}
kalt64_decode_rc VecS8QSubVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS8QSubVIX, arith_imm(w, ESIZE_B));
}
kalt64_decode_rc VecS16QSubVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS16QSubVIX, arith_imm(w, ESIZE_H));
}
kalt64_decode_rc VecS32QSubVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS32QSubVIX, arith_imm(w, ESIZE_S));
}
kalt64_decode_rc VecS64QSubVIX(cpu_state* s, unsigned int w) {
  return lib_zi(s, w, ::VecS64QSubVIX, arith_imm(w, ESIZE_D));
}

// Dot products.
kalt64_decode_rc VecU32DotVVVX(cpu_state* s, unsigned int w) {
  return lib_dot(s, w, ::VecU32DotVVVX);
}
kalt64_decode_rc VecU32DotVVVIX(cpu_state* s, unsigned int w) {
  return lib_dot_indexed(s, w, ESIZE_S, ::VecU32DotVVVIX);
}
kalt64_decode_rc VecS32DotVVVX(cpu_state* s, unsigned int w) {
  return lib_dot(s, w, ::VecS32DotVVVX);
}
kalt64_decode_rc VecS32DotVVVIX(cpu_state* s, unsigned int w) {
  return lib_dot_indexed(s, w, ESIZE_S, ::VecS32DotVVVIX);
}
kalt64_decode_rc VecU64DotVVVX(cpu_state* s, unsigned int w) {
  return lib_dot(s, w, ::VecU64DotVVVX);
}
kalt64_decode_rc VecU64DotVVVIX(cpu_state* s, unsigned int w) {
  return lib_dot_indexed(s, w, ESIZE_D, ::VecU64DotVVVIX);
}
kalt64_decode_rc VecS64DotVVVX(cpu_state* s, unsigned int w) {
  return lib_dot(s, w, ::VecS64DotVVVX);
}
kalt64_decode_rc VecS64DotVVVIX(cpu_state* s, unsigned int w) {
  return lib_dot_indexed(s, w, ESIZE_D, ::VecS64DotVVVIX);
}

}  // namespace handlers
}  // namespace qrx
