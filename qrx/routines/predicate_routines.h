// Semantic routines of the predicate and condition-flag instructions.
//
// They work on the register file's unpacked predicates, complete a result
// before storing it (or go byte by byte where result bit j depends only on
// the sources' bit j), so a destination may also be a source, and set flags
// by the predicate test. A descriptor code they do not expect
// makes them return 2 without changing anything.
#ifndef QRX_ROUTINES_PREDICATE_ROUTINES_H
#define QRX_ROUTINES_PREDICATE_ROUTINES_H

#include "qrx/state/cpu_state.h"

// Predicate logic, byte-granular: bits where Pg is 0 become 0 under a
// zeroing Pg and keep Pd's bit otherwise.
kalt64_decode_rc qrx_and_pppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn,
                              kalt64_p_reg pm);
kalt64_decode_rc qrx_bic_pppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn,
                              kalt64_p_reg pm);
kalt64_decode_rc qrx_orr_pppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn,
                              kalt64_p_reg pm);
kalt64_decode_rc qrx_nor_pppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn,
                              kalt64_p_reg pm);
kalt64_decode_rc qrx_eor_pppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn,
                              kalt64_p_reg pm);

// PTRUE (element size in pd.qual) and PFALSE.
kalt64_decode_rc qrx_ptrue_pi(cpu_state* s, kalt64_p_reg pd, unsigned pattern);
kalt64_decode_rc qrx_pfalse_p(cpu_state* s, kalt64_p_reg pd);

// PNEXT: Pdn carries its element size in qual2; Pv is a governing predicate.
kalt64_decode_rc qrx_pnext_pp(cpu_state* s, kalt64_p_reg pdn, kalt64_p_reg pv);

// PTEST: flags of Pn under Pg, byte elements.
kalt64_decode_rc qrx_ptest_pp(cpu_state* s, kalt64_p_reg pg, kalt64_p_reg pn);

// BRKA, BRKB under a merging or zeroing Pg.
kalt64_decode_rc qrx_brka_ppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn);
kalt64_decode_rc qrx_brkb_ppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn);

// BRKN, BRKNS.
kalt64_decode_rc qrx_brkn(cpu_state* s, kalt64_p_reg pdm, kalt64_p_reg pg, kalt64_p_reg pn,
                          bool set_flags);
kalt64_decode_rc qrx_brkn_ppp(cpu_state* s, kalt64_p_reg pdm, kalt64_p_reg pg, kalt64_p_reg pn);
kalt64_decode_rc qrx_brkns_ppp(cpu_state* s, kalt64_p_reg pdm, kalt64_p_reg pg, kalt64_p_reg pn);

// BRKPB, BRKPBS.
kalt64_decode_rc qrx_brkpb(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn,
                           kalt64_p_reg pm, bool set_flags);
kalt64_decode_rc qrx_brkpb_pppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn,
                                kalt64_p_reg pm);
kalt64_decode_rc qrx_brkpbs_pppp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn,
                                 kalt64_p_reg pm);

// WHILELT (signed <), WHILELO (unsigned <), WHILELS (unsigned <=); Rn and Rm
// both 32-bit (W) or both 64-bit (X).
kalt64_decode_rc qrx_whilelt_prr(cpu_state* s, kalt64_p_reg pd, kalt64_i_reg rn, kalt64_i_reg rm);
kalt64_decode_rc qrx_whilelo_prr(cpu_state* s, kalt64_p_reg pd, kalt64_i_reg rn, kalt64_i_reg rm);
kalt64_decode_rc qrx_whilels_prr(cpu_state* s, kalt64_p_reg pd, kalt64_i_reg rn, kalt64_i_reg rm);

// CNTP: elements true in both Pg and Pn (Pn's element size) into Xd.
kalt64_decode_rc qrx_cntp_rpp(cpu_state* s, kalt64_i_reg xd, kalt64_p_reg pg, kalt64_p_reg pn);

// First-fault register: SETFFR, RDFFR (unpredicated and Pg/Z), WRFFR.
kalt64_decode_rc qrx_setffr(cpu_state* s);
kalt64_decode_rc qrx_rdffr_p(cpu_state* s, kalt64_p_reg pd);
kalt64_decode_rc qrx_rdffr_pp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg);
kalt64_decode_rc qrx_wrffr_p(cpu_state* s, kalt64_p_reg pn);

#endif  // QRX_ROUTINES_PREDICATE_ROUTINES_H
