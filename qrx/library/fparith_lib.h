// Instruction library: the floating-point arithmetic family (arithmetic,
// minimum and maximum, multiply-add, complex arithmetic, compares).
//
// The element cores below run an element operation of fparith_ops.h under an
// environment (FPEnv on the library path, HostFpScope on the host path) over
// an active view and operand readers; inactive elements never reach the
// operation. values::lib_f* are the exported functions (declared in the
// generated library_fparith.h, value operands, the context last) and
// bind::lib_f* the library-path handlers: both run the same cores, the
// handlers directly on the register file's bytes, reading the control word
// once per instruction and setting the raised flags in fpsr once.
#ifndef QRX_LIBRARY_FPARITH_LIB_H
#define QRX_LIBRARY_FPARITH_LIB_H

#include <cstdint>

#include "qrx/decode/library_fparith.h"
#include "qrx/handlers/handler_support.h"
#include "qrx/library/fp_env.h"
#include "qrx/library/fparith_ops.h"
#include "qrx/library/lib_types.h"
#include "qrx/library/skeletons.h"

namespace qrx {

// ----- Operand readers ------------------------------------------------------

// Element (segment of i) + index of zm: the indexed forms select within each
// 128-bit segment.
template <typename T>
struct IndexedRhs {
  const uint8_t* v;
  unsigned index;
  T operator()(unsigned i) const {
    constexpr unsigned kPerSegment = 16 / sizeof(T);
    return elem<T>(v, (i & ~(kPerSegment - 1)) + index);
  }
};

// ----- Element cores ----------------------------------------------------------

// out[i] = active(i) ? op(a[i], rhs(i)) : a[i].
template <typename T, typename Op, typename Active, typename Rhs, typename Env>
inline void fp_binary(uint8_t* out, unsigned n, Active active, const uint8_t* a, Rhs rhs, Env& env) {
  merge_binary<T>(out, n, active, a, rhs, [&](T x, T y) { return Op{}(x, y, env); });
}

// ----- Library-path environment ---------------------------------------------

// Runs body(FPEnv&) under the register file's control word (fpcr with
// fpcr_extra folded in, as the context has it), sets the raised flags in fpsr
// and applies the library path's other register-file effects.
template <typename Body>
inline void fp_library_path(cpu_state* s, Body&& body) {
  FPEnv env = fp_env_from_control(s->fpcr | s->fpcr_extra);
  body(env);
  s->fpsr = fp_status_with_flags(s->fpsr, env.flags);
  library_path_effects(s);
}

namespace values {

template <typename T, typename Op>
VecValue lib_fvvm(const VecValue& zdn, const PredV& pg, const VecValue& zm, CpuContext* ctx) {
  VecValue r{};
  with_fp_env(ctx, [&](FPEnv& env) {
    fp_binary<T, Op>(r.b, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zdn.b, VecRhs<T>{zm.b},
                     env);
  });
  return r;
}
template <typename T, typename Op>
VecValue lib_fvvx(const VecValue& zn, const VecValue& zm, CpuContext* ctx) {
  VecValue r{};
  with_fp_env(ctx, [&](FPEnv& env) {
    fp_binary<T, Op>(r.b, ctx_elements(ctx, sizeof(T)), AllActive{}, zn.b, VecRhs<T>{zm.b}, env);
  });
  return r;
}
template <typename T, typename Op, typename Pair>
VecValue lib_fvim(const VecValue& zdn, const PredV& pg, uint32_t imm, CpuContext* ctx) {
  VecValue r{};
  with_fp_env(ctx, [&](FPEnv& env) {
    fp_binary<T, Op>(r.b, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zdn.b,
                     ImmRhs<T>{fp_imm_constant<T, Pair>(imm, env)}, env);
  });
  return r;
}

}  // namespace values

namespace bind {

// Zdn 4..0, Pg 12..10, Zm 9..5.
template <typename T, typename Op>
kalt64_decode_rc lib_fvvm(cpu_state* s, unsigned w) {
  VecResult r;
  fp_library_path(s, [&](FPEnv& env) {
    fp_binary<T, Op>(r.b, elements_of(sizeof(T)), UnpackedActive<T>{s->p[p_12_10(w)]},
                     s->z[z_4_0(w)], VecRhs<T>{s->z[z_9_5(w)]}, env);
  });
  return store_result(s, z_4_0(w), r);
}
// Zd 4..0, Zn 9..5, Zm 20..16.
template <typename T, typename Op>
kalt64_decode_rc lib_fvvx(cpu_state* s, unsigned w) {
  VecResult r;
  fp_library_path(s, [&](FPEnv& env) {
    fp_binary<T, Op>(r.b, elements_of(sizeof(T)), AllActive{}, s->z[z_9_5(w)],
                     VecRhs<T>{s->z[z_20_16(w)]}, env);
  });
  return store_result(s, z_4_0(w), r);
}
// Zdn 4..0, Pg 12..10, the constant chosen by bit 5.
template <typename T, typename Op, typename Pair>
kalt64_decode_rc lib_fvim(cpu_state* s, unsigned w) {
  VecResult r;
  fp_library_path(s, [&](FPEnv& env) {
    fp_binary<T, Op>(r.b, elements_of(sizeof(T)), UnpackedActive<T>{s->p[p_12_10(w)]},
                     s->z[z_4_0(w)], ImmRhs<T>{fp_imm_constant<T, Pair>(field(w, 5, 5), env)}, env);
  });
  return store_result(s, z_4_0(w), r);
}

}  // namespace bind
}  // namespace qrx

#endif  // QRX_LIBRARY_FPARITH_LIB_H
