// Semantic routines of the predicate and condition-flag instructions.
//
// They work on the register file's unpacked predicates, complete a result
// before storing it (or go byte by byte where result bit j depends only on
// the sources' bit j), so a destination may also be a source, and set flags
// by the predicate test. A descriptor code they do not expect
// makes them return 2 without changing anything.
#ifndef QRX_ROUTINES_PREDICATE_ROUTINES_H
#define QRX_ROUTINES_PREDICATE_ROUTINES_H

#include "qrx/library/pred_support.h"
#include "qrx/state/cpu_state.h"

// Predicate logic, byte-granular: bits where Pg is 0 become 0 under a
// zeroing Pg and keep Pd's bit otherwise. Defined below: the handlers that
// bind them compile them in.
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

// ----- Inline definitions ---------------------------------------------------
// The per-execution fast path: a handler that binds one of these routines
// compiles it in, and its fixed element size, width and predicate kind fold
// away with the descriptors.

namespace qrx {
namespace pred_routine {

constexpr kalt64_decode_rc kOk = KALT64_DECODE_OK;
constexpr kalt64_decode_rc kBad = KALT64_DECODE_NOT_EXECUTED;

template <typename Op>
inline kalt64_decode_rc logic(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn,
                              kalt64_p_reg pm) {
  unsigned kind = p_kind(pg);
  if (kind == kBadCode) return kBad;
  const uint8_t *g = s->p[pg.num], *n = s->p[pn.num], *m = s->p[pm.num];
  uint8_t* d = s->p[pd.num];
  if (kind == kalt64_p_reg::ZEROING) {
    pred_logic_into<Op>(d, g, n, m);
  } else {
    map_chunks(d, [=](unsigned c) {
      uint64_t gc = load_chunk(g, c);
      return ((gc & Op()(load_chunk(n, c), load_chunk(m, c))) | (~gc & load_chunk(d, c))) &
             kByteLsbs;
    });
  }
  return kOk;
}

inline kalt64_decode_rc while_count(cpu_state* s, kalt64_p_reg pd, kalt64_i_reg rn,
                                    kalt64_i_reg rm, WhileCond cond) {
  unsigned e = p_esize(pd), width = i_width(rn);
  if (e == kBadCode || width == kBadCode || width < kalt64_i_reg::W32 || i_width(rm) != width)
    return kBad;
  unsigned eb = 1u << e, n = elements_of(eb);
  unsigned count = while_true_count(read_x(s, rn), read_x(s, rm),
                                    width == kalt64_i_reg::W64 ? 64 : 32, cond, n);
  store_leading(s->p[pd.num], count, eb);
  set_nzcv(s, leading_test(count, n));
  return kOk;
}

}  // namespace pred_routine
}  // namespace qrx

inline kalt64_decode_rc qrx_and_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n,
                                     kalt64_p_reg m) {
  return qrx::pred_routine::logic<qrx::PredAnd>(s, d, g, n, m);
}
inline kalt64_decode_rc qrx_bic_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n,
                                     kalt64_p_reg m) {
  return qrx::pred_routine::logic<qrx::PredBic>(s, d, g, n, m);
}
inline kalt64_decode_rc qrx_orr_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n,
                                     kalt64_p_reg m) {
  return qrx::pred_routine::logic<qrx::PredOr>(s, d, g, n, m);
}
inline kalt64_decode_rc qrx_nor_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n,
                                     kalt64_p_reg m) {
  return qrx::pred_routine::logic<qrx::PredNor>(s, d, g, n, m);
}
inline kalt64_decode_rc qrx_eor_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n,
                                     kalt64_p_reg m) {
  return qrx::pred_routine::logic<qrx::PredXor>(s, d, g, n, m);
}

inline kalt64_decode_rc qrx_whilelt_prr(cpu_state* s, kalt64_p_reg d, kalt64_i_reg n,
                                        kalt64_i_reg m) {
  return qrx::pred_routine::while_count(s, d, n, m, qrx::WhileCond::LT);
}
inline kalt64_decode_rc qrx_whilelo_prr(cpu_state* s, kalt64_p_reg d, kalt64_i_reg n,
                                        kalt64_i_reg m) {
  return qrx::pred_routine::while_count(s, d, n, m, qrx::WhileCond::LO);
}
inline kalt64_decode_rc qrx_whilels_prr(cpu_state* s, kalt64_p_reg d, kalt64_i_reg n,
                                        kalt64_i_reg m) {
  return qrx::pred_routine::while_count(s, d, n, m, qrx::WhileCond::LS);
}

// Per-byte sums of the 0/1 element bits over the chunks (at most kPredChunks
// per byte), then pairs of byte sums into four 16-bit sums and their total.
inline kalt64_decode_rc qrx_cntp_rpp(cpu_state* s, kalt64_i_reg xd, kalt64_p_reg pg,
                                     kalt64_p_reg pn) {
  using namespace qrx;
  unsigned e = p_esize(pn);
  if (e == kBadCode || p_kind(pg) == kBadCode) return KALT64_DECODE_NOT_EXECUTED;
  uint64_t elems = chunk_elements(1u << e);
  const uint8_t *g = s->p[pg.num], *n = s->p[pn.num];
  uint64_t sums = 0;
  for (unsigned c = 0; c < kPredChunks; ++c) sums += load_chunk(g, c) & load_chunk(n, c) & elems;
  static_assert(kPredChunks < 256 && kPredicateBytes < 65536, "byte and pair sums do not overflow");
  uint64_t pairs = (sums & 0x00FF00FF00FF00FFULL) + ((sums >> 8) & 0x00FF00FF00FF00FFULL);
  write_x(s, xd, (pairs * 0x0001000100010001ULL) >> 48);
  return KALT64_DECODE_OK;
}

#endif  // QRX_ROUTINES_PREDICATE_ROUTINES_H
