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
// values::lib_* are the exported functions' bodies; bind::lib_* are the
// handlers' bodies for the same rows.
#ifndef QRX_LIBRARY_INTEGER_LIB_H
#define QRX_LIBRARY_INTEGER_LIB_H

#include <cstdint>
#include <type_traits>

#include "qrx/decode/library_integer.h"
#include "qrx/handlers/handler_support.h"
#include "qrx/library/int_ops.h"
#include "qrx/library/lib_types.h"

namespace qrx {

// The dot products' signedness: four products of Acc/4-bit elements per
// Acc element.
template <bool Unsigned>
struct DotOp {
  static constexpr bool kUnsigned = Unsigned;
};

namespace values {

// Element i of a packed predicate.
template <typename T>
struct PackedActive {
  const PredV& pg;
  bool operator()(unsigned i) const { return pg.active(i, sizeof(T)); }
};

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

// Dot product into T elements of four products each. With an index the Zm
// group is the index-th of the element's 128-bit segment.
constexpr uint32_t kNoIndex = ~uint32_t{0};
template <typename T, typename Op>
VecValue dot(const VecValue& zda, const VecValue& zn, const VecValue& zm, uint32_t index,
             const CpuContext* ctx) {
  using Narrow = std::conditional_t<sizeof(T) == 4, uint8_t, uint16_t>;
  constexpr unsigned kPerSegment = 16 / sizeof(T);
  VecValue r{};
  unsigned n = ctx_elements(ctx, sizeof(T));
  for (unsigned i = 0; i < n; ++i) {
    unsigned group = index == kNoIndex ? i : (i & ~(kPerSegment - 1)) + (index & (kPerSegment - 1));
    uint64_t sum = zda.get<T>(i);
    for (unsigned k = 0; k < 4; ++k)
      sum += bits(MulInt(wide<Op::kUnsigned>(zn.get<Narrow>(4 * i + k)),
                         wide<Op::kUnsigned>(zm.get<Narrow>(4 * group + k))));
    r.set<T>(i, static_cast<T>(sum));
  }
  return r;
}
template <typename T, typename Op>
VecValue lib_dot(const VecValue& zda, const VecValue& zn, const VecValue& zm, const CpuContext* ctx) {
  return dot<T, Op>(zda, zn, zm, kNoIndex, ctx);
}
template <typename T, typename Op>
VecValue lib_dot_idx(const VecValue& zda, const VecValue& zn, const VecValue& zm, uint32_t index,
                     const CpuContext* ctx) {
  return dot<T, Op>(zda, zn, zm, index, ctx);
}

}  // namespace values

namespace bind {

// Zdn (or Zd) 4..0, Pg 12..10, Zm (or Zn) 9..5.
template <auto Core>
kalt64_decode_rc lib_zpz(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, z_4_0(w), Core(read_vec(s, z_4_0(w)), read_pred(s, p_12_10(w)), read_vec(s, z_9_5(w)), ctx));
  });
}
template <typename T, typename Op>
kalt64_decode_rc lib_vvm(cpu_state* s, unsigned w) { return lib_zpz<values::lib_vvm<T, Op>>(s, w); }
template <typename T, typename Op>
kalt64_decode_rc lib_vwm(cpu_state* s, unsigned w) { return lib_zpz<values::lib_vwm<T, Op>>(s, w); }
template <typename T, typename Op>
kalt64_decode_rc lib_vm(cpu_state* s, unsigned w) { return lib_zpz<values::lib_vm<T, Op>>(s, w); }
// Zd 4..0, Zn 9..5, Zm 20..16.
template <auto Core>
kalt64_decode_rc lib_zzz(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, z_4_0(w), Core(read_vec(s, z_9_5(w)), read_vec(s, z_20_16(w)), ctx));
  });
}
template <typename T, typename Op>
kalt64_decode_rc lib_vvx(cpu_state* s, unsigned w) { return lib_zzz<values::lib_vvx<T, Op>>(s, w); }
template <typename T, typename Op>
kalt64_decode_rc lib_vwx(cpu_state* s, unsigned w) { return lib_zzz<values::lib_vwx<T, Op>>(s, w); }
// Zdn 4..0 (or Zn 9..5 for the unpredicated shifts) with an immediate.
template <auto Core, typename Imm>
kalt64_decode_rc lib_zi(cpu_state* s, unsigned zn, unsigned zd, Imm imm) {
  return library_path(s, [&](CpuContext* ctx) { write_vec(s, zd, Core(read_vec(s, zn), imm, ctx)); });
}
template <typename T, typename Op>
kalt64_decode_rc lib_vix_arith(cpu_state* s, unsigned w) {
  return lib_zi<values::lib_vix_arith<T, Op>>(s, z_4_0(w), z_4_0(w), uint32_t{arith_imm(w, esize_of<T>())});
}
template <typename T, typename Op>
kalt64_decode_rc lib_vix_u8(cpu_state* s, unsigned w) {
  return lib_zi<values::lib_vix_u8<T, Op>>(s, z_4_0(w), z_4_0(w), uint32_t{field(w, 12, 5)});
}
template <typename T, typename Op>
kalt64_decode_rc lib_vix_s8(cpu_state* s, unsigned w) {
  return lib_zi<values::lib_vix_s8<T, Op>>(s, z_4_0(w), z_4_0(w), int32_t{sfield(w, 12, 5)});
}
template <typename T, typename Op>
kalt64_decode_rc lib_vix_shr(cpu_state* s, unsigned w) {
  return lib_zi<values::lib_vix_shr<T, Op>>(
      s, z_9_5(w), z_4_0(w), uint32_t{right_shift_amount(tsz_imm3_zzi(w), 8 * sizeof(T))});
}
// Zdn 4..0, Pg 12..10, shift amount.
template <typename T, typename Op>
kalt64_decode_rc lib_vim_shr(cpu_state* s, unsigned w) {
  uint32_t shift = right_shift_amount(tsz_imm3_zpi(w), 8 * sizeof(T));
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, z_4_0(w), values::lib_vim_shr<T, Op>(read_vec(s, z_4_0(w)), read_pred(s, p_12_10(w)), shift, ctx));
  });
}
// Zda 4..0, Zn 9..5, Zm 20..16.
template <typename T, typename Op>
kalt64_decode_rc lib_dot(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, z_4_0(w), values::lib_dot<T, Op>(read_vec(s, z_4_0(w)), read_vec(s, z_9_5(w)), read_vec(s, z_20_16(w)), ctx));
  });
}
// Indexed: word accumulators take Zm from 18..16 and the index from 20..19,
// doubleword accumulators Zm from 19..16 and the index from bit 20.
template <typename T, typename Op>
kalt64_decode_rc lib_dot_idx(cpu_state* s, unsigned w) {
  constexpr bool kWords = sizeof(T) == 4;
  unsigned zm = kWords ? field(w, 18, 16) : field(w, 19, 16);
  uint32_t index = kWords ? field(w, 20, 19) : field(w, 20, 20);
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, z_4_0(w), values::lib_dot_idx<T, Op>(read_vec(s, z_4_0(w)), read_vec(s, z_9_5(w)), read_vec(s, zm), index, ctx));
  });
}

}  // namespace bind
}  // namespace qrx

#endif  // QRX_LIBRARY_INTEGER_LIB_H
