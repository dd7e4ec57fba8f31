// Semantic routines of the host-path floating-point instructions (single and
// double; half-precision forms take the library path). Each computes every
// active element with the host's own instruction for its operation, under the
// register file's control bits, and ORs the raised cumulative flags into
// fpsr (qrx/library/fp_host.h); inactive elements are never computed. The
// element size comes from the destination descriptor. Results are built in a
// local buffer, so the destination may be any source.
#ifndef QRX_ROUTINES_FPARITH_ROUTINES_H
#define QRX_ROUTINES_FPARITH_ROUTINES_H

#include "qrx/state/cpu_state.h"

// Predicated, destructive: Zdn = Zdn op Zm where active (merging).
kalt64_decode_rc qrx_fadd_zpz(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg, kalt64_z_reg zm);

// Unpredicated: Zd = Zn op Zm.
kalt64_decode_rc qrx_fadd_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);

// Predicated with an immediate: Zdn = Zdn op constant where active.
kalt64_decode_rc qrx_fadd_zpi(cpu_state* s, kalt64_z_reg zdn, kalt64_p_reg pg,
                              kalt64_qrx_fp_arith_imm imm);

#endif  // QRX_ROUTINES_FPARITH_ROUTINES_H
