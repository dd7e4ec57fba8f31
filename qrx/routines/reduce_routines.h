// Semantic routines of the integer reductions and the element-counting
// instructions.
//
// Reductions read the element size from Zn's descriptor and write the
// result as the low element of Vd (64 bits for UADDV), clearing the rest of
// the register. The counters take the pattern (0..31) and the multiplier
// (1..16); INCB..DECD and the vector INC/DEC have their element size built
// in, INCP reads it from Pm's descriptor. General registers follow the
// zero-register rule, except ADDVL and ADDPL, whose register 31 is SP.
#ifndef QRX_ROUTINES_REDUCE_ROUTINES_H
#define QRX_ROUTINES_REDUCE_ROUTINES_H

#include "qrx/state/cpu_state.h"

kalt64_decode_rc qrx_uaddv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_smaxv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_sminv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_umaxv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_uminv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_andv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_orv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_eorv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn);

// Xdn plus or minus the pattern's count times the multiplier, wrapping.
kalt64_decode_rc qrx_incb_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier);
kalt64_decode_rc qrx_inch_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier);
kalt64_decode_rc qrx_incw_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier);
kalt64_decode_rc qrx_incd_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier);
kalt64_decode_rc qrx_decb_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier);
kalt64_decode_rc qrx_dech_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier);
kalt64_decode_rc qrx_decw_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier);
kalt64_decode_rc qrx_decd_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier);

// Every element of Zdn plus or minus the count, wrapping.
kalt64_decode_rc qrx_inch_zii(cpu_state* s, kalt64_z_reg zdn, unsigned int pattern,
                              unsigned int multiplier);
kalt64_decode_rc qrx_incw_zii(cpu_state* s, kalt64_z_reg zdn, unsigned int pattern,
                              unsigned int multiplier);
kalt64_decode_rc qrx_incd_zii(cpu_state* s, kalt64_z_reg zdn, unsigned int pattern,
                              unsigned int multiplier);
kalt64_decode_rc qrx_dech_zii(cpu_state* s, kalt64_z_reg zdn, unsigned int pattern,
                              unsigned int multiplier);
kalt64_decode_rc qrx_decw_zii(cpu_state* s, kalt64_z_reg zdn, unsigned int pattern,
                              unsigned int multiplier);
kalt64_decode_rc qrx_decd_zii(cpu_state* s, kalt64_z_reg zdn, unsigned int pattern,
                              unsigned int multiplier);

// INCP: Xdn plus the number of active elements of Pm.
kalt64_decode_rc qrx_incp_rp(cpu_state* s, kalt64_i_reg xdn, kalt64_p_reg pm);

// UQDECB: the register, in the width its descriptor gives (64-bit X or
// 32-bit W), minus the count, stopping at 0; the W result is zero-extended.
kalt64_decode_rc qrx_uqdecb_rii(cpu_state* s, kalt64_i_reg rdn, unsigned int pattern,
                                unsigned int multiplier);

// ADDVL / ADDPL: Xd|SP = Xn|SP + imm x the vector (predicate) length in
// bytes. RDVL: Xd = imm x the vector length in bytes.
kalt64_decode_rc qrx_addvl_rri(cpu_state* s, kalt64_i_rsp_reg xd, kalt64_i_rsp_reg xn, int imm);
kalt64_decode_rc qrx_addpl_rri(cpu_state* s, kalt64_i_rsp_reg xd, kalt64_i_rsp_reg xn, int imm);
kalt64_decode_rc qrx_rdvl_ri(cpu_state* s, kalt64_i_reg xd, int imm);

#endif  // QRX_ROUTINES_REDUCE_ROUTINES_H
