#include "qrx/routines/fparith_routines.h"

#include <cstdint>

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

}  // namespace
}  // namespace qrx

using namespace qrx;

kalt64_decode_rc qrx_fadd_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return host_zpz<FAddOp>(s, zdn, pg, zm);
}
kalt64_decode_rc qrx_fadd_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  return host_zzz<FAddOp>(s, zd, zn, zm);
}
kalt64_decode_rc qrx_fadd_zpi(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg,
                              kalt64_qrx_fp_arith_imm imm) {
  return host_zpi<FAddOp, FImmHalfOne>(s, zdn, pg, imm);
}
