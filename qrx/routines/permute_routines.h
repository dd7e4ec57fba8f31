// Semantic routines of the permutes and element moves.
//
// The element size is read from the destination's descriptor (Zd, Pd or the
// SIMD&FP scalar Vd), from Zm/Zn for CLASTB and LASTB to a general register;
// the unpack routines and REVW have theirs built in. Every routine reads its
// sources before it writes its destination, so the destination may equal a
// source. A descriptor code a routine does not expect: 2 (not executed).
#ifndef QRX_ROUTINES_PERMUTE_ROUTINES_H
#define QRX_ROUTINES_PERMUTE_ROUTINES_H

#include <cstring>

#include "qrx/library/int_ops.h"
#include "qrx/state/cpu_state.h"

// Broadcasts: every element (CPY: every active element) becomes the scalar's
// low element-width bits. Register 31 of DUP/CPY (scalar) is the stack
// pointer; vn names the vector register whose low bits are the SIMD&FP scalar.
kalt64_decode_rc qrx_dup_zr(cpu_state* s, kalt64_z_reg zd, kalt64_i_rsp_reg rn);
kalt64_decode_rc qrx_dup_zi(cpu_state* s, kalt64_z_reg zd, int imm);
kalt64_decode_rc qrx_cpy_zpr(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_i_rsp_reg rn);
kalt64_decode_rc qrx_cpy_zpv(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, unsigned int vn);
// Merging (pg.qual 4) or zeroing (5).
kalt64_decode_rc qrx_cpy_zpi(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, int imm);
// Zd = Zn[index] everywhere (zd.qual 0..4, 4 = 128-bit elements).
kalt64_decode_rc qrx_dup_zzi(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, unsigned int index);

// EXT: bytes pos.. of Zdn:Zm (position 0 when it is past the vector).
kalt64_decode_rc qrx_ext_zzi(cpu_state* s, kalt64_z_reg zdn, kalt64_z_reg zm, unsigned int pos);
kalt64_decode_rc qrx_tbl_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);

// Interleaves on vectors and predicates (ZIP1 and ZIP2 defined below, where
// the handlers that bind them compile them in).
kalt64_decode_rc qrx_zip1_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);
kalt64_decode_rc qrx_zip2_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);
kalt64_decode_rc qrx_uzp1_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);
kalt64_decode_rc qrx_uzp2_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);
kalt64_decode_rc qrx_trn2_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);
kalt64_decode_rc qrx_zip1_ppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pn, kalt64_p_reg pm);
kalt64_decode_rc qrx_zip2_ppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pn, kalt64_p_reg pm);
kalt64_decode_rc qrx_uzp1_ppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pn, kalt64_p_reg pm);
// The byte-array forms both share: kVectorBytes bytes, element-size code.
void qrx_zip1(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned int element_size);
void qrx_zip2(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned int element_size);
void qrx_uzp1(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned int element_size);

// Reversals: REV of the elements; REVW and RBIT merge into Zd where Pg is
// active.
kalt64_decode_rc qrx_rev_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn);
kalt64_decode_rc qrx_rev_pp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pn);
kalt64_decode_rc qrx_revw_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_rbit_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);

// Extraction: CLASTB keeps Rdn's low element bits when no element is active;
// LASTB reads the last element then. Vd results clear the rest of Vd.
kalt64_decode_rc qrx_clastb_rpz(cpu_state* s, kalt64_i_reg rdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_lastb_rpz(cpu_state* s, kalt64_i_reg rd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_lastb_vpz(cpu_state* s, kalt64_z_reg vd, kalt64_p_reg pg, kalt64_z_reg zn);

// SEL: Zn where Pg is active, Zm elsewhere; predicates byte by byte.
kalt64_decode_rc qrx_sel_zpzz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn,
                              kalt64_z_reg zm);
kalt64_decode_rc qrx_sel_pppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn,
                              kalt64_p_reg pm);

// Unpacks: the low or high half of Zn's narrow elements, extended.
kalt64_decode_rc qrx_uunpkhi_b2h_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn);
kalt64_decode_rc qrx_uunpkhi_h2s_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn);
kalt64_decode_rc qrx_uunpkhi_s2d_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn);
kalt64_decode_rc qrx_uunpklo_b2h_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn);
kalt64_decode_rc qrx_uunpklo_h2s_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn);
kalt64_decode_rc qrx_uunpklo_s2d_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn);
kalt64_decode_rc qrx_sunpkhi_s2d_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn);
kalt64_decode_rc qrx_sunpklo_s2d_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn);
// PUNPKHI/LO: H element i = bit 0 of Pn byte (72 + i) / i.
kalt64_decode_rc qrx_punpkhi_pp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pn);
kalt64_decode_rc qrx_punpklo_pp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pn);

// ----- Inline definitions ---------------------------------------------------

namespace qrx {
namespace permute_routine {

// ZIP1 (kHalf 0) / ZIP2 (kHalf 1) of T elements on register-sized byte
// arrays: element 2k of d is element base + k of a, element 2k + 1 that of
// b. Straight into d when d is neither source (registers never overlap in
// part), through a local result otherwise.
template <typename T, unsigned kHalf>
inline void zip_into(uint8_t* d, const uint8_t* a, const uint8_t* b) {
  static_assert(kPredicateBytes == kVectorBytes, "one size for vectors and predicates");
  constexpr unsigned kH = kVectorBytes / sizeof(T) / 2, kBase = kHalf * kH;
  auto interleave = [a, b](uint8_t* out) {
#pragma GCC ivdep
    for (unsigned k = 0; k < kH; ++k) {
      std::memcpy(out + 2 * k * sizeof(T), a + (kBase + k) * sizeof(T), sizeof(T));
      std::memcpy(out + (2 * k + 1) * sizeof(T), b + (kBase + k) * sizeof(T), sizeof(T));
    }
  };
  if (d != a && d != b) {
    interleave(d);
    return;
  }
  alignas(16) uint8_t out[kVectorBytes];
  interleave(out);
  std::memcpy(d, out, kVectorBytes);
}

template <unsigned kHalf>
inline kalt64_decode_rc zip(uint8_t* d, const uint8_t* a, const uint8_t* b, unsigned code) {
  bool known = for_esize(code, [&](auto t) { zip_into<decltype(t), kHalf>(d, a, b); });
  return known ? KALT64_DECODE_OK : KALT64_DECODE_NOT_EXECUTED;
}

}  // namespace permute_routine
}  // namespace qrx

inline kalt64_decode_rc qrx_zip1_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn,
                                     kalt64_z_reg zm) {
  return qrx::permute_routine::zip<0>(s->z[zd.num], s->z[zn.num], s->z[zm.num], qrx::z_esize(zd));
}
inline kalt64_decode_rc qrx_zip2_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn,
                                     kalt64_z_reg zm) {
  return qrx::permute_routine::zip<1>(s->z[zd.num], s->z[zn.num], s->z[zm.num], qrx::z_esize(zd));
}
inline kalt64_decode_rc qrx_zip1_ppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pn,
                                     kalt64_p_reg pm) {
  return qrx::permute_routine::zip<0>(s->p[pd.num], s->p[pn.num], s->p[pm.num], qrx::p_esize(pd));
}
inline kalt64_decode_rc qrx_zip2_ppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pn,
                                     kalt64_p_reg pm) {
  return qrx::permute_routine::zip<1>(s->p[pd.num], s->p[pn.num], s->p[pm.num], qrx::p_esize(pd));
}

#endif  // QRX_ROUTINES_PERMUTE_ROUTINES_H
