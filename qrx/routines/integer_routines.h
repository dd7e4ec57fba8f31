// Semantic routines of the integer arithmetic, logic and shift instructions.
//
// Each routine serves every element size: it reads the size from the vector
// descriptor named below and the governing predicate's kind from its
// descriptor, and returns 2 (not executed) for a code it does not expect.
// Routines with a vector source build the whole result in a local buffer
// and copy it once, so the destination may be any source.
//
// Element size is read from: Zdn for the destructive predicated forms, the
// immediate forms, the multiply-accumulates and the divisions; Zm for
// SMAX/SMIN/UMAX/UMIN; Zd for NEG, MOVPRFX, INDEX and the unpredicated forms.
#ifndef QRX_ROUTINES_INTEGER_ROUTINES_H
#define QRX_ROUTINES_INTEGER_ROUTINES_H

#include "qrx/state/cpu_state.h"

// Predicated, destructive, merging: Zdn = Zdn op Zm where Pg is active.
kalt64_decode_rc qrx_add_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_sub_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_mul_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_and_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_orr_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_eor_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_bic_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_smax_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_smin_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_umax_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_umin_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_lsl_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_lsr_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_asr_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
// Divisions, S and D elements only; DIVR divides Zm by Zdn.
kalt64_decode_rc qrx_sdiv_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_udiv_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_sdivr_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
kalt64_decode_rc qrx_udivr_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
// Predicated unary, merging into Zd: Zd = -Zn / Zd = Zn where Pg is active.
// MOVPRFX also takes a zeroing predicate (inactive elements become 0).
kalt64_decode_rc qrx_neg_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_movprfx_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);

// Unpredicated: Zd = Zn op Zm. The logic forms work on 64-bit lanes.
kalt64_decode_rc qrx_add_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);
kalt64_decode_rc qrx_sub_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);
kalt64_decode_rc qrx_and_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);
kalt64_decode_rc qrx_orr_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);
kalt64_decode_rc qrx_eor_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);
kalt64_decode_rc qrx_bic_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);
kalt64_decode_rc qrx_movprfx_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn);

// Unpredicated, destructive, immediate: Zdn = Zdn op imm.
kalt64_decode_rc qrx_add_zi(cpu_state* s, kalt64_z_reg zdn, unsigned int imm);
kalt64_decode_rc qrx_sub_zi(cpu_state* s, kalt64_z_reg zdn, unsigned int imm);
kalt64_decode_rc qrx_mul_zi(cpu_state* s, kalt64_z_reg zdn, int imm);
kalt64_decode_rc qrx_and_zi(cpu_state* s, kalt64_z_reg zdn, kalt64_qrx_logical64_imm imm);
kalt64_decode_rc qrx_orr_zi(cpu_state* s, kalt64_z_reg zdn, kalt64_qrx_logical64_imm imm);
kalt64_decode_rc qrx_eor_zi(cpu_state* s, kalt64_z_reg zdn, kalt64_qrx_logical64_imm imm);
// Every 64-bit lane of Zd becomes the pattern.
kalt64_decode_rc qrx_dupm_zi(cpu_state* s, kalt64_z_reg zd, kalt64_qrx_logical64_imm imm);

// Shifts by immediate, predicated (destructive) and unpredicated.
kalt64_decode_rc qrx_lsl_zpi(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, unsigned int shift);
kalt64_decode_rc qrx_asr_zpi(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, unsigned int shift);
kalt64_decode_rc qrx_lsl_zzi(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, unsigned int shift);
kalt64_decode_rc qrx_asr_zzi(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, unsigned int shift);

// Multiply-accumulate, merging into the first operand:
// MLA/MLS Zda = Zda +- Zn x Zm; MAD/MSB Zdn = Za +- Zdn x Zm.
kalt64_decode_rc qrx_mla_zpzz(cpu_state* s, kalt64_z_reg zda, kalt64_p_reg pg, kalt64_z_reg zn,
                              kalt64_z_reg zm);
kalt64_decode_rc qrx_mls_zpzz(cpu_state* s, kalt64_z_reg zda, kalt64_p_reg pg, kalt64_z_reg zn,
                              kalt64_z_reg zm);
kalt64_decode_rc qrx_mad_zpzz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm,
                              kalt64_z_reg za);
kalt64_decode_rc qrx_msb_zpzz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm,
                              kalt64_z_reg za);

// INDEX: Zd[i] = base + i x step, from immediates or general registers.
kalt64_decode_rc qrx_index_zii(cpu_state* s, kalt64_z_reg zd, int base, int step);
kalt64_decode_rc qrx_index_zir(cpu_state* s, kalt64_z_reg zd, int base, kalt64_i_reg step);
kalt64_decode_rc qrx_index_zri(cpu_state* s, kalt64_z_reg zd, kalt64_i_reg base, int step);
kalt64_decode_rc qrx_index_zrr(cpu_state* s, kalt64_z_reg zd, kalt64_i_reg base, kalt64_i_reg step);

#endif  // QRX_ROUTINES_INTEGER_ROUTINES_H
