// Semantic routines of the sign- and zero-extensions: Zd = the low 8, 16 or
// 32 bits of Zn extended to the element where Pg is active, Zd unchanged
// elsewhere (merging). The element size comes from Zd's descriptor; a size
// no wider than the extended part (SXTW/UXTW on anything but D) is not
// executed. Zd may be Zn.
#ifndef QRX_ROUTINES_UNARY_ROUTINES_H
#define QRX_ROUTINES_UNARY_ROUTINES_H

#include "qrx/state/cpu_state.h"

kalt64_decode_rc qrx_sxtb_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_sxth_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_sxtw_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_uxth_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);
kalt64_decode_rc qrx_uxtw_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn);

#endif  // QRX_ROUTINES_UNARY_ROUTINES_H
