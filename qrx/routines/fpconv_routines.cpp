#include "qrx/routines/fpconv_routines.h"

#include <cstdint>

#include "qrx/library/fp_host.h"
#include "qrx/library/fparith_lib.h"
#include "qrx/library/fparith_ops.h"
#include "qrx/library/fpconv_lib.h"
#include "qrx/library/fpconv_ops.h"
#include "qrx/library/skeletons.h"

namespace qrx {
namespace {

template <typename T>
kalt64_decode_rc broadcast(cpu_state* s, unsigned zd, T v) {
  VecResult r;
  for (unsigned i = 0; i < kVectorBytes / sizeof(T); ++i) set_elem<T>(r.b, i, v);
  return store_result(s, zd, r);
}

// Runs body(T{}) for a single (uint32_t) or double (uint64_t) element size;
// any other is not a host-path form.
template <typename Body>
kalt64_decode_rc host_width(unsigned esize, Body&& body) {
  if (esize == ESIZE_S) return body(uint32_t{});
  if (esize == ESIZE_D) return body(uint64_t{});
  return kNotExecuted;
}

// Zd = active ? op(Zn) : Zd, under one host scope; T the storage size.
template <typename T, typename Op, typename Active>
kalt64_decode_rc host_unary(cpu_state* s, unsigned zd, Active active, unsigned zn) {
  VecResult r;
  {
    HostFpScope scope(s);
    fp_unary<T, Op>(r.b, elements_of(sizeof(T)), active, s->z[zd], s->z[zn], scope);
  }
  return store_result(s, zd, r);
}
template <typename T, typename Op>
kalt64_decode_rc host_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return host_unary<T, Op>(s, zd.num, UnpackedActive<T>{s->p[pg.num]}, zn.num);
}
// The same operation in the descriptor's width.
template <template <typename> class OpOf>
kalt64_decode_rc host_zpz_sized(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return host_width(zd.qual, [&](auto t) {
    using T = decltype(t);
    return host_zpz<T, OpOf<T>>(s, zd, pg, zn);
  });
}
template <typename Op>
struct Same {
  template <typename T>
  using type = Op;
};
template <typename T>
using SIntToF = IntToFOp<std::make_signed_t<T>, T>;
template <typename T>
using UIntToF = IntToFOp<T, T>;

template <typename Op, FIdentity Identity>
kalt64_decode_rc host_reduce(cpu_state* s, unsigned vd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return host_width(zn.qual, [&](auto t) {
    using T = decltype(t);
    T r;
    {
      HostFpScope scope(s);
      r = reduce_tree<T, Op, Identity>(s->z[zn.num], elements_of(sizeof(T)),
                                       UnpackedActive<T>{s->p[pg.num]}, scope);
    }
    write_low_element(s, vd, r);
    return kOk;
  });
}

}  // namespace
}  // namespace qrx

using namespace qrx;

kalt64_qrx_fp_dup_imm fp_dup_imm(unsigned imm8) {
  const uint32_t a = (imm8 >> 7) & 1, b = (imm8 >> 6) & 1, cd = (imm8 >> 4) & 3, efgh = imm8 & 15;
  kalt64_qrx_fp_dup_imm r{};
  r.h = static_cast<uint16_t>(a << 15 | (b ^ 1) << 14 | (b ? 0x3000u : 0u) | cd << 10 | efgh << 6);
  r.s = a << 31 | (b ^ 1) << 30 | (b ? 0x3E000000u : 0u) | cd << 23 | efgh << 19;
  // Exact widening: the exponent re-biased by 896, the fraction shifted by 29.
  const uint64_t exp = ((r.s >> 23) & 0xFF) + 896;
  r.d = uint64_t{a} << 63 | exp << 52 | uint64_t{r.s & 0x7FFFFF} << 29;
  return r;
}

kalt64_decode_rc qrx_fdup_zi(cpu_state* s, kalt64_z_reg zd, kalt64_qrx_fp_dup_imm imm) {
  switch (zd.qual) {
    case kalt64_z_reg::H: return broadcast<uint16_t>(s, zd.num, imm.h);
    case kalt64_z_reg::S: return broadcast<uint32_t>(s, zd.num, imm.s);
    case kalt64_z_reg::D: return broadcast<uint64_t>(s, zd.num, imm.d);
    default: return kNotExecuted;
  }
}

kalt64_decode_rc qrx_fsqrt_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return host_zpz_sized<Same<FSqrtOp>::type>(s, zd, pg, zn);
}
kalt64_decode_rc qrx_frinta_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return host_zpz_sized<Same<FRIntAOp>::type>(s, zd, pg, zn);
}
kalt64_decode_rc qrx_scvtf_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return host_zpz_sized<SIntToF>(s, zd, pg, zn);
}
kalt64_decode_rc qrx_ucvtf_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return host_zpz_sized<UIntToF>(s, zd, pg, zn);
}
kalt64_decode_rc qrx_scvtf_s2d_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  if (zd.qual != ESIZE_D) return kNotExecuted;
  return host_zpz<uint64_t, IntToFOp<int32_t, uint64_t>>(s, zd, pg, zn);
}
kalt64_decode_rc qrx_ucvtf_s2d_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  if (zd.qual != ESIZE_D) return kNotExecuted;
  return host_zpz<uint64_t, IntToFOp<uint32_t, uint64_t>>(s, zd, pg, zn);
}
kalt64_decode_rc qrx_scvtf_d2s_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  if (zd.qual != ESIZE_D) return kNotExecuted;
  return host_zpz<uint64_t, IntToFOp<int64_t, uint32_t>>(s, zd, pg, zn);
}

kalt64_decode_rc qrx_frecpe_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn) {
  return host_width(zd.qual, [&](auto t) {
    return host_unary<decltype(t), FRecpEOp>(s, zd.num, AllActive{}, zn.num);
  });
}
kalt64_decode_rc qrx_frecps_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  return host_width(zd.qual, [&](auto t) {
    using T = decltype(t);
    VecResult r;
    {
      HostFpScope scope(s);
      fp_binary<T, FRecpSOp>(r.b, elements_of(sizeof(T)), AllActive{}, s->z[zn.num],
                             VecRhs<T>{s->z[zm.num]}, scope);
    }
    return store_result(s, zd.num, r);
  });
}

kalt64_decode_rc qrx_fmaxnmv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return host_reduce<FMaxNumOp, FIdentity::DefaultNaN>(s, vd, pg, zn);
}
kalt64_decode_rc qrx_fminnmv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return host_reduce<FMinNumOp, FIdentity::DefaultNaN>(s, vd, pg, zn);
}
