// Semantic routines of the contiguous loads and stores: LD1*, LDNT1*, ST1*,
// STNT1*, the first-fault loads on this path (LDFF1B, LDFF1W, LDFF1D), the
// non-fault loads LDNF1*, LD1R*, and LDR/STR of vector and predicate
// registers.
//
// Each routine is one row of the tables below: its name, the memory element
// (a signed type sign-extends) and the register element. The element size is
// the routine's own, not read from the descriptors; the descriptors give
// the register numbers. Addresses:
//   _zpri          Xn + imm4 * (elements * M), the block size times imm4
//   _scaled_zprr   Xn + Xm * M (Rm = 31: no offset)
//   LD1R*          Xn + imm6 * M
//   LDR, STR       Xn + imm9 * 144 (vector) or * 18 (predicate)
// Every routine returns 0. A fault of a plain access is delivered to the
// application and the routine does not return (guarded_memory.h).
#ifndef QRX_ROUTINES_MEMORY_ROUTINES_H
#define QRX_ROUTINES_MEMORY_ROUTINES_H

#include <cstdint>

#include "qrx/state/cpu_state.h"

// (size suffix, memory element, register element) of every extending load:
// LD1<suffix> in both address forms, LDNF1<suffix>, LD1R<suffix>.
#define QRX_LOAD_SIZES(X)                                                                      \
  X(b, uint8_t, uint8_t) X(b_h, uint8_t, uint16_t) X(b_s, uint8_t, uint32_t) X(b_d, uint8_t, uint64_t) \
  X(sb_h, int8_t, uint16_t) X(sb_s, int8_t, uint32_t) X(sb_d, int8_t, uint64_t)                \
  X(h, uint16_t, uint16_t) X(h_s, uint16_t, uint32_t) X(h_d, uint16_t, uint64_t)               \
  X(sh_s, int16_t, uint32_t) X(sh_d, int16_t, uint64_t)                                        \
  X(w, uint32_t, uint32_t) X(w_d, uint32_t, uint64_t) X(sw_d, int32_t, uint64_t) X(d, uint64_t, uint64_t)

// ST1<suffix>, both address forms.
#define QRX_STORE_SIZES(X)                                                                     \
  X(b, uint8_t, uint8_t) X(b_h, uint8_t, uint16_t) X(b_s, uint8_t, uint32_t) X(b_d, uint8_t, uint64_t) \
  X(h, uint16_t, uint16_t) X(h_s, uint16_t, uint32_t) X(h_d, uint16_t, uint64_t)               \
  X(w, uint32_t, uint32_t) X(w_d, uint32_t, uint64_t) X(d, uint64_t, uint64_t)

// LDNT1<suffix> and STNT1<suffix>: no hint has an effect, they are LD1/ST1.
#define QRX_NONTEMPORAL_SIZES(X) X(b, uint8_t, uint8_t) X(h, uint16_t, uint16_t) X(w, uint32_t, uint32_t) X(d, uint64_t, uint64_t)

// LDFF1<suffix> on the routine path (scalar-plus-scalar only); the other
// first-fault loads are library functions (memory_lib.h).
#define QRX_FIRST_FAULT_SIZES(X) \
  X(b, uint8_t, uint8_t) X(b_h, uint8_t, uint16_t) X(b_s, uint8_t, uint32_t) X(b_d, uint8_t, uint64_t) \
  X(w, uint32_t, uint32_t) X(w_d, uint32_t, uint64_t) X(d, uint64_t, uint64_t)

#define QRX_ZPRI_PARAMS cpu_state *s, kalt64_z_reg zt, kalt64_p_reg pg, kalt64_i_rsp_reg xn, int imm4
#define QRX_ZPRR_PARAMS cpu_state *s, kalt64_z_reg zt, kalt64_p_reg pg, kalt64_i_rsp_reg xn, kalt64_i_reg xm
#define QRX_LD1R_PARAMS cpu_state *s, kalt64_z_reg zt, kalt64_p_reg pg, kalt64_i_rsp_reg xn, unsigned int imm6

#define QRX_DECLARE(prefix, form, params) kalt64_decode_rc qrx_##prefix##form(params);
#define QRX_DECLARE_LOADS(sfx, Mem, Reg)                                          \
  QRX_DECLARE(ld1, sfx##_zpri, QRX_ZPRI_PARAMS) QRX_DECLARE(ld1, sfx##_scaled_zprr, QRX_ZPRR_PARAMS) \
  QRX_DECLARE(ldnf1, sfx##_zpri, QRX_ZPRI_PARAMS) QRX_DECLARE(ld1r, sfx##_zpri, QRX_LD1R_PARAMS)
#define QRX_DECLARE_STORES(sfx, Mem, Reg) \
  QRX_DECLARE(st1, sfx##_zpri, QRX_ZPRI_PARAMS) QRX_DECLARE(st1, sfx##_scaled_zprr, QRX_ZPRR_PARAMS)
#define QRX_DECLARE_NONTEMPORAL(sfx, Mem, Reg)                                                       \
  QRX_DECLARE(ldnt1, sfx##_zpri, QRX_ZPRI_PARAMS) QRX_DECLARE(ldnt1, sfx##_scaled_zprr, QRX_ZPRR_PARAMS) \
  QRX_DECLARE(stnt1, sfx##_zpri, QRX_ZPRI_PARAMS) QRX_DECLARE(stnt1, sfx##_scaled_zprr, QRX_ZPRR_PARAMS)
#define QRX_DECLARE_FIRST_FAULT(sfx, Mem, Reg) QRX_DECLARE(ldff1, sfx##_scaled_zprr, QRX_ZPRR_PARAMS)

QRX_LOAD_SIZES(QRX_DECLARE_LOADS)
QRX_STORE_SIZES(QRX_DECLARE_STORES)
QRX_NONTEMPORAL_SIZES(QRX_DECLARE_NONTEMPORAL)
QRX_FIRST_FAULT_SIZES(QRX_DECLARE_FIRST_FAULT)

#undef QRX_DECLARE
#undef QRX_DECLARE_LOADS
#undef QRX_DECLARE_STORES
#undef QRX_DECLARE_NONTEMPORAL
#undef QRX_DECLARE_FIRST_FAULT

// Register fill and spill, unpredicated: 144 vector bytes, or the 18 bytes
// of a predicate packed bit 0 of byte j at bit j % 8 of byte j / 8.
kalt64_decode_rc qrx_ldr_zri(cpu_state* s, kalt64_z_reg zt, kalt64_i_rsp_reg xn, int imm9);
kalt64_decode_rc qrx_str_zri(cpu_state* s, kalt64_z_reg zt, kalt64_i_rsp_reg xn, int imm9);
kalt64_decode_rc qrx_ldr_pri(cpu_state* s, kalt64_p_reg pt, kalt64_i_rsp_reg xn, int imm9);
kalt64_decode_rc qrx_str_pri(cpu_state* s, kalt64_p_reg pt, kalt64_i_rsp_reg xn, int imm9);

#endif  // QRX_ROUTINES_MEMORY_ROUTINES_H
