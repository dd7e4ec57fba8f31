// Semantic routines of the gathers, scatters and ADR on the routine path,
// and of the structure loads and stores LD2..LD4, ST2..ST4.
//
// Each gather or scatter routine is one row of the tables below: its name,
// the memory element (a signed type sign-extends), the register element and
// the addressing shape (gather_memory.h):
//   _zpzi                    Zn[i] + imm5 * M
//   _zpzr, _sxtw_zpzr, _uxtw_zpzr
//                            Xn|SP + Zm[i] (64-bit, or the low 32 bits
//                            sign- or zero-extended)
//   _scaled_zprz, _sxtw_scaled_zprz, _uxtw_scaled_zprz
//                            the same offsets times M
// A 32-bit element (the _s and S-sized w routines) is a 32-bit offset:
// zero-extended unless the name says sxtw.
//
// Structure routines: N = 2, 3, 4 registers Zt, Zt+1, ... (modulo 32) of
// element size E from one block of N * 144 bytes: register r's element i at
// start + (i * N + r) * E, where start is Xn|SP + imm4 * N * 144 (_zpri) or
// Xn|SP + Xm * E (_scaled_zprr, Rm = 31 adds nothing).
//
// Every routine returns 0. A fault of a plain access is delivered to the
// application and the routine does not return (guarded_memory.h).
#ifndef QRX_ROUTINES_GATHER_ROUTINES_H
#define QRX_ROUTINES_GATHER_ROUTINES_H

#include <cstdint>

#include "qrx/state/cpu_state.h"

// (name, memory element, register element, shape) of every gather load on
// the routine path.
#define QRX_GATHER_LOADS(X)                                                                                    \
  X(ld1b_d_zpzi, uint8_t, uint64_t, VIZ) X(ld1sb_d_zpzi, int8_t, uint64_t, VIZ)                                \
  X(ld1b_d_zpzr, uint8_t, uint64_t, VSZ) X(ld1sb_d_zpzr, int8_t, uint64_t, VSZ)                                \
  X(ld1b_s_sxtw_zpzr, uint8_t, uint32_t, XVSZ) X(ld1sb_s_sxtw_zpzr, int8_t, uint32_t, XVSZ)                    \
  X(ld1b_d_sxtw_zpzr, uint8_t, uint64_t, XVSZ) X(ld1sb_d_sxtw_zpzr, int8_t, uint64_t, XVSZ)                    \
  X(ld1sb_d_uxtw_zpzr, int8_t, uint64_t, YVSZ)                                                                 \
  X(ld1h_d_zpzi, uint16_t, uint64_t, VIZ) X(ld1sh_d_zpzi, int16_t, uint64_t, VIZ)                              \
  X(ld1h_d_zpzr, uint16_t, uint64_t, VSZ) X(ld1sh_d_zpzr, int16_t, uint64_t, VSZ)                              \
  X(ld1h_s_sxtw_zpzr, uint16_t, uint32_t, XVSZ) X(ld1sh_s_sxtw_zpzr, int16_t, uint32_t, XVSZ)                  \
  X(ld1h_d_scaled_zprz, uint16_t, uint64_t, SVZ) X(ld1sh_d_scaled_zprz, int16_t, uint64_t, SVZ)                \
  X(ld1h_s_sxtw_scaled_zprz, uint16_t, uint32_t, XSVZ) X(ld1sh_s_sxtw_scaled_zprz, int16_t, uint32_t, XSVZ)    \
  X(ld1h_d_sxtw_scaled_zprz, uint16_t, uint64_t, XSVZ) X(ld1sh_d_sxtw_scaled_zprz, int16_t, uint64_t, XSVZ)    \
  X(ld1sh_d_uxtw_scaled_zprz, int16_t, uint64_t, YSVZ)                                                         \
  X(ld1w_d_zpzi, uint32_t, uint64_t, VIZ) X(ld1sw_d_zpzi, int32_t, uint64_t, VIZ)                              \
  X(ld1w_d_zpzr, uint32_t, uint64_t, VSZ) X(ld1sw_d_zpzr, int32_t, uint64_t, VSZ)                              \
  X(ld1w_sxtw_zpzr, uint32_t, uint32_t, XVSZ)                                                                  \
  X(ld1w_d_scaled_zprz, uint32_t, uint64_t, SVZ) X(ld1sw_d_scaled_zprz, int32_t, uint64_t, SVZ)                \
  X(ld1w_sxtw_scaled_zprz, uint32_t, uint32_t, XSVZ) X(ld1w_d_sxtw_scaled_zprz, uint32_t, uint64_t, XSVZ)      \
  X(ld1sw_d_sxtw_scaled_zprz, int32_t, uint64_t, XSVZ)                                                         \
  X(ld1d_zpzi, uint64_t, uint64_t, VIZ) X(ld1d_zpzr, uint64_t, uint64_t, VSZ)                                  \
  X(ld1d_scaled_zprz, uint64_t, uint64_t, SVZ) X(ld1d_sxtw_scaled_zprz, uint64_t, uint64_t, XSVZ)              \
  X(ld1d_uxtw_scaled_zprz, uint64_t, uint64_t, YSVZ)

// The scatter stores on the routine path.
#define QRX_SCATTER_STORES(X)                                                                                  \
  X(st1b_d_zpzi, uint8_t, uint64_t, VIZ) X(st1b_d_zpzr, uint8_t, uint64_t, VSZ)                                \
  X(st1b_s_sxtw_zpzr, uint8_t, uint32_t, XVSZ) X(st1b_d_sxtw_zpzr, uint8_t, uint64_t, XVSZ)                    \
  X(st1h_d_zpzi, uint16_t, uint64_t, VIZ) X(st1h_d_zpzr, uint16_t, uint64_t, VSZ)                              \
  X(st1h_s_sxtw_zpzr, uint16_t, uint32_t, XVSZ) X(st1h_d_scaled_zprz, uint16_t, uint64_t, SVZ)                 \
  X(st1h_s_sxtw_scaled_zprz, uint16_t, uint32_t, XSVZ) X(st1h_d_sxtw_scaled_zprz, uint16_t, uint64_t, XSVZ)    \
  X(st1w_d_zpzi, uint32_t, uint64_t, VIZ) X(st1w_d_zpzr, uint32_t, uint64_t, VSZ)                              \
  X(st1w_sxtw_zpzr, uint32_t, uint32_t, XVSZ) X(st1w_d_scaled_zprz, uint32_t, uint64_t, SVZ)                   \
  X(st1w_sxtw_scaled_zprz, uint32_t, uint32_t, XSVZ) X(st1w_d_sxtw_scaled_zprz, uint32_t, uint64_t, XSVZ)      \
  X(st1w_d_uxtw_scaled_zprz, uint32_t, uint64_t, YSVZ)                                                         \
  X(st1d_zpzi, uint64_t, uint64_t, VIZ) X(st1d_zpzr, uint64_t, uint64_t, VSZ)                                  \
  X(st1d_scaled_zprz, uint64_t, uint64_t, SVZ) X(st1d_sxtw_scaled_zprz, uint64_t, uint64_t, XSVZ)              \
  X(st1d_uxtw_scaled_zprz, uint64_t, uint64_t, YSVZ)

// (N, size suffix, element) of the structure loads and stores.
#define QRX_STRUCTURES(X)                                                                      \
  X(2, b, uint8_t) X(2, h, uint16_t) X(2, w, uint32_t) X(2, d, uint64_t)                       \
  X(3, b, uint8_t) X(3, h, uint16_t) X(3, w, uint32_t) X(3, d, uint64_t)                       \
  X(4, b, uint8_t) X(4, h, uint16_t) X(4, w, uint32_t) X(4, d, uint64_t)

// Parameters by shape: vector plus immediate, or scalar plus vector.
#define QRX_GATHER_PARAMS_VI cpu_state *s, kalt64_z_reg zt, kalt64_p_reg pg, kalt64_z_reg zn, unsigned int imm5
#define QRX_GATHER_PARAMS_SV cpu_state *s, kalt64_z_reg zt, kalt64_p_reg pg, kalt64_i_rsp_reg xn, kalt64_z_reg zm
#define QRX_GATHER_PARAMS_VIZ QRX_GATHER_PARAMS_VI
#define QRX_GATHER_PARAMS_VSZ QRX_GATHER_PARAMS_SV
#define QRX_GATHER_PARAMS_XVSZ QRX_GATHER_PARAMS_SV
#define QRX_GATHER_PARAMS_YVSZ QRX_GATHER_PARAMS_SV
#define QRX_GATHER_PARAMS_SVZ QRX_GATHER_PARAMS_SV
#define QRX_GATHER_PARAMS_XSVZ QRX_GATHER_PARAMS_SV
#define QRX_GATHER_PARAMS_YSVZ QRX_GATHER_PARAMS_SV

#define QRX_DECLARE_GATHER(name, Mem, Reg, shape) kalt64_decode_rc qrx_##name(QRX_GATHER_PARAMS_##shape);
#define QRX_DECLARE_STRUCTURES(n, sfx, Elem)                                                                      \
  kalt64_decode_rc qrx_ld##n##sfx##_zpri(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg, kalt64_i_rsp_reg xn,     \
                                         int imm4);                                                               \
  kalt64_decode_rc qrx_st##n##sfx##_zpri(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg, kalt64_i_rsp_reg xn,     \
                                         int imm4);                                                               \
  kalt64_decode_rc qrx_ld##n##sfx##_scaled_zprr(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg,                   \
                                                kalt64_i_rsp_reg xn, kalt64_i_reg xm);                            \
  kalt64_decode_rc qrx_st##n##sfx##_scaled_zprr(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg,                   \
                                                kalt64_i_rsp_reg xn, kalt64_i_reg xm);

QRX_GATHER_LOADS(QRX_DECLARE_GATHER)
QRX_SCATTER_STORES(QRX_DECLARE_GATHER)
QRX_STRUCTURES(QRX_DECLARE_STRUCTURES)

#undef QRX_DECLARE_GATHER
#undef QRX_DECLARE_STRUCTURES

// ADR with D elements: Zd[i] = Zn[i] + (Zm[i] << k), k from encoding bits
// 11..10 of the stored word.
kalt64_decode_rc qrx_adr_scaled_zzz(cpu_state* s, kalt64_z_reg zd, kalt64_z_reg zn, kalt64_z_reg zm);

#endif  // QRX_ROUTINES_GATHER_ROUTINES_H
