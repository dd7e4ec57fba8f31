// Instruction library and binders of the integer compares.
//
// The exported functions (declared in the generated library_compare.h, one
// per library row of qrx/decode/rows/compare.txt) carry their handler's name
// and take (Pg, Zn, Zm or the immediate, context); they return the result
// predicate and set N, Z, C, V by the predicate test of the result under Pg.
// Element counts come from the context's VL.
//
// values::* are the exported functions' bodies, bind::* the handlers'
// bodies: Pd 3..0 (P0..P15), Pg 12..10 (P0..P7, zeroing), Zn 9..5, Zm 20..16,
// a signed 5-bit immediate in 20..16 or an unsigned 7-bit one in 20..14.
#ifndef QRX_LIBRARY_COMPARE_LIB_H
#define QRX_LIBRARY_COMPARE_LIB_H

#include <cstdint>

#include "qrx/decode/library_compare.h"
#include "qrx/handlers/handler_support.h"
#include "qrx/library/compare_ops.h"
#include "qrx/library/lib_types.h"
#include "qrx/library/pred_support.h"

namespace qrx {
namespace values {

// Zn's bytes compared element by element with rhs(i), restricted to Pg,
// with the flags set from the result under Pg.
template <typename T, typename Op, typename Rhs>
PredV compare(const PredV& pg, const uint8_t* zn, Rhs rhs, CpuContext* ctx) {
  PredV result = compare_packed<Op::kCond, T>(ctx_elements(ctx, sizeof(T)), zn, rhs);
  governed_by(&result, pg);
  PredSetNZCV(pg, result, 8 * sizeof(T), ctx);
  return result;
}

template <typename T, typename Op>
PredV lib_cmp_vw(const PredV& pg, const VecValue& zn, const VecValue& zm, CpuContext* ctx) {
  return compare<T, Op>(pg, zn.b, CmpWideRhs<Op::kCond, T>{zm.b}, ctx);
}
template <typename T, typename Op>
PredV lib_cmp_vi_s5(const PredV& pg, const VecValue& zn, int32_t imm, CpuContext* ctx) {
  return compare<T, Op>(pg, zn.b, CmpImmRhs<Op::kCond, T>{imm}, ctx);
}
template <typename T, typename Op>
PredV lib_cmp_vi_u7(const PredV& pg, const VecValue& zn, uint32_t imm, CpuContext* ctx) {
  return compare<T, Op>(pg, zn.b, CmpImmRhs<Op::kCond, T>{imm}, ctx);
}

}  // namespace values

namespace bind {

// Routine path: Pd with the element size, Pg zeroing, Zn, then Zm or the
// immediate.
template <unsigned E, auto R, typename Second>
kalt64_decode_rc cmp_routine(cpu_state* s, unsigned w, Second second) {
  begin_routine(s, w);
  return R(s, p_operand(p_3_0(w), E), p_operand(p_12_10(w), kZeroing), z_operand(z_9_5(w), E),
           second);
}
template <unsigned E, auto R>
kalt64_decode_rc cmp_ppzz(cpu_state* s, unsigned w) {
  return cmp_routine<E, R>(s, w, z_operand(z_20_16(w), E));
}
template <unsigned E, auto R>
kalt64_decode_rc cmp_ppzi_s5(cpu_state* s, unsigned w) {
  return cmp_routine<E, R>(s, w, sfield(w, 20, 16));
}
template <unsigned E, auto R>
kalt64_decode_rc cmp_ppzi_u7(cpu_state* s, unsigned w) {
  return cmp_routine<E, R>(s, w, field(w, 20, 14));
}

// Library path: the routines' core on the register file (the exported
// functions' result and flags, without packing), then the library path's
// register-file effects.
template <typename T, typename Op, typename Rhs>
kalt64_decode_rc lib_cmp(cpu_state* s, unsigned w, Rhs rhs) {
  set_nzcv(s, compare_into<Op::kCond, T>(s->p[p_3_0(w)], s->p[p_12_10(w)], s->z[z_9_5(w)], rhs));
  library_path_effects(s);
  return KALT64_DECODE_OK;
}
template <typename T, typename Op>
kalt64_decode_rc lib_cmp_vw(cpu_state* s, unsigned w) {
  return lib_cmp<T, Op>(s, w, CmpWideRhs<Op::kCond, T>{s->z[z_20_16(w)]});
}
template <typename T, typename Op>
kalt64_decode_rc lib_cmp_vi_s5(cpu_state* s, unsigned w) {
  return lib_cmp<T, Op>(s, w, CmpImmRhs<Op::kCond, T>{sfield(w, 20, 16)});
}
template <typename T, typename Op>
kalt64_decode_rc lib_cmp_vi_u7(cpu_state* s, unsigned w) {
  return lib_cmp<T, Op>(s, w, CmpImmRhs<Op::kCond, T>{field(w, 20, 14)});
}

}  // namespace bind
}  // namespace qrx

#endif  // QRX_LIBRARY_COMPARE_LIB_H
