// Instruction library of the integer reductions and the element-counting
// forms: the library operations built from the element operations of
// reduce_ops.h, and the binders of the family's rows
// (qrx/decode/rows/reduce.txt).
#ifndef QRX_LIBRARY_REDUCE_LIB_H
#define QRX_LIBRARY_REDUCE_LIB_H

#include <cstdint>
#include <cstring>

#include "qrx/decode/library_reduce.h"
#include "qrx/handlers/handler_support.h"
#include "qrx/library/lib_types.h"
#include "qrx/library/reduce_ops.h"

namespace qrx {

// ----- Library operations -------------------------------------------------
// The exported functions (declared in the generated library_reduce.h, one
// per library row of qrx/decode/rows/reduce.txt) are these templates bound
// to a row's element type T (the size counted or reduced), step and
// register width W. Element counts come from the context's VL.
namespace values {

// SADDV: the sign-extended sum of the active elements. The predicate is
// unpacked first, which lets the reduction loop vectorise.
template <typename T>
inline uint64_t lib_saddv(const PredV& pg, const VecValue& zn, const CpuContext* ctx) {
  unsigned n = ctx_elements(ctx, sizeof(T));
  uint8_t active[kMaxVectorBytes];
  unpack_bits(pg, n * sizeof(T), active);
  return reduce<SAddV, T>(zn.b, n, ActiveBit<T>{active});
}
// CNTB..CNTD: the pattern's count times multiplier_m1 + 1.
template <typename T>
inline uint64_t lib_count(uint32_t pattern, uint32_t multiplier_m1, const CpuContext* ctx) {
  return scaled_count(pattern, multiplier_m1 + 1, ctx_elements(ctx, sizeof(T)));
}
// A register stepped by a pattern's count.
template <typename T, typename Step, typename W>
inline uint64_t lib_step_rvl(uint64_t xdn, uint32_t pattern, uint32_t multiplier_m1,
                             const CpuContext* ctx) {
  return step_register<W, Step>(xdn, lib_count<T>(pattern, multiplier_m1, ctx));
}
// A register stepped by the active elements of pm.
template <typename T, typename Step, typename W>
inline uint64_t lib_step_rp(const PredV& pm, uint64_t xdn, const CpuContext* ctx) {
  return step_register<W, Step>(xdn, active_count(pm, sizeof(T), ctx_elements(ctx, sizeof(T))));
}
// Every element of zdn stepped by a count; bytes beyond VL are zero.
template <typename T, typename Step>
inline VecValue step_vector(const VecValue& zdn, uint64_t count, const CpuContext* ctx) {
  VecValue r{};
  step_elements<T, Step>(r.b, zdn.b, ctx_elements(ctx, sizeof(T)), count);
  return r;
}
template <typename T, typename Step>
inline VecValue lib_step_zvl(const VecValue& zdn, uint32_t pattern, uint32_t multiplier_m1,
                             const CpuContext* ctx) {
  return step_vector<T, Step>(zdn, lib_count<T>(pattern, multiplier_m1, ctx), ctx);
}
template <typename T, typename Step>
inline VecValue lib_step_zp(const VecValue& zdn, const PredV& pm, const CpuContext* ctx) {
  return step_vector<T, Step>(zdn, active_count(pm, sizeof(T), ctx_elements(ctx, sizeof(T))), ctx);
}

}  // namespace values

// ----- Binders of the family's rows (qrx/decode/rows/reduce.txt) ----------
// Fields: Xd/Xdn/Zdn/Vd 4..0, Pm 8..5, Pg 12..10, the pattern 9..5, the
// multiplier minus one 19..16, the signed immediate 10..5, Xn|SP 20..16.
namespace bind {

constexpr unsigned pattern_9_5(uint32_t w) { return field(w, 9, 5); }
constexpr unsigned multiplier_m1_19_16(uint32_t w) { return field(w, 19, 16); }
constexpr int simm_10_5(uint32_t w) { return sfield(w, 10, 5); }

// ----- Routine path ---------------------------------------------------------

// Xdn (Wdn for Width W32), pattern, multiplier.
template <auto R, unsigned Width = kalt64_i_reg::W64>
kalt64_decode_rc count_rii(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, i_destructive(r_4_0(w), Width), pattern_9_5(w), multiplier_m1_19_16(w) + 1);
}
// Zdn with the element size, pattern, multiplier.
template <unsigned E, auto R>
kalt64_decode_rc count_zii(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, z_destructive(z_4_0(w), E), pattern_9_5(w), multiplier_m1_19_16(w) + 1);
}
// Xdn, Pm with the element size.
template <unsigned E, auto R>
kalt64_decode_rc incp_rp(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, i_destructive(r_4_0(w), kalt64_i_reg::W64), p_operand(p_8_5(w), E));
}
// Xd|SP, Xn|SP, signed immediate.
template <auto R>
kalt64_decode_rc addvl_rri(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, rsp_operand(r_4_0(w)), rsp_operand(r_20_16(w)), simm_10_5(w));
}
// Xd, signed immediate.
template <auto R>
kalt64_decode_rc rdvl_ri(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return R(s, i_operand(r_4_0(w), kalt64_i_reg::W64), simm_10_5(w));
}

// ----- Library path ---------------------------------------------------------

// The 64-bit sum as the low doubleword of Vd, the rest cleared.
template <typename T>
kalt64_decode_rc lib_saddv(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    uint64_t sum = values::lib_saddv<T>(read_pred(s, p_12_10(w)), read_vec(s, z_9_5(w)), ctx);
    std::memset(s->z[z_4_0(w)], 0, kVectorBytes);
    std::memcpy(s->z[z_4_0(w)], &sum, sizeof sum);
  });
}
// The pattern-count forms read only the vector length from the context and
// change none of it: no context is built or written back, and the register
// file gets the library path's effects on NZCV and FPCR directly (FFR's
// bytes are 0 or 1 already). With the length a constant, the pattern decode
// folds into a table.
template <typename Body>
inline kalt64_decode_rc counting_path(cpu_state* s, Body&& body) {
  CpuContext ctx{};
  ctx.VL = kContextVL;
  body(static_cast<const CpuContext*>(&ctx));
  library_path_flag_effects(s);
  return KALT64_DECODE_OK;
}
template <typename T>
kalt64_decode_rc lib_count(cpu_state* s, unsigned w) {
  return counting_path(s, [&](const CpuContext* ctx) {
    write_xzr(s, r_4_0(w), values::lib_count<T>(pattern_9_5(w), multiplier_m1_19_16(w), ctx));
  });
}
template <typename T, typename Step, typename W>
kalt64_decode_rc lib_step_rvl(cpu_state* s, unsigned w) {
  return counting_path(s, [&](const CpuContext* ctx) {
    write_xzr(s, r_4_0(w),
              values::lib_step_rvl<T, Step, W>(read_xzr(s, r_4_0(w)), pattern_9_5(w),
                                               multiplier_m1_19_16(w), ctx));
  });
}
// The active elements of Pm counted on the register file.
template <typename T, typename Step, typename W>
kalt64_decode_rc lib_step_rp(cpu_state* s, unsigned w) {
  const uint8_t* pm = s->p[p_8_5(w)];
  uint64_t count = count_common(pm, pm, chunk_elements(sizeof(T)));
  write_xzr(s, r_4_0(w), step_register<W, Step>(read_xzr(s, r_4_0(w)), count));
  library_path_flag_effects(s);
  return KALT64_DECODE_OK;
}
template <typename T, typename Step>
kalt64_decode_rc lib_step_zvl(cpu_state* s, unsigned w) {
  return counting_path(s, [&](const CpuContext* ctx) {
    write_vec(s, z_4_0(w),
              values::lib_step_zvl<T, Step>(read_vec(s, z_4_0(w)), pattern_9_5(w),
                                            multiplier_m1_19_16(w), ctx));
  });
}
template <typename T, typename Step>
kalt64_decode_rc lib_step_zp(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, z_4_0(w),
              values::lib_step_zp<T, Step>(read_vec(s, z_4_0(w)), read_pred(s, p_8_5(w)), ctx));
  });
}

}  // namespace bind
}  // namespace qrx

#endif  // QRX_LIBRARY_REDUCE_LIB_H
