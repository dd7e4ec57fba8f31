// Binders of the gather and scatter routines (qrx/decode/rows/gather.txt):
// Zt 4..0, Pg 12..10 as a zeroing predicate, and either the vector base Zn
// 9..5 with the unsigned imm5 20..16, or the base Rn 9..5 (31 is SP) with
// the offset vector Zm 20..16. The descriptors carry the register element
// size; the routine's own name fixes the memory size and the offset form.
#ifndef QRX_HANDLERS_GATHER_BINDERS_H
#define QRX_HANDLERS_GATHER_BINDERS_H

#include "qrx/handlers/handler_support.h"

namespace qrx {
namespace bind {

template <unsigned E, auto R>
kalt64_decode_rc gather_zpzi(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), p_operand(p_12_10(w), kZeroing), z_operand(z_9_5(w), E), field(w, 20, 16));
}
template <unsigned E, auto R>
kalt64_decode_rc gather_zprz(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), p_operand(p_12_10(w), kZeroing), rsp_operand(r_9_5(w)),
           z_operand(z_20_16(w), E));
}

}  // namespace bind
}  // namespace qrx

#endif  // QRX_HANDLERS_GATHER_BINDERS_H
