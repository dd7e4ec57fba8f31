// Semantic routines of the integer compares: Pd = the active elements of Zn
// compared with Zm (same-size elements) or an immediate, zeroing (inactive
// elements false), with N, Z, C, V set by the predicate test of the result
// under Pg. The element size comes from Pd's qual word (1 H, 2 S, 3 D, any
// other value B). Pd may be Pg: result and flags use the old Pg.
#ifndef QRX_ROUTINES_COMPARE_ROUTINES_H
#define QRX_ROUTINES_COMPARE_ROUTINES_H

#include "qrx/state/cpu_state.h"

// Vectors: Zn C Zm.
kalt64_decode_rc qrx_cmpeq_ppzz(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm);
kalt64_decode_rc qrx_cmpne_ppzz(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm);
kalt64_decode_rc qrx_cmpgt_ppzz(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm);
kalt64_decode_rc qrx_cmpge_ppzz(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm);
kalt64_decode_rc qrx_cmphi_ppzz(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm);
kalt64_decode_rc qrx_cmphs_ppzz(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm);

// Immediates, already decoded (signed -16..15, unsigned 0..127), cut to the
// element width before comparing.
kalt64_decode_rc qrx_cmpeq_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                int imm);
kalt64_decode_rc qrx_cmpne_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                int imm);
kalt64_decode_rc qrx_cmpgt_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                int imm);
kalt64_decode_rc qrx_cmplt_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                int imm);
kalt64_decode_rc qrx_cmple_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                int imm);
kalt64_decode_rc qrx_cmphi_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                unsigned int imm);
kalt64_decode_rc qrx_cmplo_ppzi(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn,
                                unsigned int imm);

#endif  // QRX_ROUTINES_COMPARE_ROUTINES_H
