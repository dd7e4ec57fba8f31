// Gathers, scatters, ADR and the structure loads and stores on the register
// file: each routine binds its row of gather_routines.h to one of the shared
// loops of gather_memory.h.
#include "qrx/routines/gather_routines.h"

#include <cstring>

#include "qrx/library/gather_lib.h"
#include "qrx/library/gather_memory.h"
#include "qrx/library/skeletons.h"

namespace {

using qrx::kVectorBytes;

template <typename Mem, typename Reg, typename Shape>
kalt64_decode_rc gather_routine(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg, kalt64_z_reg zv, uint64_t scalar) {
  qrx::gather::gather_load<Mem, Reg, Shape>(s->p[pg.num], s->z[zv.num], scalar, kVectorBytes / sizeof(Reg),
                                            s->z[zt.num]);
  return qrx::kOk;
}
template <typename Mem, typename Reg, typename Shape>
kalt64_decode_rc scatter_routine(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg, kalt64_z_reg zv, uint64_t scalar) {
  qrx::gather::scatter_store<Mem, Reg, Shape>(s->p[pg.num], s->z[zt.num], s->z[zv.num], scalar,
                                              kVectorBytes / sizeof(Reg));
  return qrx::kOk;
}

// Structure block addresses: imm4 whole blocks of N registers, or Xm
// elements.
template <unsigned N>
uint64_t structure_imm(const cpu_state* s, kalt64_i_rsp_reg xn, int imm4) {
  return qrx::read_base(s, xn) + static_cast<uint64_t>(int64_t{imm4}) * (N * kVectorBytes);
}
template <typename Elem>
uint64_t structure_reg(const cpu_state* s, kalt64_i_rsp_reg xn, kalt64_i_reg xm) {
  return qrx::read_base(s, xn) + qrx::read_x(s, xm) * sizeof(Elem);
}

template <typename Elem, unsigned N>
kalt64_decode_rc load_structures(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg, uint64_t addr) {
  uint8_t out[N][kVectorBytes];
  qrx::gather::load_structures<Elem, N>(s->p[pg.num], addr, out);
  for (unsigned r = 0; r < N; ++r) std::memcpy(s->z[(zt.num + r) % 32], out[r], kVectorBytes);
  return qrx::kOk;
}
template <typename Elem, unsigned N>
kalt64_decode_rc store_structures(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg, uint64_t addr) {
  const uint8_t* in[N];
  for (unsigned r = 0; r < N; ++r) in[r] = s->z[(zt.num + r) % 32];
  qrx::gather::store_structures<Elem, N>(s->p[pg.num], addr, in);
  return qrx::kOk;
}

template <unsigned Shift>
void adr(uint8_t* out, const uint8_t* zn, const uint8_t* zm) {
  qrx::merge_binary<uint64_t>(out, qrx::kDwordElems, qrx::AllActive{}, zn, qrx::VecRhs<uint64_t>{zm},
                              qrx::gather::Adr<Shift, qrx::gather::ext::none>{});
}

}  // namespace

// The scalar of each shape.
#define QRX_GATHER_ARGS_VI zn, imm5
#define QRX_GATHER_ARGS_SV zm, qrx::read_base(s, xn)
#define QRX_GATHER_ARGS_VIZ QRX_GATHER_ARGS_VI
#define QRX_GATHER_ARGS_VSZ QRX_GATHER_ARGS_SV
#define QRX_GATHER_ARGS_XVSZ QRX_GATHER_ARGS_SV
#define QRX_GATHER_ARGS_YVSZ QRX_GATHER_ARGS_SV
#define QRX_GATHER_ARGS_SVZ QRX_GATHER_ARGS_SV
#define QRX_GATHER_ARGS_XSVZ QRX_GATHER_ARGS_SV
#define QRX_GATHER_ARGS_YSVZ QRX_GATHER_ARGS_SV

#define QRX_DEFINE_GATHER(name, Mem, Reg, shape)                              \
  kalt64_decode_rc qrx_##name(QRX_GATHER_PARAMS_##shape) {                    \
    return gather_routine<Mem, Reg, qrx::gather::shape>(s, zt, pg, QRX_GATHER_ARGS_##shape); \
  }
#define QRX_DEFINE_SCATTER(name, Mem, Reg, shape)                              \
  kalt64_decode_rc qrx_##name(QRX_GATHER_PARAMS_##shape) {                     \
    return scatter_routine<Mem, Reg, qrx::gather::shape>(s, zt, pg, QRX_GATHER_ARGS_##shape); \
  }
#define QRX_DEFINE_STRUCTURES(n, sfx, Elem)                                                                     \
  kalt64_decode_rc qrx_ld##n##sfx##_zpri(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg, kalt64_i_rsp_reg xn,   \
                                         int imm4) {                                                            \
    return load_structures<Elem, n>(s, zt, pg, structure_imm<n>(s, xn, imm4));                                 \
  }                                                                                                             \
  kalt64_decode_rc qrx_st##n##sfx##_zpri(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg, kalt64_i_rsp_reg xn,   \
                                         int imm4) {                                                            \
    return store_structures<Elem, n>(s, zt, pg, structure_imm<n>(s, xn, imm4));                                \
  }                                                                                                             \
  kalt64_decode_rc qrx_ld##n##sfx##_scaled_zprr(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg,                 \
                                                kalt64_i_rsp_reg xn, kalt64_i_reg xm) {                         \
    return load_structures<Elem, n>(s, zt, pg, structure_reg<Elem>(s, xn, xm));                                \
  }                                                                                                             \
  kalt64_decode_rc qrx_st##n##sfx##_scaled_zprr(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg,                 \
                                                kalt64_i_rsp_reg xn, kalt64_i_reg xm) {                         \
    return store_structures<Elem, n>(s, zt, pg, structure_reg<Elem>(s, xn, xm));                               \
  }

QRX_GATHER_LOADS(QRX_DEFINE_GATHER)
QRX_SCATTER_STORES(QRX_DEFINE_SCATTER)
QRX_STRUCTURES(QRX_DEFINE_STRUCTURES)

kalt64_decode_rc qrx_adr_scaled_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  using AdrLoop = void (*)(uint8_t*, const uint8_t*, const uint8_t*);
  static constexpr AdrLoop kByShift[] = {adr<0>, adr<1>, adr<2>, adr<3>};
  qrx::VecResult r;
  kByShift[(s->encoding >> 10) & 3](r.b, s->z[zn.num], s->z[zm.num]);
  return qrx::store_result(s, zd.num, r);
}
