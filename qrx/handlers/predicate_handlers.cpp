// Predicate and condition-flag handlers: predicate logic, PTRUE/PTRUES,
// PFALSE, PFIRST, PNEXT, PTEST, the breaks, WHILE, CNTP, CTERM and the
// first-fault register. Each handler binds its operand fields to one
// semantic routine or one library function through the shapes below.
#include "qrx/decode/handler_decls.h"
#include "qrx/handlers/handler_support.h"
#include "qrx/library/predicate_lib.h"
#include "qrx/routines/predicate_routines.h"

namespace qrx {
namespace handlers {

namespace {

using P = kalt64_p_reg;
using I = kalt64_i_reg;

// Operand fields shared by the forms of this family.
unsigned pd(unsigned w) { return field(w, 3, 0); }     // Pd, Pdn, Pdm
unsigned pg(unsigned w) { return field(w, 13, 10); }   // Pg of the logic, break, PTEST, CNTP forms
unsigned pn(unsigned w) { return field(w, 8, 5); }     // Pn; also Pg of PFIRST, Pv of PNEXT, Pg of RDFFR
unsigned pm(unsigned w) { return field(w, 19, 16); }   // Pm
unsigned rn(unsigned w) { return field(w, 9, 5); }     // Rn of WHILE and CTERM
unsigned rm(unsigned w) { return field(w, 20, 16); }   // Rm of WHILE and CTERM
unsigned pattern(unsigned w) { return field(w, 9, 5); }

// ----- Routine shapes ------------------------------------------------------

// Pd.B, Pg/Z, Pn.B, Pm.B: the logic forms and BRKPB(S).
using Routine4 = kalt64_decode_rc (*)(cpu_state*, P, P, P, P);
kalt64_decode_rc routine_pppp(Routine4 r, cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return r(s, p_operand(pd(w), ESIZE_B), p_operand(pg(w), P::ZEROING), p_operand(pn(w), ESIZE_B),
           p_operand(pm(w), ESIZE_B));
}

// BRKA, BRKB: Pd.B, Pg/M or Pg/Z, Pn.B.
using Routine3 = kalt64_decode_rc (*)(cpu_state*, P, P, P);
kalt64_decode_rc break_routine(Routine3 r, unsigned kind, cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return r(s, p_operand(pd(w), ESIZE_B), p_operand(pg(w), kind), p_operand(pn(w), ESIZE_B));
}

// BRKN(S): Pdm.B (destination and source), Pg/Z, Pn.B.
kalt64_decode_rc brkn_routine(Routine3 r, cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return r(s, p_destructive(pd(w), ESIZE_B), p_operand(pg(w), P::ZEROING), p_operand(pn(w), ESIZE_B));
}

template <unsigned kEsize>
kalt64_decode_rc ptrue_routine(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return qrx_ptrue_pi(s, p_operand(pd(w), kEsize), pattern(w));
}

template <unsigned kEsize>
kalt64_decode_rc pnext_routine(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return qrx_pnext_pp(s, p_destructive(pd(w), kEsize), p_operand(pn(w), P::GOVERNING));
}

// WHILE on W (kWidth W32) or X (W64) operands.
using WhileRoutine = kalt64_decode_rc (*)(cpu_state*, P, kalt64_i_reg, kalt64_i_reg);
template <unsigned kEsize, unsigned kWidth>
kalt64_decode_rc while_routine(WhileRoutine r, cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return r(s, p_operand(pd(w), kEsize), i_operand(rn(w), kWidth), i_operand(rm(w), kWidth));
}

template <unsigned kEsize>
kalt64_decode_rc cntp_routine(cpu_state* s, unsigned w) {
  begin_routine(s, w);
  return qrx_cntp_rpp(s, i_operand(field(w, 4, 0), I::W64), p_operand(pg(w), P::GOVERNING),
                      p_operand(pn(w), kEsize));
}

// ----- Library shapes ------------------------------------------------------

// Pd = f(Pg, Pn, Pm): ORN, NAND, the Flg logic forms, BRKPA(S).
using Library3 = PredV (*)(PredV, PredV, PredV, CpuContext*);
kalt64_decode_rc library_pppp(Library3 f, cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_pred(s, pd(w), f(read_pred(s, pg(w)), read_pred(s, pn(w)), read_pred(s, pm(w)), ctx));
  });
}

// Pd = f(P1, P2): BRKAS, BRKBS (Pg, Pn) and PFIRST (Pg at bits 8..5, Pdn).
using Library2 = PredV (*)(PredV, PredV, CpuContext*);
kalt64_decode_rc library_ppp(Library2 f, unsigned first, unsigned second, cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_pred(s, pd(w), f(read_pred(s, first), read_pred(s, second), ctx));
  });
}

kalt64_decode_rc ptrues_library(PredV (*f)(unsigned long, CpuContext*), cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) { write_pred(s, pd(w), f(pattern(w), ctx)); });
}

// WHILELE on int32_t (W) or int64_t (X) operands; the W form takes the low
// half of the X register.
template <typename T>
kalt64_decode_rc while_library(PredV (*f)(T, T, CpuContext*), cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_pred(s, pd(w), f(static_cast<T>(read_xzr(s, rn(w))), static_cast<T>(read_xzr(s, rm(w))), ctx));
  });
}

template <typename T>
kalt64_decode_rc cterm_library(void (*f)(T, T, CpuContext*), cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    f(static_cast<T>(read_xzr(s, rn(w))), static_cast<T>(read_xzr(s, rm(w))), ctx);
  });
}

}  // namespace

// Predicate logic.
kalt64_decode_rc VecPAndPPZ(cpu_state* s, unsigned int w) { return routine_pppp(qrx_and_pppp, s, w); }
kalt64_decode_rc VecPBicPPZ(cpu_state* s, unsigned int w) { return routine_pppp(qrx_bic_pppp, s, w); }
kalt64_decode_rc VecPOrPPZ(cpu_state* s, unsigned int w) { return routine_pppp(qrx_orr_pppp, s, w); }
kalt64_decode_rc VecPNorPPZ(cpu_state* s, unsigned int w) { return routine_pppp(qrx_nor_pppp, s, w); }
kalt64_decode_rc VecPXorPPZ(cpu_state* s, unsigned int w) { return routine_pppp(qrx_eor_pppp, s, w); }
kalt64_decode_rc VecPOrNPPZ(cpu_state* s, unsigned int w) { return library_pppp(::VecPOrNPPZ, s, w); }
kalt64_decode_rc VecPNandPPZ(cpu_state* s, unsigned int w) { return library_pppp(::VecPNandPPZ, s, w); }
kalt64_decode_rc VecPAndFlgPPZ(cpu_state* s, unsigned int w) { return library_pppp(::VecPAndFlgPPZ, s, w); }
kalt64_decode_rc VecPBicFlgPPZ(cpu_state* s, unsigned int w) { return library_pppp(::VecPBicFlgPPZ, s, w); }
kalt64_decode_rc VecPOrFlgPPZ(cpu_state* s, unsigned int w) { return library_pppp(::VecPOrFlgPPZ, s, w); }
kalt64_decode_rc VecPOrNFlgPPZ(cpu_state* s, unsigned int w) { return library_pppp(::VecPOrNFlgPPZ, s, w); }
kalt64_decode_rc VecPNorFlgPPZ(cpu_state* s, unsigned int w) { return library_pppp(::VecPNorFlgPPZ, s, w); }
kalt64_decode_rc VecPNandFlgPPZ(cpu_state* s, unsigned int w) { return library_pppp(::VecPNandFlgPPZ, s, w); }
kalt64_decode_rc VecPXorFlgPPZ(cpu_state* s, unsigned int w) { return library_pppp(::VecPXorFlgPPZ, s, w); }

// PTRUE, PTRUES, PFALSE.
kalt64_decode_rc VecP8TrueI(cpu_state* s, unsigned int w) { return ptrue_routine<ESIZE_B>(s, w); }
kalt64_decode_rc VecP16TrueI(cpu_state* s, unsigned int w) { return ptrue_routine<ESIZE_H>(s, w); }
kalt64_decode_rc VecP32TrueI(cpu_state* s, unsigned int w) { return ptrue_routine<ESIZE_S>(s, w); }
kalt64_decode_rc VecP64TrueI(cpu_state* s, unsigned int w) { return ptrue_routine<ESIZE_D>(s, w); }
kalt64_decode_rc VecP8TrueFlgI(cpu_state* s, unsigned int w) { return ptrues_library(::VecP8TrueFlgI, s, w); }
kalt64_decode_rc VecP16TrueFlgI(cpu_state* s, unsigned int w) { return ptrues_library(::VecP16TrueFlgI, s, w); }
kalt64_decode_rc VecP32TrueFlgI(cpu_state* s, unsigned int w) { return ptrues_library(::VecP32TrueFlgI, s, w); }
kalt64_decode_rc VecP64TrueFlgI(cpu_state* s, unsigned int w) { return ptrues_library(::VecP64TrueFlgI, s, w); }
kalt64_decode_rc VecPFalse(cpu_state* s, unsigned int w) {
  begin_routine(s, w);
  return qrx_pfalse_p(s, p_operand(pd(w), ESIZE_B));
}

// PFIRST, PNEXT, PTEST.
kalt64_decode_rc VecPSetFirstActiveP(cpu_state* s, unsigned int w) {
  return library_ppp(::VecPSetFirstActiveP, pn(w), pd(w), s, w);
}
kalt64_decode_rc VecP8GenNextP(cpu_state* s, unsigned int w) { return pnext_routine<ESIZE_B>(s, w); }
kalt64_decode_rc VecP16GenNextP(cpu_state* s, unsigned int w) { return pnext_routine<ESIZE_H>(s, w); }
kalt64_decode_rc VecP32GenNextP(cpu_state* s, unsigned int w) { return pnext_routine<ESIZE_S>(s, w); }
kalt64_decode_rc VecP64GenNextP(cpu_state* s, unsigned int w) { return pnext_routine<ESIZE_D>(s, w); }
kalt64_decode_rc VecPTestPZ(cpu_state* s, unsigned int w) {
  begin_routine(s, w);
  return qrx_ptest_pp(s, p_operand(pg(w), P::GOVERNING), p_operand(pn(w), ESIZE_B));
}

// Breaks.
kalt64_decode_rc VecPBreakAPM(cpu_state* s, unsigned int w) { return break_routine(qrx_brka_ppp, P::MERGING, s, w); }
kalt64_decode_rc VecPBreakAPZ(cpu_state* s, unsigned int w) { return break_routine(qrx_brka_ppp, P::ZEROING, s, w); }
kalt64_decode_rc VecPBreakBPM(cpu_state* s, unsigned int w) { return break_routine(qrx_brkb_ppp, P::MERGING, s, w); }
kalt64_decode_rc VecPBreakBPZ(cpu_state* s, unsigned int w) { return break_routine(qrx_brkb_ppp, P::ZEROING, s, w); }
kalt64_decode_rc VecPBreakAFlgPZ(cpu_state* s, unsigned int w) {
  return library_ppp(::VecPBreakAFlgPZ, pg(w), pn(w), s, w);
}
kalt64_decode_rc VecPBreakBFlgPZ(cpu_state* s, unsigned int w) {
  return library_ppp(::VecPBreakBFlgPZ, pg(w), pn(w), s, w);
}
kalt64_decode_rc VecPBreakNextPZ(cpu_state* s, unsigned int w) { return brkn_routine(qrx_brkn_ppp, s, w); }
kalt64_decode_rc VecPBreakNextFlgPZ(cpu_state* s, unsigned int w) { return brkn_routine(qrx_brkns_ppp, s, w); }
kalt64_decode_rc VecPBreakPrevAPZ(cpu_state* s, unsigned int w) { return library_pppp(::VecPBreakPrevAPZ, s, w); }
kalt64_decode_rc VecPBreakPrevAFlgPZ(cpu_state* s, unsigned int w) {
  return library_pppp(::VecPBreakPrevAFlgPZ, s, w);
}
kalt64_decode_rc VecPBreakPrevBPZ(cpu_state* s, unsigned int w) { return routine_pppp(qrx_brkpb_pppp, s, w); }
kalt64_decode_rc VecPBreakPrevBFlgPZ(cpu_state* s, unsigned int w) { return routine_pppp(qrx_brkpbs_pppp, s, w); }

// WHILELT (signed <), WHILELE (signed <=), WHILELO (unsigned <), WHILELS
// (unsigned <=); While4 on W registers, While8 on X registers.
kalt64_decode_rc VecS8While4LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_B, I::W32>(qrx_whilelt_prr, s, w); }
kalt64_decode_rc VecS16While4LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_H, I::W32>(qrx_whilelt_prr, s, w); }
kalt64_decode_rc VecS32While4LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_S, I::W32>(qrx_whilelt_prr, s, w); }
kalt64_decode_rc VecS64While4LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_D, I::W32>(qrx_whilelt_prr, s, w); }
kalt64_decode_rc VecS8While8LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_B, I::W64>(qrx_whilelt_prr, s, w); }
kalt64_decode_rc VecS16While8LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_H, I::W64>(qrx_whilelt_prr, s, w); }
kalt64_decode_rc VecS32While8LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_S, I::W64>(qrx_whilelt_prr, s, w); }
kalt64_decode_rc VecS64While8LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_D, I::W64>(qrx_whilelt_prr, s, w); }
kalt64_decode_rc VecU8While4LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_B, I::W32>(qrx_whilelo_prr, s, w); }
kalt64_decode_rc VecU16While4LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_H, I::W32>(qrx_whilelo_prr, s, w); }
kalt64_decode_rc VecU32While4LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_S, I::W32>(qrx_whilelo_prr, s, w); }
kalt64_decode_rc VecU64While4LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_D, I::W32>(qrx_whilelo_prr, s, w); }
kalt64_decode_rc VecU8While8LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_B, I::W64>(qrx_whilelo_prr, s, w); }
kalt64_decode_rc VecU16While8LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_H, I::W64>(qrx_whilelo_prr, s, w); }
kalt64_decode_rc VecU32While8LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_S, I::W64>(qrx_whilelo_prr, s, w); }
kalt64_decode_rc VecU64While8LTSS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_D, I::W64>(qrx_whilelo_prr, s, w); }
kalt64_decode_rc VecU8While4LESS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_B, I::W32>(qrx_whilels_prr, s, w); }
kalt64_decode_rc VecU16While4LESS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_H, I::W32>(qrx_whilels_prr, s, w); }
kalt64_decode_rc VecU32While4LESS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_S, I::W32>(qrx_whilels_prr, s, w); }
kalt64_decode_rc VecU64While4LESS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_D, I::W32>(qrx_whilels_prr, s, w); }
kalt64_decode_rc VecU8While8LESS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_B, I::W64>(qrx_whilels_prr, s, w); }
kalt64_decode_rc VecU16While8LESS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_H, I::W64>(qrx_whilels_prr, s, w); }
kalt64_decode_rc VecU32While8LESS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_S, I::W64>(qrx_whilels_prr, s, w); }
kalt64_decode_rc VecU64While8LESS(cpu_state* s, unsigned int w) { return while_routine<ESIZE_D, I::W64>(qrx_whilels_prr, s, w); }
kalt64_decode_rc VecS8While4LESS(cpu_state* s, unsigned int w) { return while_library(::VecS8While4LESS, s, w); }
kalt64_decode_rc VecS16While4LESS(cpu_state* s, unsigned int w) { return while_library(::VecS16While4LESS, s, w); }
kalt64_decode_rc VecS32While4LESS(cpu_state* s, unsigned int w) { return while_library(::VecS32While4LESS, s, w); }
kalt64_decode_rc VecS64While4LESS(cpu_state* s, unsigned int w) { return while_library(::VecS64While4LESS, s, w); }
kalt64_decode_rc VecS8While8LESS(cpu_state* s, unsigned int w) { return while_library(::VecS8While8LESS, s, w); }
kalt64_decode_rc VecS16While8LESS(cpu_state* s, unsigned int w) { return while_library(::VecS16While8LESS, s, w); }
kalt64_decode_rc VecS32While8LESS(cpu_state* s, unsigned int w) { return while_library(::VecS32While8LESS, s, w); }
kalt64_decode_rc VecS64While8LESS(cpu_state* s, unsigned int w) { return while_library(::VecS64While8LESS, s, w); }

// CNTP, CTERMEQ, CTERMNE.
kalt64_decode_rc VecU8SCountP(cpu_state* s, unsigned int w) { return cntp_routine<ESIZE_B>(s, w); }
kalt64_decode_rc VecU16SCountP(cpu_state* s, unsigned int w) { return cntp_routine<ESIZE_H>(s, w); }
kalt64_decode_rc VecU32SCountP(cpu_state* s, unsigned int w) { return cntp_routine<ESIZE_S>(s, w); }
kalt64_decode_rc VecU64SCountP(cpu_state* s, unsigned int w) { return cntp_routine<ESIZE_D>(s, w); }
kalt64_decode_rc VecU32CTermEQ(cpu_state* s, unsigned int w) { return cterm_library(::VecU32CTermEQ, s, w); }
kalt64_decode_rc VecU32CTermNE(cpu_state* s, unsigned int w) { return cterm_library(::VecU32CTermNE, s, w); }
kalt64_decode_rc VecU64CTermEQ(cpu_state* s, unsigned int w) { return cterm_library(::VecU64CTermEQ, s, w); }
kalt64_decode_rc VecU64CTermNE(cpu_state* s, unsigned int w) { return cterm_library(::VecU64CTermNE, s, w); }

// First-fault register: SETFFR, RDFFR, RDFFR Pg/Z, RDFFRS, WRFFR.
kalt64_decode_rc VecPClearFFSR(cpu_state* s, unsigned int w) {
  begin_routine(s, w);
  return qrx_setffr(s);
}
kalt64_decode_rc VecPReadFFSRP(cpu_state* s, unsigned int w) {
  begin_routine(s, w);
  return qrx_rdffr_p(s, p_operand(pd(w), ESIZE_B));
}
kalt64_decode_rc VecPActualP(cpu_state* s, unsigned int w) {
  begin_routine(s, w);
  return qrx_rdffr_pp(s, p_operand(pd(w), ESIZE_B), p_operand(pn(w), P::ZEROING));
}
kalt64_decode_rc VecPActualFlgP(cpu_state* s, unsigned int w) {
  return library_path(s, [&](CpuContext* ctx) { write_pred(s, pd(w), ::VecPActualFlgP(read_pred(s, pn(w)), ctx)); });
}
kalt64_decode_rc VecPWriteFFSRP(cpu_state* s, unsigned int w) {
  begin_routine(s, w);
  return qrx_wrffr_p(s, p_operand(pn(w), ESIZE_B));
}

}  // namespace handlers
}  // namespace qrx
