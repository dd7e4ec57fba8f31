// Semantic routines of the floating-point conversion family: FDUP, and the
// host-path forms (single and double FSQRT, FRINTA, FRECPE, FRECPS, the
// SCVTF/UCVTF forms the host converts, FMAXNMV and FMINNMV), which compute
// each active element with the host's own instruction (qrx/library/fp_host.h)
// and merge its cumulative flags into fpsr. Every routine builds its result
// before writing it, so the destination may be a source. An element size
// the routine does not take: 2 (not executed).
#ifndef QRX_ROUTINES_FPCONV_ROUTINES_H
#define QRX_ROUTINES_FPCONV_ROUTINES_H

#include <cstdint>

#include "qrx/state/cpu_state.h"

// abcdefgh expanded to each width as the modified floating-point immediate:
// half a:NOT(b):bb:cd:efgh:0{6}, single a:NOT(b):bbbbb:cd:efgh:0{19},
// double the single value widened exactly.
kalt64_qrx_fp_dup_imm fp_dup_imm(unsigned imm8);

// The expanded immediate of the width of T.
template <typename T>
inline T fp_dup_value(const kalt64_qrx_fp_dup_imm& imm) {
  if constexpr (sizeof(T) == 2) return imm.h;
  else if constexpr (sizeof(T) == 4) return imm.s;
  else return imm.d;
}

// FDUP: every element of zd (H, S or D) becomes the immediate; no status is
// read or written.
kalt64_decode_rc qrx_fdup_zi(cpu_state* s, kalt64_z_reg zd, kalt64_qrx_fp_dup_imm imm);

// Predicated, merging: Zd = op(Zn) where active (S or D).
kalt64_decode_rc qrx_fsqrt_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_frinta_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);
// Integers of the element's width to floating point of the same width.
kalt64_decode_rc qrx_scvtf_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_ucvtf_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);
// 32-bit integers to doubles (D elements); 64-bit integers to singles in the
// low half of each D element, the rest cleared.
kalt64_decode_rc qrx_scvtf_s2d_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_ucvtf_s2d_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_scvtf_d2s_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);

// Unpredicated: Zd = FRECPE(Zn); Zd = FRECPS(Zn, Zm).
kalt64_decode_rc qrx_frecpe_zz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn);
kalt64_decode_rc qrx_frecps_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);

// The pairwise maximum- and minimum-number reductions into the low element of
// Vd, the rest of it cleared; no active element gives the default NaN.
kalt64_decode_rc qrx_fmaxnmv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_fminnmv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn);

#endif  // QRX_ROUTINES_FPCONV_ROUTINES_H
