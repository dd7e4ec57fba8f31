// Semantic routines of the integer arithmetic, logic and shift instructions.
// Each routine names its element operation and the operand that carries the
// element size; the skeletons below do the size dispatch, the governing
// predicate and the single copy of the result into the register file.
#include "qrx/routines/integer_routines.h"

#include <cstring>

#include "qrx/library/int_ops.h"

using namespace qrx;

namespace {

// Copies a computed result into Zd, or reports a bad descriptor code.
kalt64_decode_rc finish(cpu_state* s, unsigned zd, const uint8_t* out, bool ok) {
  if (!ok) return kNotExecuted;
  std::memcpy(s->z[zd], out, kVectorBytes);
  return kOk;
}

bool governing(const kalt64_p_reg& pg) { return p_kind(pg) != kBadCode; }

// Zdn = active ? Zdn op rhs : Zdn, where make_rhs<T>(s) builds the second
// operand reader for element type T.
template <typename Op, typename MakeRhs>
kalt64_decode_rc merge_binary_routine(cpu_state* s, unsigned esize, kalt64_z_reg zdn,
                                      kalt64_p_reg pg, MakeRhs make_rhs, Op op) {
  if (!governing(pg)) return kNotExecuted;
  uint8_t out[kVectorBytes];
  bool ok = for_esize(esize, [&](auto tag) {
    using T = decltype(tag);
    merge_binary<T>(out, elements_of(sizeof(T)), UnpackedLanes<T>{s->p[pg.num]}, s->z[zdn.num],
                    make_rhs(tag), op);
  });
  return finish(s, zdn.num, out, ok);
}

// Zd = Zn op rhs for every element.
template <typename Op, typename MakeRhs>
kalt64_decode_rc map_binary_routine(cpu_state* s, unsigned esize, unsigned zd, unsigned zn,
                                    MakeRhs make_rhs, Op op) {
  uint8_t out[kVectorBytes];
  bool ok = for_esize(esize, [&](auto tag) {
    using T = decltype(tag);
    merge_binary<T>(out, elements_of(sizeof(T)), AllActive{}, s->z[zn], make_rhs(tag), op);
  });
  return finish(s, zd, out, ok);
}

// Second-operand readers by element type.
auto vec_rhs(const cpu_state* s, unsigned zm) {
  return [p = s->z[zm]](auto tag) { return VecRhs<decltype(tag)>{p}; };
}
// A shift amount, kept at full width.
auto amount_rhs(unsigned int amount) {
  return [amount](auto) { return ImmRhs<uint64_t>{amount}; };
}
// An operand immediate, cut to the element type.
auto imm_rhs(uint64_t imm) {
  return [imm](auto tag) {
    using T = decltype(tag);
    return ImmRhs<T>{static_cast<T>(imm)};
  };
}

// The predicated destructive vector form, size from Zdn.
template <typename Op>
kalt64_decode_rc zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm, Op op) {
  return merge_binary_routine(s, z_esize(zdn), zdn, pg, vec_rhs(s, zm.num), op);
}
// The same with the size taken from Zm (SMAX, SMIN, UMAX, UMIN).
template <typename Op>
kalt64_decode_rc zpz_sized_by_zm(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm,
                                 Op op) {
  return merge_binary_routine(s, z_esize(zm), zdn, pg, vec_rhs(s, zm.num), op);
}
// Divisions exist for S and D elements only.
template <typename Op>
kalt64_decode_rc zpz_div(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm, Op op) {
  unsigned esize = z_esize(zdn);
  if (esize != ESIZE_S && esize != ESIZE_D) return kNotExecuted;
  return zpz(s, zdn, pg, zm, op);
}

template <typename Op>
kalt64_decode_rc zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm, Op op) {
  return map_binary_routine(s, z_esize(zd), zd.num, zn.num, vec_rhs(s, zm.num), op);
}
// Bitwise forms: the whole register as 64-bit lanes.
template <typename Op>
kalt64_decode_rc zzz_lanes(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm, Op op) {
  return map_binary_routine(s, ESIZE_D, zd.num, zn.num, vec_rhs(s, zm.num), op);
}

// Zdn = Zdn op imm.
template <typename Op>
kalt64_decode_rc zi(cpu_state* s, kalt64_z_reg zdn, uint64_t imm, Op op) {
  return map_binary_routine(s, z_esize(zdn), zdn.num, zdn.num, imm_rhs(imm), op);
}
template <typename Op>
kalt64_decode_rc zi_lanes(cpu_state* s, kalt64_z_reg zdn, kalt64_qrx_logical64_imm imm, Op op) {
  return map_binary_routine(s, ESIZE_D, zdn.num, zdn.num, imm_rhs(imm.imm), op);
}

// Predicated unary, merging into Zd (or zeroing), size from Zd.
template <typename Op>
kalt64_decode_rc zpz_unary(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn, Op op) {
  unsigned kind = p_kind(pg);
  if (kind == kBadCode) return kNotExecuted;
  static const uint8_t kZero[kVectorBytes] = {};
  const uint8_t* keep = kind == kalt64_p_reg::ZEROING ? kZero : s->z[zd.num];
  uint8_t out[kVectorBytes];
  bool ok = for_esize(z_esize(zd), [&](auto tag) {
    using T = decltype(tag);
    merge_unary<T>(out, elements_of(sizeof(T)), UnpackedLanes<T>{s->p[pg.num]}, keep, s->z[zn.num],
                   op);
  });
  return finish(s, zd.num, out, ok);
}

// Predicated multiply-accumulate: dest = active ? op(acc, x, y) : dest,
// size from the destination.
template <typename Op>
kalt64_decode_rc zpzz(cpu_state* s, kalt64_z_reg dest, kalt64_p_reg pg, unsigned acc, unsigned x,
                      unsigned y, Op op) {
  if (!governing(pg)) return kNotExecuted;
  uint8_t out[kVectorBytes];
  bool ok = for_esize(z_esize(dest), [&](auto tag) {
    using T = decltype(tag);
    merge_ternary<T>(out, elements_of(sizeof(T)), UnpackedLanes<T>{s->p[pg.num]}, s->z[dest.num],
                     s->z[acc], s->z[x], s->z[y], op);
  });
  return finish(s, dest.num, out, ok);
}

// INDEX: the destination has no vector source and is written in place.
kalt64_decode_rc index(cpu_state* s, kalt64_z_reg zd, uint64_t base, uint64_t step) {
  return for_esize(z_esize(zd),
                   [&](auto tag) {
                     using T = decltype(tag);
                     for (unsigned i = 0; i < elements_of(sizeof(T)); ++i)
                       set_elem<T>(s->z[zd.num], i, static_cast<T>(base + i * step));
                   })
             ? kOk
             : kNotExecuted;
}
uint64_t signed_imm(int v) { return static_cast<uint64_t>(static_cast<int64_t>(v)); }

}  // namespace

kalt64_decode_rc qrx_add_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz(s, zdn, pg, zm, AddOp{});
}
kalt64_decode_rc qrx_sub_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz(s, zdn, pg, zm, SubOp{});
}
kalt64_decode_rc qrx_mul_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz(s, zdn, pg, zm, MulOp{});
}
kalt64_decode_rc qrx_and_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz(s, zdn, pg, zm, AndOp{});
}
kalt64_decode_rc qrx_orr_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz(s, zdn, pg, zm, OrOp{});
}
kalt64_decode_rc qrx_eor_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz(s, zdn, pg, zm, XorOp{});
}
kalt64_decode_rc qrx_bic_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz(s, zdn, pg, zm, BicOp{});
}
kalt64_decode_rc qrx_smax_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz_sized_by_zm(s, zdn, pg, zm, MaxOp<false>{});
}
kalt64_decode_rc qrx_smin_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz_sized_by_zm(s, zdn, pg, zm, MinOp<false>{});
}
kalt64_decode_rc qrx_umax_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz_sized_by_zm(s, zdn, pg, zm, MaxOp<true>{});
}
kalt64_decode_rc qrx_umin_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz_sized_by_zm(s, zdn, pg, zm, MinOp<true>{});
}
kalt64_decode_rc qrx_lsl_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz(s, zdn, pg, zm, LslOp{});
}
kalt64_decode_rc qrx_lsr_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz(s, zdn, pg, zm, LsrOp{});
}
kalt64_decode_rc qrx_asr_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz(s, zdn, pg, zm, AsrOp{});
}
kalt64_decode_rc qrx_sdiv_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz_div(s, zdn, pg, zm, DivOp<false>{});
}
kalt64_decode_rc qrx_udiv_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz_div(s, zdn, pg, zm, DivOp<true>{});
}
kalt64_decode_rc qrx_sdivr_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz_div(s, zdn, pg, zm, DivROp<false>{});
}
kalt64_decode_rc qrx_udivr_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return zpz_div(s, zdn, pg, zm, DivROp<true>{});
}
kalt64_decode_rc qrx_neg_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return zpz_unary(s, zd, pg, zn, NegOp{});
}
kalt64_decode_rc qrx_movprfx_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return zpz_unary(s, zd, pg, zn, CopyOp{});
}

kalt64_decode_rc qrx_add_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  return zzz(s, zd, zn, zm, AddOp{});
}
kalt64_decode_rc qrx_sub_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  return zzz(s, zd, zn, zm, SubOp{});
}
kalt64_decode_rc qrx_and_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  return zzz_lanes(s, zd, zn, zm, AndOp{});
}
kalt64_decode_rc qrx_orr_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  return zzz_lanes(s, zd, zn, zm, OrOp{});
}
kalt64_decode_rc qrx_eor_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  return zzz_lanes(s, zd, zn, zm, XorOp{});
}
kalt64_decode_rc qrx_bic_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  return zzz_lanes(s, zd, zn, zm, BicOp{});
}
kalt64_decode_rc qrx_movprfx_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn) {
  std::memmove(s->z[zd.num], s->z[zn.num], kVectorBytes);
  return kOk;
}

kalt64_decode_rc qrx_add_zi(cpu_state* s, kalt64_z_reg zdn, unsigned int imm) {
  return zi(s, zdn, imm, AddOp{});
}
kalt64_decode_rc qrx_sub_zi(cpu_state* s, kalt64_z_reg zdn, unsigned int imm) {
  return zi(s, zdn, imm, SubOp{});
}
kalt64_decode_rc qrx_mul_zi(cpu_state* s, kalt64_z_reg zdn, int imm) {
  return zi(s, zdn, signed_imm(imm), MulOp{});
}
kalt64_decode_rc qrx_and_zi(cpu_state* s, kalt64_z_reg zdn, kalt64_qrx_logical64_imm imm) {
  return zi_lanes(s, zdn, imm, AndOp{});
}
kalt64_decode_rc qrx_orr_zi(cpu_state* s, kalt64_z_reg zdn, kalt64_qrx_logical64_imm imm) {
  return zi_lanes(s, zdn, imm, OrOp{});
}
kalt64_decode_rc qrx_eor_zi(cpu_state* s, kalt64_z_reg zdn, kalt64_qrx_logical64_imm imm) {
  return zi_lanes(s, zdn, imm, XorOp{});
}
kalt64_decode_rc qrx_dupm_zi(cpu_state* s, kalt64_z_reg zd, kalt64_qrx_logical64_imm imm) {
  for (unsigned i = 0; i < kDwordElems; ++i) set_elem<uint64_t>(s->z[zd.num], i, imm.imm);
  return kOk;
}

kalt64_decode_rc qrx_lsl_zpi(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, unsigned int shift) {
  return merge_binary_routine(s, z_esize(zdn), zdn, pg, amount_rhs(shift), LslOp{});
}
kalt64_decode_rc qrx_asr_zpi(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, unsigned int shift) {
  return merge_binary_routine(s, z_esize(zdn), zdn, pg, amount_rhs(shift), AsrOp{});
}
kalt64_decode_rc qrx_lsl_zzi(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, unsigned int shift) {
  return map_binary_routine(s, z_esize(zd), zd.num, zn.num, amount_rhs(shift), LslOp{});
}
kalt64_decode_rc qrx_asr_zzi(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, unsigned int shift) {
  return map_binary_routine(s, z_esize(zd), zd.num, zn.num, amount_rhs(shift), AsrOp{});
}

kalt64_decode_rc qrx_mla_zpzz(cpu_state* s, kalt64_z_reg zda, kalt64_p_reg pg, kalt64_z_reg zn,
                              kalt64_z_reg zm) {
  return zpzz(s, zda, pg, zda.num, zn.num, zm.num, MlaOp{});
}
kalt64_decode_rc qrx_mls_zpzz(cpu_state* s, kalt64_z_reg zda, kalt64_p_reg pg, kalt64_z_reg zn,
                              kalt64_z_reg zm) {
  return zpzz(s, zda, pg, zda.num, zn.num, zm.num, MlsOp{});
}
kalt64_decode_rc qrx_mad_zpzz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm,
                              kalt64_z_reg za) {
  return zpzz(s, zdn, pg, za.num, zdn.num, zm.num, MlaOp{});
}
kalt64_decode_rc qrx_msb_zpzz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm,
                              kalt64_z_reg za) {
  return zpzz(s, zdn, pg, za.num, zdn.num, zm.num, MlsOp{});
}

kalt64_decode_rc qrx_index_zii(cpu_state* s, kalt64_z_reg zd, int base, int step) {
  return index(s, zd, signed_imm(base), signed_imm(step));
}
kalt64_decode_rc qrx_index_zir(cpu_state* s, kalt64_z_reg zd, int base, kalt64_i_reg step) {
  return index(s, zd, signed_imm(base), read_x(s, step));
}
kalt64_decode_rc qrx_index_zri(cpu_state* s, kalt64_z_reg zd, kalt64_i_reg base, int step) {
  return index(s, zd, read_x(s, base), signed_imm(step));
}
kalt64_decode_rc qrx_index_zrr(cpu_state* s, kalt64_z_reg zd, kalt64_i_reg base,
                               kalt64_i_reg step) {
  return index(s, zd, read_x(s, base), read_x(s, step));
}
