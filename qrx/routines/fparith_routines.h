// Semantic routines of the host-path floating-point instructions (single and
// double; half-precision forms take the library path). Each computes every
// active element with the host's own instruction for its operation, under the
// register file's control bits, and ORs the raised cumulative flags into
// fpsr (qrx/library/fp_host.h); inactive elements are never computed. The
// element size comes from the destination descriptor (Zdn: qual2; Zd and Pd:
// qual). Results are built in a local buffer, so the destination may be any
// source.
#ifndef QRX_ROUTINES_FPARITH_ROUTINES_H
#define QRX_ROUTINES_FPARITH_ROUTINES_H

#include "qrx/state/cpu_state.h"

// Predicated, destructive: Zdn = Zdn op Zm where active (merging); the R
// forms compute Zm op Zdn.
#define QRX_FP_ZPZ(NAME) \
  kalt64_decode_rc NAME(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);
QRX_FP_ZPZ(qrx_fadd_zpz)
QRX_FP_ZPZ(qrx_fsub_zpz)
QRX_FP_ZPZ(qrx_fsubr_zpz)
QRX_FP_ZPZ(qrx_fmul_zpz)
QRX_FP_ZPZ(qrx_fdiv_zpz)
QRX_FP_ZPZ(qrx_fdivr_zpz)
QRX_FP_ZPZ(qrx_fmax_zpz)
QRX_FP_ZPZ(qrx_fmaxnm_zpz)
QRX_FP_ZPZ(qrx_fminnm_zpz)
#undef QRX_FP_ZPZ

// Unpredicated: Zd = Zn op Zm.
kalt64_decode_rc qrx_fadd_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);
kalt64_decode_rc qrx_fsub_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);
kalt64_decode_rc qrx_fmul_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);

// Predicated with an immediate: Zdn = Zdn op constant where active (FSUBR:
// constant - Zdn); the selector picks 0.5 or 1.0 (FADD, FSUB, FSUBR), 0.5
// or 2.0 (FMUL).
kalt64_decode_rc qrx_fadd_zpi(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg,
                              kalt64_qrx_fp_arith_imm imm);
kalt64_decode_rc qrx_fsub_zpi(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg,
                              kalt64_qrx_fp_arith_imm imm);
kalt64_decode_rc qrx_fsubr_zpi(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg,
                               kalt64_qrx_fp_arith_imm imm);
kalt64_decode_rc qrx_fmul_zpi(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg,
                              kalt64_qrx_fp_arith_imm imm);

// FNEG: Zd = -Zn where active (the sign bit flipped, also of a NaN; no
// flag), Zd elsewhere.
kalt64_decode_rc qrx_fneg_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);

// FNMLA: Zda = -Zda - Zn x Zm where active, one rounding, NaN operands in
// the order Zda, Zn, Zm.
kalt64_decode_rc qrx_fnmla_zpzz(cpu_state* s, kalt64_z_reg zda, kalt64_p_reg pg, kalt64_z_reg zn,
                                kalt64_z_reg zm);

// Compares into a zeroing predicate (inactive elements false); the condition
// flags are left alone. Vectors: Zn cond Zm; zero: Zn cond +0.0.
#define QRX_FP_CMP(NAME)                                                                 \
  kalt64_decode_rc NAME(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn, \
                        kalt64_z_reg zm);
#define QRX_FP_CMP0(NAME) \
  kalt64_decode_rc NAME(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_z_reg zn);
QRX_FP_CMP(qrx_fcmeq_ppzz)
QRX_FP_CMP(qrx_fcmne_ppzz)
QRX_FP_CMP(qrx_fcmge_ppzz)
QRX_FP_CMP(qrx_fcmgt_ppzz)
QRX_FP_CMP(qrx_fcmuo_ppzz)
QRX_FP_CMP0(qrx_fcmeq_ppz0)
QRX_FP_CMP0(qrx_fcmge_ppz0)
QRX_FP_CMP0(qrx_fcmgt_ppz0)
QRX_FP_CMP0(qrx_fcmle_ppz0)
QRX_FP_CMP0(qrx_fcmlt_ppz0)
#undef QRX_FP_CMP
#undef QRX_FP_CMP0

#endif  // QRX_ROUTINES_FPARITH_ROUTINES_H
