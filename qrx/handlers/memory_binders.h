// Binders of the contiguous memory routines (qrx/decode/rows/memory.txt):
// Zt 4..0 (Pt 3..0), Pg 12..10 as a zeroing predicate, the base Rn 9..5
// (31 is SP), and the offset field of the form. The descriptors carry the
// register element size; the routine's own name fixes the memory size.
#ifndef QRX_HANDLERS_MEMORY_BINDERS_H
#define QRX_HANDLERS_MEMORY_BINDERS_H

#include "qrx/handlers/handler_support.h"

namespace qrx {
namespace bind {

// The signed 9-bit register offset of LDR/STR: 21..16 high, 12..10 low.
constexpr int imm9_fill(uint32_t w) { return sfield((field(w, 21, 16) << 3) | field(w, 12, 10), 8, 0); }

template <unsigned E, auto R>
kalt64_decode_rc mem_zpri(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), p_operand(p_12_10(w), kZeroing), rsp_operand(r_9_5(w)), sfield(w, 19, 16));
}
template <unsigned E, auto R>
kalt64_decode_rc mem_zprr(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), p_operand(p_12_10(w), kZeroing), rsp_operand(r_9_5(w)),
           i_operand(r_20_16(w), kalt64_i_reg::W64));
}
template <unsigned E, auto R>
kalt64_decode_rc mem_zpri_imm6(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), p_operand(p_12_10(w), kZeroing), rsp_operand(r_9_5(w)), field(w, 21, 16));
}
template <auto R>
kalt64_decode_rc mem_fill_z(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_transfer(z_4_0(w)), rsp_operand(r_9_5(w)), imm9_fill(w));
}
template <auto R>
kalt64_decode_rc mem_fill_p(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, p_transfer(p_3_0(w)), rsp_operand(r_9_5(w)), imm9_fill(w));
}

}  // namespace bind
}  // namespace qrx

#endif  // QRX_HANDLERS_MEMORY_BINDERS_H
