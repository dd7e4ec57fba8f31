// Binders of the predicate library's rows that run on the register file
// (qrx/decode/rows/predicate.txt): a routine computes the library
// function's result and flags in place, then the register file takes the
// library path's effects. No context is built and no predicate is packed;
// the exported library functions stay as they are for other callers.
#ifndef QRX_HANDLERS_PREDICATE_BINDERS_H
#define QRX_HANDLERS_PREDICATE_BINDERS_H

#include "qrx/handlers/handler_support.h"

namespace qrx {
namespace bind {

// The routine binder `Bind`'s work, then the library path's effects.
template <kalt64_decode_rc (*Bind)(cpu_state*, unsigned)>
kalt64_decode_rc with_library_effects(cpu_state* s, unsigned w) {
  kalt64_decode_rc rc = Bind(s, w);
  library_path_effects(s);
  return rc;
}

template <unsigned E, auto R>
kalt64_decode_rc lib_while_w(cpu_state* s, unsigned w) {
  return with_library_effects<while_w<E, R>>(s, w);
}
template <unsigned E, auto R>
kalt64_decode_rc lib_while_x(cpu_state* s, unsigned w) {
  return with_library_effects<while_x<E, R>>(s, w);
}
template <unsigned E, auto R>
kalt64_decode_rc lib_ptrue(cpu_state* s, unsigned w) {
  return with_library_effects<ptrue<E, R>>(s, w);
}
template <auto R>
kalt64_decode_rc lib_brk_z(cpu_state* s, unsigned w) {
  return with_library_effects<brk<R, kZeroing>>(s, w);
}
template <auto R>
kalt64_decode_rc lib_pppp_rf(cpu_state* s, unsigned w) {
  return with_library_effects<pppp<R>>(s, w);
}
// PFIRST: Pdn 3..0, Pg 8..5.
template <auto R>
kalt64_decode_rc lib_pfirst_rf(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  kalt64_decode_rc rc =
      R(s, p_destructive(p_3_0(w), ESIZE_B), p_operand(p_8_5(w), kalt64_p_reg::GOVERNING));
  library_path_effects(s);
  return rc;
}
template <auto R>
kalt64_decode_rc lib_rdffrs_rf(cpu_state* s, unsigned w) {
  return with_library_effects<pd_pn_z<R>>(s, w);
}

}  // namespace bind
}  // namespace qrx

#endif  // QRX_HANDLERS_PREDICATE_BINDERS_H
