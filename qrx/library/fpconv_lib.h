// Instruction library of the floating-point conversions, round to integral,
// square root, estimates and steps, trigonometric helpers, reductions and
// immediate broadcasts (qrx/decode/rows/fpconv.txt).
//
// The element cores run an operation of fpconv_ops.h (or, for the
// reductions, of fparith_ops.h) under an environment: FPEnv on the library
// path, HostFpScope on the host path (fpconv_routines.cpp). Only active
// elements reach an operation, so inactive ones raise nothing. values::lib_f*
// are the exported functions (declared in the generated library_fpconv.h)
// and bind::lib_f* the library-path handlers, which run the same cores on the
// register file's bytes under fp_library_path (fparith_lib.h). The binary
// element-wise forms use lib_fvvx of fparith_lib.h.
#ifndef QRX_LIBRARY_FPCONV_LIB_H
#define QRX_LIBRARY_FPCONV_LIB_H

#include <cstdint>
#include <cstring>

#include "qrx/decode/library_fpconv.h"
#include "qrx/handlers/handler_support.h"
#include "qrx/library/fp_env.h"
#include "qrx/library/fp_fast.h"
#include "qrx/library/fparith_lib.h"
#include "qrx/library/fparith_ops.h"
#include "qrx/library/fpconv_ops.h"
#include "qrx/library/lib_types.h"
#include "qrx/library/skeletons.h"
#include "qrx/routines/fpconv_routines.h"

namespace qrx {

// ----- Element cores ----------------------------------------------------------

// out[i] = active(i) ? op(src[i]) : keep[i].
template <typename T, typename Op, typename Active, typename Env>
inline void fp_unary(uint8_t* out, unsigned n, Active active, const uint8_t* keep,
                     const uint8_t* src, Env& env) {
  if (FPEnv* fast = fp_fast_env(env)) {
    if (fp_fast_unary<T, Op>(out, n, active, keep, src, *fast)) return;
  }
  merge_unary<T>(out, n, active, keep, src, [&](T x) { return Op{}(x, env); });
}

// The pairwise tree over the n elements padded to a power of two: lane i is
// element i when i < n and active, the identity otherwise; then lane j =
// op(lane 2j, lane 2j + 1) until one lane is left. Lanes at or beyond `live`
// hold the identity and a pair of identities combines to the identity with
// no flag (+0 + +0 is +0 in every rounding mode), so those pairs are not
// computed; a pair with one live lane is.
template <typename T, typename Op, FIdentity Identity, typename Active, typename Env>
T reduce_tree(const uint8_t* zn, unsigned n, Active active, Env& env) {
  constexpr T kId = fp_identity<T>(Identity);
  T lane[kMaxVectorBytes / sizeof(T)];
  for (unsigned i = 0; i < n; ++i) lane[i] = active(i) ? elem<T>(zn, i) : kId;
  if (FPEnv* fast = fp_fast_env(env)) {
    T sum;
    if (fp_fast_pairwise<T, Op>(lane, n, kId, *fast, &sum)) return sum;
  }
  unsigned live = n;
  for (unsigned p = 1; p < n; p <<= 1) {
    const unsigned pairs = (live + 1) / 2;
    for (unsigned j = 0; j < pairs; ++j)
      lane[j] = Op{}(lane[2 * j], 2 * j + 1 < live ? lane[2 * j + 1] : kId, env);
    live = pairs;
  }
  return live ? lane[0] : kId;
}

// FADDA: from the accumulator, each active element added in order.
template <typename T, typename Active>
T reduce_sequential(T acc, const uint8_t* zm, unsigned n, Active active, FPEnv& env) {
  for (unsigned i = 0; i < n; ++i)
    if (active(i)) acc = FPAdd(acc, elem<T>(zm, i), env);
  return acc;
}

// A scalar result in the low element of a SIMD&FP register, the rest of the
// register cleared.
template <typename T>
inline void write_low_element(cpu_state* s, unsigned vd, T x) {
  std::memset(s->z[vd], 0, kVectorBytes);
  std::memcpy(s->z[vd], &x, sizeof x);
}

// FTMAD in every element: Zdn = coefficient + Zdn x |Zm|.
template <typename T>
inline void trig_madd(uint8_t* out, unsigned n, const uint8_t* zdn, const uint8_t* zm,
                      unsigned imm3, FPEnv& env) {
  const FTrigMAddOp op{imm3 & 7};
  merge_binary<T>(out, n, AllActive{}, zdn, VecRhs<T>{zm}, [&](T a, T b) { return op(a, b, env); });
}

// FCPY: the expanded immediate where active, Zd elsewhere.
template <typename T, typename Active>
inline void copy_imm(uint8_t* out, unsigned n, Active active, const uint8_t* zd, uint32_t imm8) {
  const T imm = fp_dup_value<T>(fp_dup_imm(imm8));
  merge_unary<T>(out, n, active, zd, zd, [imm](T) { return imm; });
}

// FTMAD's coefficient index, bits 18..16; FDUP/FCPY's abcdefgh, bits 12..5.
constexpr unsigned imm3_18_16(uint32_t w) { return field(w, 18, 16); }
constexpr unsigned imm8_12_5(uint32_t w) { return field(w, 12, 5); }

namespace values {

template <typename T, typename Op>
VecValue lib_fvm(const VecValue& zd, const PredV& pg, const VecValue& zn, CpuContext* ctx) {
  VecValue r{};
  with_fp_env(ctx, [&](FPEnv& env) {
    fp_unary<T, Op>(r.b, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zd.b, zn.b, env);
  });
  return r;
}
template <typename T, typename Op>
VecValue lib_fvx(const VecValue& zn, CpuContext* ctx) {
  VecValue r{};
  with_fp_env(ctx, [&](FPEnv& env) {
    fp_unary<T, Op>(r.b, ctx_elements(ctx, sizeof(T)), AllActive{}, zn.b, zn.b, env);
  });
  return r;
}
template <typename T, typename Op, FIdentity Identity>
uint64_t lib_freduce(const PredV& pg, const VecValue& zn, CpuContext* ctx) {
  return with_fp_env(ctx, [&](FPEnv& env) {
    return uint64_t{reduce_tree<T, Op, Identity>(zn.b, ctx_elements(ctx, sizeof(T)),
                                                 PackedActive<T>{pg}, env)};
  });
}
template <typename T>
uint64_t lib_fadda(uint64_t vdn, const PredV& pg, const VecValue& zm, CpuContext* ctx) {
  return with_fp_env(ctx, [&](FPEnv& env) {
    return uint64_t{reduce_sequential<T>(T(vdn), zm.b, ctx_elements(ctx, sizeof(T)),
                                         PackedActive<T>{pg}, env)};
  });
}
template <typename T>
VecValue lib_ftmad(const VecValue& zdn, const VecValue& zm, uint32_t imm3, CpuContext* ctx) {
  VecValue r{};
  with_fp_env(ctx, [&](FPEnv& env) {
    trig_madd<T>(r.b, ctx_elements(ctx, sizeof(T)), zdn.b, zm.b, imm3, env);
  });
  return r;
}
template <typename T>
VecValue lib_fcpy(const VecValue& zd, const PredV& pg, uint32_t imm8, CpuContext* ctx) {
  VecValue r{};
  copy_imm<T>(r.b, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zd.b, imm8);
  return r;
}

}  // namespace values

namespace bind {

// Zd 4..0, Pg 12..10 (merging), Zn 9..5.
template <typename T, typename Op>
kalt64_decode_rc lib_fvm(cpu_state* s, unsigned w) {
  VecResult r;
  fp_library_path(s, [&](FPEnv& env) {
    fp_unary<T, Op>(r.b, elements_of(sizeof(T)), UnpackedActive<T>{s->p[p_12_10(w)]},
                    s->z[z_4_0(w)], s->z[z_9_5(w)], env);
  });
  return store_result(s, z_4_0(w), r);
}
// Zd 4..0, Zn 9..5.
template <typename T, typename Op>
kalt64_decode_rc lib_fvx(cpu_state* s, unsigned w) {
  VecResult r;
  fp_library_path(s, [&](FPEnv& env) {
    fp_unary<T, Op>(r.b, elements_of(sizeof(T)), AllActive{}, s->z[z_9_5(w)], s->z[z_9_5(w)], env);
  });
  return store_result(s, z_4_0(w), r);
}
// Vd 4..0, Pg 12..10, Zn 9..5.
template <typename T, typename Op, FIdentity Identity>
kalt64_decode_rc lib_freduce(cpu_state* s, unsigned w) {
  T r{};
  fp_library_path(s, [&](FPEnv& env) {
    r = reduce_tree<T, Op, Identity>(s->z[z_9_5(w)], elements_of(sizeof(T)),
                                     UnpackedActive<T>{s->p[p_12_10(w)]}, env);
  });
  write_low_element(s, z_4_0(w), r);
  return kOk;
}
// Vdn 4..0, Pg 12..10, Zm 9..5.
template <typename T>
kalt64_decode_rc lib_fadda(cpu_state* s, unsigned w) {
  T r{};
  fp_library_path(s, [&](FPEnv& env) {
    r = reduce_sequential<T>(elem<T>(s->z[z_4_0(w)], 0), s->z[z_9_5(w)], elements_of(sizeof(T)),
                             UnpackedActive<T>{s->p[p_12_10(w)]}, env);
  });
  write_low_element(s, z_4_0(w), r);
  return kOk;
}
// Zdn 4..0, Zm 9..5, imm3 18..16.
template <typename T>
kalt64_decode_rc lib_ftmad(cpu_state* s, unsigned w) {
  VecResult r;
  fp_library_path(s, [&](FPEnv& env) {
    trig_madd<T>(r.b, elements_of(sizeof(T)), s->z[z_4_0(w)], s->z[z_9_5(w)], imm3_18_16(w), env);
  });
  return store_result(s, z_4_0(w), r);
}
// Zd 4..0, Pg 19..16 (merging), imm8 12..5; no floating-point status.
template <typename T>
kalt64_decode_rc lib_fcpy(cpu_state* s, unsigned w) {
  VecResult r;
  copy_imm<T>(r.b, elements_of(sizeof(T)), UnpackedActive<T>{s->p[p_19_16(w)]}, s->z[z_4_0(w)],
              imm8_12_5(w));
  library_path_effects(s);
  return store_result(s, z_4_0(w), r);
}
// FDUP (routine path): Zd 4..0, imm8 12..5.
template <unsigned E, auto R>
kalt64_decode_rc fdup_zi(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_operand(z_4_0(w), E), fp_dup_imm(imm8_12_5(w)));
}

}  // namespace bind
}  // namespace qrx

#endif  // QRX_LIBRARY_FPCONV_LIB_H
