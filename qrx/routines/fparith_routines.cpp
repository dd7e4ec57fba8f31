#include "qrx/routines/fparith_routines.h"

#include <cstdint>
#include <cstring>

#include "qrx/library/fp_host.h"
#include "qrx/library/fparith_lib.h"
#include "qrx/library/fparith_ops.h"
#include "qrx/library/skeletons.h"

namespace qrx {
namespace {

// Runs body(T{}) with T the storage type of a single or double descriptor
// size; any other size is not a host-path form.
template <typename Body>
kalt64_decode_rc single_or_double(unsigned esize, Body&& body) {
  if (esize == ESIZE_S) return body(uint32_t{});
  if (esize == ESIZE_D) return body(uint64_t{});
  return kNotExecuted;
}

// Zd = active ? op(a[i], rhs(i)) : a[i], under one host scope.
template <typename T, typename Op, typename Active, typename Rhs>
kalt64_decode_rc host_binary(cpu_state* s, unsigned zd, Active active, const uint8_t* a, Rhs rhs) {
  VecResult r;
  {
    HostFpScope scope(s);
    fp_binary<T, Op>(r.b, elements_of(sizeof(T)), active, a, rhs, scope);
  }
  return store_result(s, zd, r);
}

template <typename Op>
kalt64_decode_rc host_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return single_or_double(zdn.qual2, [&](auto t) {
    using T = decltype(t);
    return host_binary<T, Op>(s, zdn.num, UnpackedActive<T>{s->p[pg.num]}, s->z[zdn.num],
                              VecRhs<T>{s->z[zm.num]});
  });
}
template <typename Op>
kalt64_decode_rc host_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  return single_or_double(zd.qual, [&](auto t) {
    using T = decltype(t);
    return host_binary<T, Op>(s, zd.num, AllActive{}, s->z[zn.num], VecRhs<T>{s->z[zm.num]});
  });
}
template <typename Op, typename Pair>
kalt64_decode_rc host_zpi(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg,
                          kalt64_qrx_fp_arith_imm imm) {
  return single_or_double(zdn.qual2, [&](auto t) {
    using T = decltype(t);
    const T c = fp_imm_constant<T, Pair>(imm.sel, FPEnv{});
    return host_binary<T, Op>(s, zdn.num, UnpackedActive<T>{s->p[pg.num]}, s->z[zdn.num],
                              ImmRhs<T>{c});
  });
}

template <typename Op>
kalt64_decode_rc host_fnmla(cpu_state* s, kalt64_z_reg zda, kalt64_p_reg pg, kalt64_z_reg zn,
                            kalt64_z_reg zm) {
  return single_or_double(zda.qual2, [&](auto t) {
    using T = decltype(t);
    VecResult r;
    {
      HostFpScope scope(s);
      fp_ternary<T, Op>(r.b, elements_of(sizeof(T)), UnpackedActive<T>{s->p[pg.num]}, s->z[zda.num],
                        s->z[zda.num], s->z[zn.num], VecRhs<T>{s->z[zm.num]}, scope);
    }
    return store_result(s, zda.num, r);
  });
}

// Pd = the active elements of Zn that compare true with rhs(i): from the
// bits when no active operand is a NaN or a flushed subnormal (no flag, no
// host scope), otherwise by the host's compares.
template <typename Op, typename RhsOf>
kalt64_decode_rc host_compare(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                              RhsOf rhs_of) {
  return single_or_double(pd.qual, [&](auto t) {
    using T = decltype(t);
    alignas(16) uint8_t r[kPredicateBytes];
    if (!fp_compare_by_bits<T, Op>(r, elements_of(sizeof(T)), s->p[pg.num], s->z[zn.num],
                                   rhs_of(t), fp_mode_from_control(s->fpcr & kHostFpControl))) {
      HostFpScope scope(s);
      fp_compare<T, Op>(r, elements_of(sizeof(T)), UnpackedActive<T>{s->p[pg.num]}, s->z[zn.num],
                        rhs_of(t), scope);
    }
    std::memcpy(s->p[pd.num], r, kPredicateBytes);
    return kOk;
  });
}
template <typename Op>
kalt64_decode_rc host_cmp_vv(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                             kalt64_z_reg zm) {
  return host_compare<Op>(s, pd, pg, zn, [&](auto t) { return VecRhs<decltype(t)>{s->z[zm.num]}; });
}
template <typename Op>
kalt64_decode_rc host_cmp_v0(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return host_compare<Op>(s, pd, pg, zn, [](auto t) { return ImmRhs<decltype(t)>{0}; });
}

}  // namespace
}  // namespace qrx

using namespace qrx;

#define QRX_FP_ZPZ(NAME, OP)                                                                \
  kalt64_decode_rc NAME(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) { \
    return host_zpz<OP>(s, zdn, pg, zm);                                                    \
  }
QRX_FP_ZPZ(qrx_fadd_zpz, FAddOp)
QRX_FP_ZPZ(qrx_fsub_zpz, FSubOp)
QRX_FP_ZPZ(qrx_fsubr_zpz, FReversed<FSubOp>)
QRX_FP_ZPZ(qrx_fmul_zpz, FMulOp)
QRX_FP_ZPZ(qrx_fdiv_zpz, FDivOp)
QRX_FP_ZPZ(qrx_fdivr_zpz, FReversed<FDivOp>)
QRX_FP_ZPZ(qrx_fmax_zpz, FMaxOp)
QRX_FP_ZPZ(qrx_fmaxnm_zpz, FMaxNumOp)
QRX_FP_ZPZ(qrx_fminnm_zpz, FMinNumOp)
#undef QRX_FP_ZPZ

#define QRX_FP_ZZZ(NAME, OP)                                                               \
  kalt64_decode_rc NAME(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) { \
    return host_zzz<OP>(s, zd, zn, zm);                                                    \
  }
QRX_FP_ZZZ(qrx_fadd_zzz, FAddOp)
QRX_FP_ZZZ(qrx_fsub_zzz, FSubOp)
QRX_FP_ZZZ(qrx_fmul_zzz, FMulOp)
#undef QRX_FP_ZZZ

#define QRX_FP_ZPI(NAME, OP, PAIR)                                       \
  kalt64_decode_rc NAME(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, \
                        kalt64_qrx_fp_arith_imm imm) {                   \
    return host_zpi<OP, PAIR>(s, zdn, pg, imm);                          \
  }
QRX_FP_ZPI(qrx_fadd_zpi, FAddOp, FImmHalfOne)
QRX_FP_ZPI(qrx_fsub_zpi, FSubOp, FImmHalfOne)
QRX_FP_ZPI(qrx_fsubr_zpi, FReversed<FSubOp>, FImmHalfOne)
QRX_FP_ZPI(qrx_fmul_zpi, FMulOp, FImmHalfTwo)
#undef QRX_FP_ZPI

// Negation is a sign flip on every path: no FP operation, no status.
kalt64_decode_rc qrx_fneg_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return single_or_double(zd.qual, [&](auto t) {
    using T = decltype(t);
    VecResult r;
    merge_unary<T>(r.b, elements_of(sizeof(T)), UnpackedActive<T>{s->p[pg.num]}, s->z[zd.num],
                   s->z[zn.num], FNegBits{});
    return store_result(s, zd.num, r);
  });
}

kalt64_decode_rc qrx_fnmla_zpzz(cpu_state* s, kalt64_z_reg zda, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm) {
  return host_fnmla<FNmlaOp>(s, zda, pg, zn, zm);
}

#define QRX_FP_CMP(NAME, OP)                                                             \
  kalt64_decode_rc NAME(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn, \
                        kalt64_z_reg zm) {                                               \
    return host_cmp_vv<OP>(s, pd, pg, zn, zm);                                           \
  }
#define QRX_FP_CMP0(NAME, OP)                                                              \
  kalt64_decode_rc NAME(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn) { \
    return host_cmp_v0<OP>(s, pd, pg, zn);                                                 \
  }
QRX_FP_CMP(qrx_fcmeq_ppzz, FCmpEqOp)
QRX_FP_CMP(qrx_fcmne_ppzz, FCmpNeOp)
QRX_FP_CMP(qrx_fcmge_ppzz, FCmpGeOp)
QRX_FP_CMP(qrx_fcmgt_ppzz, FCmpGtOp)
QRX_FP_CMP(qrx_fcmuo_ppzz, FCmpUnOp)
QRX_FP_CMP0(qrx_fcmeq_ppz0, FCmpEqOp)
QRX_FP_CMP0(qrx_fcmge_ppz0, FCmpGeOp)
QRX_FP_CMP0(qrx_fcmgt_ppz0, FCmpGtOp)
QRX_FP_CMP0(qrx_fcmle_ppz0, FCmpLeOp)
QRX_FP_CMP0(qrx_fcmlt_ppz0, FCmpLtOp)
#undef QRX_FP_CMP
#undef QRX_FP_CMP0
