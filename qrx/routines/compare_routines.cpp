// Semantic routines of the integer compares: each names its condition and
// second operand; compare_routine does the size dispatch, the flags and the
// single copy of the result into Pd.
#include "qrx/routines/compare_routines.h"

#include "qrx/library/compare_ops.h"
#include "qrx/library/pred_support.h"

using namespace qrx;

namespace {

// Pd's element-size code; the compares treat any code above D as B.
unsigned compare_esize(const kalt64_p_reg& pd) { return pd.qual <= ESIZE_D ? pd.qual : ESIZE_B; }

// make_rhs(T{}) builds the second-operand reader for element type T. The
// result and the flags both come from the old Pg; Pd is written last.
template <CmpCond C, typename MakeRhs>
kalt64_decode_rc compare_routine(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                 MakeRhs make_rhs) {
  for_esize(compare_esize(pd), [&](auto tag) {
    using T = decltype(tag);
    set_nzcv(s, compare_into<C, T>(s->p[pd.num], s->p[pg.num], s->z[zn.num], make_rhs(tag)));
  });
  return KALT64_DECODE_OK;
}

template <CmpCond C>
kalt64_decode_rc vectors(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                         kalt64_z_reg zm) {
  const uint8_t* v = s->z[zm.num];
  return compare_routine<C>(s, pd, pg, zn,
                            [v](auto tag) { return CmpVecRhs<C, decltype(tag)>{v}; });
}

template <CmpCond C>
kalt64_decode_rc immediate(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                           int64_t imm) {
  return compare_routine<C>(s, pd, pg, zn,
                            [imm](auto tag) { return CmpImmRhs<C, decltype(tag)>{imm}; });
}

}  // namespace

kalt64_decode_rc qrx_cmpeq_ppzz(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm) {
  return vectors<CmpCond::EQ>(s, pd, pg, zn, zm);
}
kalt64_decode_rc qrx_cmpne_ppzz(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm) {
  return vectors<CmpCond::NE>(s, pd, pg, zn, zm);
}
kalt64_decode_rc qrx_cmpgt_ppzz(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm) {
  return vectors<CmpCond::GT>(s, pd, pg, zn, zm);
}
kalt64_decode_rc qrx_cmpge_ppzz(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm) {
  return vectors<CmpCond::GE>(s, pd, pg, zn, zm);
}
kalt64_decode_rc qrx_cmphi_ppzz(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm) {
  return vectors<CmpCond::HI>(s, pd, pg, zn, zm);
}
kalt64_decode_rc qrx_cmphs_ppzz(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm) {
  return vectors<CmpCond::HS>(s, pd, pg, zn, zm);
}

kalt64_decode_rc qrx_cmpeq_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                int imm) {
  return immediate<CmpCond::EQ>(s, pd, pg, zn, imm);
}
kalt64_decode_rc qrx_cmpne_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                int imm) {
  return immediate<CmpCond::NE>(s, pd, pg, zn, imm);
}
kalt64_decode_rc qrx_cmpgt_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                int imm) {
  return immediate<CmpCond::GT>(s, pd, pg, zn, imm);
}
kalt64_decode_rc qrx_cmplt_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                int imm) {
  return immediate<CmpCond::LT>(s, pd, pg, zn, imm);
}
kalt64_decode_rc qrx_cmple_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                int imm) {
  return immediate<CmpCond::LE>(s, pd, pg, zn, imm);
}
kalt64_decode_rc qrx_cmphi_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                unsigned int imm) {
  return immediate<CmpCond::HI>(s, pd, pg, zn, imm);
}
kalt64_decode_rc qrx_cmplo_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                unsigned int imm) {
  return immediate<CmpCond::LO>(s, pd, pg, zn, imm);
}
