// Semantic routines of the permutes and element moves: descriptors to byte
// arrays of the register file, then the shared algorithms of permute_lib.h.
#include "qrx/routines/permute_routines.h"

#include <cstring>

#include "qrx/library/int_ops.h"
#include "qrx/library/permute_lib.h"

using namespace qrx;

namespace {

template <typename T>
constexpr unsigned kN = kVectorBytes / sizeof(T);

// Runs f(T{}, out) for element-size code `code` into a local buffer, then
// copies the buffer to dest (a vector or unpacked predicate register).
template <typename F>
kalt64_decode_rc build(uint8_t* dest, unsigned code, F&& f) {
  static_assert(kPredicateBytes == kVectorBytes, "one buffer size for vectors and predicates");
  alignas(16) uint8_t out[kVectorBytes];
  if (!for_esize(code, [&](auto t) { f(t, out); })) return KALT64_DECODE_NOT_EXECUTED;
  std::memcpy(dest, out, kVectorBytes);
  return KALT64_DECODE_OK;
}

template <typename T>
UnpackedLanes<T> on(const cpu_state* s, const kalt64_p_reg& pg) {
  return UnpackedLanes<T>{s->p[pg.num]};
}

// The byte-array interleaves with a local result.
template <typename Move>
void byte_move(uint8_t* d, unsigned code, Move move) {
  alignas(16) uint8_t out[kVectorBytes];
  if (for_esize(code, [&](auto t) { move(t, out); })) std::memcpy(d, out, kVectorBytes);
}

kalt64_decode_rc broadcast_scalar(cpu_state* s, const kalt64_z_reg& zd, uint64_t v) {
  return build(s->z[zd.num], z_esize(zd), [&](auto t, uint8_t* out) {
    using T = decltype(t);
    permute::broadcast<T>(out, kN<T>, static_cast<T>(v));
  });
}
kalt64_decode_rc copy_scalar(cpu_state* s, const kalt64_z_reg& zd, const kalt64_p_reg& pg,
                             uint64_t v, bool zeroing) {
  return build(s->z[zd.num], z_esize(zd), [&](auto t, uint8_t* out) {
    using T = decltype(t);
    permute::copy_active<T>(out, s->z[zd.num], kN<T>, on<T>(s, pg), static_cast<T>(v), zeroing);
  });
}
uint64_t vscalar(const cpu_state* s, unsigned vn) {
  uint64_t v;
  std::memcpy(&v, s->z[vn], 8);
  return v;
}

template <typename W, bool Signed, unsigned Hi>
kalt64_decode_rc unpack(cpu_state* s, const kalt64_z_reg& zd, const kalt64_z_reg& zn) {
  alignas(16) uint8_t out[kVectorBytes];
  permute::unpack<W, Signed>(out, s->z[zn.num], kN<W>, Hi);
  std::memcpy(s->z[zd.num], out, kVectorBytes);
  return KALT64_DECODE_OK;
}

template <unsigned Hi>
kalt64_decode_rc punpk(cpu_state* s, const kalt64_p_reg& pd, const kalt64_p_reg& pn) {
  uint8_t out[kPredicateBytes];
  constexpr unsigned kHalf = kPredicateBytes / 2;
  for (unsigned i = 0; i < kHalf; ++i) {
    out[2 * i] = s->p[pn.num][Hi * kHalf + i] & 1;
    out[2 * i + 1] = 0;
  }
  std::memcpy(s->p[pd.num], out, kPredicateBytes);
  return KALT64_DECODE_OK;
}

}  // namespace

kalt64_decode_rc qrx_dup_zr(cpu_state* s, kalt64_z_reg zd, kalt64_i_rsp_reg rn) {
  return broadcast_scalar(s, zd, read_base(s, rn));
}
kalt64_decode_rc qrx_dup_zi(cpu_state* s, kalt64_z_reg zd, int imm) {
  return broadcast_scalar(s, zd, static_cast<uint64_t>(int64_t{imm}));
}
kalt64_decode_rc qrx_cpy_zpr(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_i_rsp_reg rn) {
  return copy_scalar(s, zd, pg, read_base(s, rn), false);
}
kalt64_decode_rc qrx_cpy_zpv(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, unsigned int vn) {
  return copy_scalar(s, zd, pg, vscalar(s, vn), false);
}
kalt64_decode_rc qrx_cpy_zpi(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, int imm) {
  if (pg.qual != kalt64_p_reg::MERGING && pg.qual != kalt64_p_reg::ZEROING)
    return KALT64_DECODE_NOT_EXECUTED;
  return copy_scalar(s, zd, pg, static_cast<uint64_t>(int64_t{imm}),
                     pg.qual == kalt64_p_reg::ZEROING);
}
kalt64_decode_rc qrx_dup_zzi(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, unsigned int index) {
  if (zd.qual == kalt64_z_reg::Q) {
    alignas(16) uint8_t out[kVectorBytes];
    permute::dup_index<Quad>(out, s->z[zn.num], index, kN<Quad>);
    std::memcpy(s->z[zd.num], out, kVectorBytes);
    return KALT64_DECODE_OK;
  }
  return build(s->z[zd.num], z_esize(zd), [&](auto t, uint8_t* out) {
    using T = decltype(t);
    permute::dup_index<T>(out, s->z[zn.num], index, kN<T>);
  });
}

kalt64_decode_rc qrx_ext_zzi(cpu_state* s, kalt64_z_reg zdn, kalt64_z_reg zm, unsigned int pos) {
  alignas(16) uint8_t out[kVectorBytes];
  permute::extract(out, s->z[zdn.num], s->z[zm.num], pos, kVectorBytes);
  std::memcpy(s->z[zdn.num], out, kVectorBytes);
  return KALT64_DECODE_OK;
}
kalt64_decode_rc qrx_tbl_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  return build(s->z[zd.num], z_esize(zd), [&](auto t, uint8_t* out) {
    using T = decltype(t);
    permute::table<T>(out, s->z[zn.num], s->z[zm.num], kN<T>);
  });
}

void qrx_zip1(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned int element_size) {
  permute_routine::zip<0>(d, a, b, element_size);
}
void qrx_zip2(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned int element_size) {
  permute_routine::zip<1>(d, a, b, element_size);
}
void qrx_uzp1(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned int element_size) {
  byte_move(d, element_size, [&](auto t, uint8_t* out) {
    permute::uzp<decltype(t)>(out, a, b, kN<decltype(t)>, 0);
  });
}

namespace {
using ByteMove = void (*)(uint8_t*, const uint8_t*, const uint8_t*, unsigned int);
kalt64_decode_rc vector_move(cpu_state* s, const kalt64_z_reg& zd, const kalt64_z_reg& zn,
                             const kalt64_z_reg& zm, ByteMove move) {
  unsigned code = z_esize(zd);
  if (code == kBadCode) return KALT64_DECODE_NOT_EXECUTED;
  move(s->z[zd.num], s->z[zn.num], s->z[zm.num], code);
  return KALT64_DECODE_OK;
}
kalt64_decode_rc pred_move(cpu_state* s, const kalt64_p_reg& pd, const kalt64_p_reg& pn,
                           const kalt64_p_reg& pm, ByteMove move) {
  unsigned code = p_esize(pd);
  if (code == kBadCode) return KALT64_DECODE_NOT_EXECUTED;
  move(s->p[pd.num], s->p[pn.num], s->p[pm.num], code);
  return KALT64_DECODE_OK;
}
template <unsigned Odd>
void uzp_bytes(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned int code) {
  byte_move(d, code, [&](auto t, uint8_t* out) {
    permute::uzp<decltype(t)>(out, a, b, kN<decltype(t)>, Odd);
  });
}
void trn2_bytes(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned int code) {
  byte_move(d, code, [&](auto t, uint8_t* out) {
    permute::trn<decltype(t)>(out, a, b, kN<decltype(t)>, 1);
  });
}
}  // namespace

kalt64_decode_rc qrx_uzp1_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  return vector_move(s, zd, zn, zm, qrx_uzp1);
}
kalt64_decode_rc qrx_uzp2_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  return vector_move(s, zd, zn, zm, uzp_bytes<1>);
}
kalt64_decode_rc qrx_trn2_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm) {
  return vector_move(s, zd, zn, zm, trn2_bytes);
}
kalt64_decode_rc qrx_uzp1_ppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pn, kalt64_p_reg pm) {
  return pred_move(s, pd, pn, pm, qrx_uzp1);
}

kalt64_decode_rc qrx_rev_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn) {
  return build(s->z[zd.num], z_esize(zd), [&](auto t, uint8_t* out) {
    using T = decltype(t);
    permute::reverse<T>(out, s->z[zn.num], kN<T>);
  });
}
kalt64_decode_rc qrx_rev_pp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pn) {
  return build(s->p[pd.num], p_esize(pd), [&](auto t, uint8_t* out) {
    using T = decltype(t);
    permute::reverse<T>(out, s->p[pn.num], kN<T>);
  });
}
kalt64_decode_rc qrx_revw_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return build(s->z[zd.num], ESIZE_D, [&](auto, uint8_t* out) {
    merge_unary<uint64_t>(out, kN<uint64_t>, on<uint64_t>(s, pg), s->z[zd.num], s->z[zn.num],
                          permute::ReverseUnitsOp<4>{});
  });
}
kalt64_decode_rc qrx_rbit_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return build(s->z[zd.num], z_esize(zd), [&](auto t, uint8_t* out) {
    using T = decltype(t);
    merge_unary<T>(out, kN<T>, on<T>(s, pg), s->z[zd.num], s->z[zn.num], permute::ReverseBitsOp{});
  });
}

kalt64_decode_rc qrx_clastb_rpz(cpu_state* s, kalt64_i_reg rdn, kalt64_p_reg pg, kalt64_z_reg zm) {
  return for_esize(z_esize(zm),
                   [&](auto t) {
                     using T = decltype(t);
                     int last = permute::last_active(on<T>(s, pg), kN<T>);
                     T v = last < 0 ? static_cast<T>(read_x(s, rdn))
                                    : elem<T>(s->z[zm.num], static_cast<unsigned>(last));
                     write_x(s, rdn, v);
                   })
             ? KALT64_DECODE_OK
             : KALT64_DECODE_NOT_EXECUTED;
}
kalt64_decode_rc qrx_lastb_rpz(cpu_state* s, kalt64_i_reg rd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return for_esize(z_esize(zn),
                   [&](auto t) {
                     using T = decltype(t);
                     int last = permute::last_active(on<T>(s, pg), kN<T>);
                     write_x(s, rd, elem<T>(s->z[zn.num], permute::last_index<false>(last, kN<T>)));
                   })
             ? KALT64_DECODE_OK
             : KALT64_DECODE_NOT_EXECUTED;
}
kalt64_decode_rc qrx_lastb_vpz(cpu_state* s, kalt64_z_reg vd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return build(s->z[vd.num], z_esize(vd), [&](auto t, uint8_t* out) {
    using T = decltype(t);
    int last = permute::last_active(on<T>(s, pg), kN<T>);
    std::memset(out, 0, kVectorBytes);
    set_elem<T>(out, 0, elem<T>(s->z[zn.num], permute::last_index<false>(last, kN<T>)));
  });
}

kalt64_decode_rc qrx_sel_zpzz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn,
                              kalt64_z_reg zm) {
  return build(s->z[zd.num], z_esize(zd), [&](auto t, uint8_t* out) {
    using T = decltype(t);
    permute::select<T>(out, on<T>(s, pg), s->z[zn.num], s->z[zm.num], kN<T>);
  });
}
kalt64_decode_rc qrx_sel_pppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn,
                              kalt64_p_reg pm) {
  return build(s->p[pd.num], ESIZE_B, [&](auto, uint8_t* out) {
    permute::select<uint8_t>(out, on<uint8_t>(s, pg), s->p[pn.num], s->p[pm.num], kPredicateBytes);
  });
}

kalt64_decode_rc qrx_uunpkhi_b2h_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn) {
  return unpack<uint16_t, false, 1>(s, zd, zn);
}
kalt64_decode_rc qrx_uunpkhi_h2s_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn) {
  return unpack<uint32_t, false, 1>(s, zd, zn);
}
kalt64_decode_rc qrx_uunpkhi_s2d_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn) {
  return unpack<uint64_t, false, 1>(s, zd, zn);
}
kalt64_decode_rc qrx_uunpklo_b2h_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn) {
  return unpack<uint16_t, false, 0>(s, zd, zn);
}
kalt64_decode_rc qrx_uunpklo_h2s_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn) {
  return unpack<uint32_t, false, 0>(s, zd, zn);
}
kalt64_decode_rc qrx_uunpklo_s2d_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn) {
  return unpack<uint64_t, false, 0>(s, zd, zn);
}
kalt64_decode_rc qrx_sunpkhi_s2d_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn) {
  return unpack<uint64_t, true, 1>(s, zd, zn);
}
kalt64_decode_rc qrx_sunpklo_s2d_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn) {
  return unpack<uint64_t, true, 0>(s, zd, zn);
}
kalt64_decode_rc qrx_punpkhi_pp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pn) {
  return punpk<1>(s, pd, pn);
}
kalt64_decode_rc qrx_punpklo_pp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pn) {
  return punpk<0>(s, pd, pn);
}
