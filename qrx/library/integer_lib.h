// Instruction library: integer arithmetic, logic and shift forms.
//
// The exported functions (declared in the generated library_integer.h, one
// per library row of qrx/decode/rows/integer.txt) carry their handler's
// name and work on value operands: destructive forms take the
// destination-and-source vector first, then the governing predicate, then
// the second source or immediate, and the context last. Element counts come
// from the context's VL (never beyond the 2048-bit value types); bytes of
// the result beyond them are zero.
//
// values::lib_* are the exported functions' bodies and bind::lib_* the
// handlers' bodies for the same rows: both run the same element cores (the
// skeleton loops of skeletons.h with the operations of int_ops.h), the
// handlers directly on the register file.
#ifndef QRX_LIBRARY_INTEGER_LIB_H
#define QRX_LIBRARY_INTEGER_LIB_H

#include <cstdint>
#include <type_traits>

#include "qrx/decode/library_integer.h"
#include "qrx/handlers/handler_support.h"
#include "qrx/library/int_ops.h"
#include "qrx/library/lib_types.h"
#include "qrx/library/skeletons.h"

namespace qrx {

// The dot products' signedness: four products of Acc/4-bit elements per
// Acc element.
template <bool Unsigned>
struct DotOp {
  static constexpr bool kUnsigned = Unsigned;
};

// ----- The element cores ----------------------------------------------------
// Each writes the n elements of a result into out from byte operands and a
// predicate view; the exported functions run them on VecValue/PredV, the
// handlers on the register file itself.

// Dot product into T elements of four products each. With an index the Zm
// group is the index-th of the element's 128-bit segment.
constexpr uint32_t kNoIndex = ~uint32_t{0};
template <typename T, typename Op>
inline void dot_core(uint8_t* out, unsigned n, const uint8_t* zda, const uint8_t* zn,
                     const uint8_t* zm, uint32_t index) {
  using Narrow = std::conditional_t<sizeof(T) == 4, uint8_t, uint16_t>;
  using Wide = std::conditional_t<Op::kUnsigned, uint64_t, int64_t>;
  using Elem = std::conditional_t<Op::kUnsigned, Narrow, std::make_signed_t<Narrow>>;
  constexpr unsigned kPerSegment = 16 / sizeof(T);
  for (unsigned i = 0; i < n; ++i) {
    unsigned group = index == kNoIndex ? i : (i & ~(kPerSegment - 1)) + (index & (kPerSegment - 1));
    uint64_t sum = elem<T>(zda, i);
    // Products of two 8- or 16-bit values fit in 64 bits either way.
    for (unsigned k = 0; k < 4; ++k)
      sum += static_cast<uint64_t>(Wide{static_cast<Elem>(elem<Narrow>(zn, 4 * i + k))} *
                                   Wide{static_cast<Elem>(elem<Narrow>(zm, 4 * group + k))});
    set_elem<T>(out, i, static_cast<T>(sum));
  }
}

namespace values {

// Predicated: Zdn op rhs(i) where active, Zdn elsewhere.
template <typename T, typename Op, typename Rhs>
VecValue predicated(const VecValue& zdn, const PredV& pg, Rhs rhs, const CpuContext* ctx) {
  VecValue r{};
  merge_binary<T>(r.b, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zdn.b, rhs, Op{});
  return r;
}
// Unpredicated: Zn op rhs(i).
template <typename T, typename Op, typename Rhs>
VecValue unpredicated(const VecValue& zn, Rhs rhs, const CpuContext* ctx) {
  VecValue r{};
  merge_binary<T>(r.b, ctx_elements(ctx, sizeof(T)), AllActive{}, zn.b, rhs, Op{});
  return r;
}

template <typename T, typename Op>
VecValue lib_vvm(const VecValue& zdn, const PredV& pg, const VecValue& zm, const CpuContext* ctx) {
  return predicated<T, Op>(zdn, pg, VecRhs<T>{zm.b}, ctx);
}
// The second operand is the 64-bit lane of Zm over the element.
template <typename T, typename Op>
VecValue lib_vwm(const VecValue& zdn, const PredV& pg, const VecValue& zm, const CpuContext* ctx) {
  return predicated<T, Op>(zdn, pg, WideRhs<T>{zm.b}, ctx);
}
// op(Zn) where active, Zd elsewhere.
template <typename T, typename Op>
VecValue lib_vm(const VecValue& zd, const PredV& pg, const VecValue& zn, const CpuContext* ctx) {
  VecValue r{};
  merge_unary<T>(r.b, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zd.b, zn.b, Op{});
  return r;
}
template <typename T, typename Op>
VecValue lib_vvx(const VecValue& zn, const VecValue& zm, const CpuContext* ctx) {
  return unpredicated<T, Op>(zn, VecRhs<T>{zm.b}, ctx);
}
template <typename T, typename Op>
VecValue lib_vwx(const VecValue& zn, const VecValue& zm, const CpuContext* ctx) {
  return unpredicated<T, Op>(zn, WideRhs<T>{zm.b}, ctx);
}
// Immediates: unsigned as they are, signed sign-extended to 64 bits.
template <typename T, typename Op>
VecValue lib_vix_arith(const VecValue& zdn, uint32_t imm, const CpuContext* ctx) {
  return unpredicated<T, Op>(zdn, ImmRhs<uint64_t>{imm}, ctx);
}
template <typename T, typename Op>
VecValue lib_vix_u8(const VecValue& zdn, uint32_t imm, const CpuContext* ctx) {
  return unpredicated<T, Op>(zdn, ImmRhs<uint64_t>{imm}, ctx);
}
template <typename T, typename Op>
VecValue lib_vix_s8(const VecValue& zdn, int32_t imm, const CpuContext* ctx) {
  return unpredicated<T, Op>(zdn, ImmRhs<uint64_t>{static_cast<uint64_t>(int64_t{imm})}, ctx);
}
template <typename T, typename Op>
VecValue lib_vim_shr(const VecValue& zdn, const PredV& pg, uint32_t shift, const CpuContext* ctx) {
  return predicated<T, Op>(zdn, pg, ImmRhs<uint64_t>{shift}, ctx);
}
template <typename T, typename Op>
VecValue lib_vix_shr(const VecValue& zn, uint32_t shift, const CpuContext* ctx) {
  return unpredicated<T, Op>(zn, ImmRhs<uint64_t>{shift}, ctx);
}
template <typename T, typename Op>
VecValue lib_dot(const VecValue& zda, const VecValue& zn, const VecValue& zm,
                 const CpuContext* ctx) {
  VecValue r{};
  dot_core<T, Op>(r.b, ctx_elements(ctx, sizeof(T)), zda.b, zn.b, zm.b, kNoIndex);
  return r;
}
template <typename T, typename Op>
VecValue lib_dot_idx(const VecValue& zda, const VecValue& zn, const VecValue& zm, uint32_t index,
                     const CpuContext* ctx) {
  VecValue r{};
  dot_core<T, Op>(r.b, ctx_elements(ctx, sizeof(T)), zda.b, zn.b, zm.b, index);
  return r;
}

}  // namespace values

namespace bind {
// The handlers run the same cores on the register file's bytes: no context,
// no operand copies, no predicate packing; the result is built in a local
// buffer and copied once, then the library path's register-file effects.

template <typename T, typename Op, typename Active, typename Rhs>
kalt64_decode_rc lib_merge(cpu_state* s, unsigned zd, Active active, const uint8_t* a, Rhs rhs) {
  VecResult r;
  merge_binary<T>(r.b, elements_of(sizeof(T)), active, a, rhs, Op{});
  library_path_effects(s);
  return store_result(s, zd, r);
}
// Zdn 4..0, Pg 12..10, Zm 9..5.
template <typename T, typename Op>
kalt64_decode_rc lib_vvm(cpu_state* s, unsigned w) {
  return lib_merge<T, Op>(s, z_4_0(w), UnpackedLanes<T>{s->p[p_12_10(w)]}, s->z[z_4_0(w)],
                          VecRhs<T>{s->z[z_9_5(w)]});
}
template <typename T, typename Op>
kalt64_decode_rc lib_vwm(cpu_state* s, unsigned w) {
  return lib_merge<T, Op>(s, z_4_0(w), UnpackedLanes<T>{s->p[p_12_10(w)]}, s->z[z_4_0(w)],
                          WideRhs<T>{s->z[z_9_5(w)]});
}
// Zd 4..0, Pg 12..10, Zn 9..5.
template <typename T, typename Op>
kalt64_decode_rc lib_vm(cpu_state* s, unsigned w) {
  VecResult r;
  merge_unary<T>(r.b, elements_of(sizeof(T)), UnpackedLanes<T>{s->p[p_12_10(w)]}, s->z[z_4_0(w)],
                 s->z[z_9_5(w)], Op{});
  library_path_effects(s);
  return store_result(s, z_4_0(w), r);
}
// Zd 4..0, Zn 9..5, Zm 20..16.
template <typename T, typename Op>
kalt64_decode_rc lib_vvx(cpu_state* s, unsigned w) {
  return lib_merge<T, Op>(s, z_4_0(w), AllActive{}, s->z[z_9_5(w)], VecRhs<T>{s->z[z_20_16(w)]});
}
template <typename T, typename Op>
kalt64_decode_rc lib_vwx(cpu_state* s, unsigned w) {
  return lib_merge<T, Op>(s, z_4_0(w), AllActive{}, s->z[z_9_5(w)], WideRhs<T>{s->z[z_20_16(w)]});
}
// Zdn 4..0 with an immediate.
template <typename T, typename Op>
kalt64_decode_rc lib_vix_arith(cpu_state* s, unsigned w) {
  return lib_merge<T, Op>(s, z_4_0(w), AllActive{}, s->z[z_4_0(w)],
                          ImmRhs<uint64_t>{arith_imm(w, esize_of<T>())});
}
template <typename T, typename Op>
kalt64_decode_rc lib_vix_u8(cpu_state* s, unsigned w) {
  return lib_merge<T, Op>(s, z_4_0(w), AllActive{}, s->z[z_4_0(w)],
                          ImmRhs<uint64_t>{field(w, 12, 5)});
}
template <typename T, typename Op>
kalt64_decode_rc lib_vix_s8(cpu_state* s, unsigned w) {
  return lib_merge<T, Op>(s, z_4_0(w), AllActive{}, s->z[z_4_0(w)],
                          ImmRhs<uint64_t>{static_cast<uint64_t>(int64_t{sfield(w, 12, 5)})});
}
// Zd 4..0, Zn 9..5, right shift amount from tsz:imm3.
template <typename T, typename Op>
kalt64_decode_rc lib_vix_shr(cpu_state* s, unsigned w) {
  return lib_merge<T, Op>(s, z_4_0(w), AllActive{}, s->z[z_9_5(w)],
                          ImmRhs<uint64_t>{right_shift_amount(tsz_imm3_zzi(w), 8 * sizeof(T))});
}
// Zdn 4..0, Pg 12..10, right shift amount from tsz:imm3.
template <typename T, typename Op>
kalt64_decode_rc lib_vim_shr(cpu_state* s, unsigned w) {
  return lib_merge<T, Op>(s, z_4_0(w), UnpackedLanes<T>{s->p[p_12_10(w)]}, s->z[z_4_0(w)],
                          ImmRhs<uint64_t>{right_shift_amount(tsz_imm3_zpi(w), 8 * sizeof(T))});
}
// Zda 4..0, Zn 9..5, Zm 20..16; indexed: word accumulators take Zm from
// 18..16 and the index from 20..19, doubleword accumulators Zm from 19..16
// and the index from bit 20.
template <typename T, typename Op>
kalt64_decode_rc lib_dot_at(cpu_state* s, unsigned w, unsigned zm, uint32_t index) {
  VecResult r;
  dot_core<T, Op>(r.b, elements_of(sizeof(T)), s->z[z_4_0(w)], s->z[z_9_5(w)], s->z[zm], index);
  library_path_effects(s);
  return store_result(s, z_4_0(w), r);
}
template <typename T, typename Op>
kalt64_decode_rc lib_dot(cpu_state* s, unsigned w) {
  return lib_dot_at<T, Op>(s, w, z_20_16(w), kNoIndex);
}
template <typename T, typename Op>
kalt64_decode_rc lib_dot_idx(cpu_state* s, unsigned w) {
  constexpr bool kWords = sizeof(T) == 4;
  return lib_dot_at<T, Op>(s, w, kWords ? field(w, 18, 16) : field(w, 19, 16),
                           kWords ? field(w, 20, 19) : field(w, 20, 20));
}

}  // namespace bind
}  // namespace qrx

#endif  // QRX_LIBRARY_INTEGER_LIB_H
