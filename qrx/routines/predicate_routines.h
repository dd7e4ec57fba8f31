// Semantic routines of the predicate and condition-flag instructions.
//
// They work on the register file's unpacked predicates, complete a result
// before storing it (or go chunk by chunk where result bit j depends only on
// the sources' bit j), so a destination may also be a source, and set flags
// by the predicate test. A descriptor code they do not expect makes them
// return 2 without changing anything.
//
// All are defined here, inline: a handler that binds one compiles it in, and
// its fixed element size, width and predicate kind fold away with the
// descriptors. The routines named after library functions (PTRUES, WHILELE,
// BRKAS, BRKBS, BRKPA, BRKPAS, PFIRST, RDFFRS) give those functions' results
// and flags on the register file; their rows add the library path's effects.
#ifndef QRX_ROUTINES_PREDICATE_ROUTINES_H
#define QRX_ROUTINES_PREDICATE_ROUTINES_H

#include <cstring>

#include "qrx/library/pred_support.h"
#include "qrx/state/cpu_state.h"

namespace qrx {
namespace pred_routine {

constexpr kalt64_decode_rc kOk = KALT64_DECODE_OK;
constexpr kalt64_decode_rc kBad = KALT64_DECODE_NOT_EXECUTED;

// The bit-0 byte lanes of chunk c of p.
inline uint64_t lanes(const uint8_t* p, unsigned c) { return load_chunk(p, c) & kByteLsbs; }

// Index of the first byte set in both a and b, or kPredicateBytes.
inline unsigned first_common(const uint8_t* a, const uint8_t* b) {
  return first_set_byte([a, b](unsigned c) { return load_chunk(a, c) & lanes(b, c); });
}

// p's bit at g's last set bit; false when g is empty.
inline bool bit_at_last_of(const uint8_t* g, const uint8_t* p) {
  int last = last_set_byte([g](unsigned c) { return lanes(g, c); });
  return last >= 0 && (p[last] & 1);
}

// The predicate test of "g's bits below limit" under g: N and Z from g's
// first set bit, C from its last.
inline uint32_t governed_below_test(const uint8_t* g, unsigned limit) {
  auto active = [g](unsigned c) { return lanes(g, c); };
  unsigned first = first_set_byte(active);
  if (first == kPredicateBytes) return nzcv_bits(false, true, true, false);
  unsigned last = static_cast<unsigned>(last_set_byte(active));
  return nzcv_bits(first < limit, first >= limit, last >= limit, false);
}

// d = g's set bits below `limit`; bits where g is 0 become 0 (zeroing) or
// keep d's bit (merging).
inline void store_governed_below(uint8_t* d, const uint8_t* g, unsigned limit, bool zeroing) {
  const uint8_t* below = below_window(limit);
  map_chunks(d, [=](unsigned c) {
    uint64_t gc = lanes(g, c);
    uint64_t kept = zeroing ? 0 : load_chunk(d, c) & ~gc & kByteLsbs;
    return (gc & load_chunk(below, c)) | kept;
  });
}

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

// BRKA makes the first active bit set in Pn true and every later one false;
// BRKB makes it false too. With kFlags (zeroing only), the test under Pg.
template <bool kAfter, bool kFlags>
inline kalt64_decode_rc brk(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn) {
  unsigned kind = p_kind(pg);
  if (kind == kBadCode || (kFlags && kind != kalt64_p_reg::ZEROING)) return kBad;
  const uint8_t* g = s->p[pg.num];
  unsigned stop = first_common(g, s->p[pn.num]);
  unsigned limit = kAfter && stop < kPredicateBytes ? stop + 1 : stop;
  uint32_t flags = kFlags ? governed_below_test(g, limit) : 0;
  store_governed_below(s->p[pd.num], g, limit, kind == kalt64_p_reg::ZEROING);
  if (kFlags) set_nzcv(s, flags);
  return kOk;
}

// BRKPA/BRKPB: with Pn set at Pg's last true bit, Pg's bits before the first
// one also set in Pm (BRKPA: up to and including it); otherwise none.
template <bool kAfter, bool kFlags>
inline kalt64_decode_rc brkp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn,
                             kalt64_p_reg pm) {
  if (p_kind(pg) == kBadCode) return kBad;
  const uint8_t* g = s->p[pg.num];
  unsigned limit = 0;
  if (bit_at_last_of(g, s->p[pn.num])) {
    unsigned stop = first_common(g, s->p[pm.num]);
    limit = kAfter && stop < kPredicateBytes ? stop + 1 : stop;
  }
  uint32_t flags = kFlags ? governed_below_test(g, limit) : 0;
  store_governed_below(s->p[pd.num], g, limit, true);
  if (kFlags) set_nzcv(s, flags);
  return kOk;
}

// WHILE: the leading elements while the comparison holds; flags under an
// all-true mask.
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

// PTRUE(S): the pattern's leading elements; with kFlags, the test of the
// result under itself.
template <bool kFlags>
inline kalt64_decode_rc ptrue(cpu_state* s, kalt64_p_reg pd, unsigned pattern) {
  unsigned e = p_esize(pd);
  if (e == kBadCode) return kBad;
  unsigned eb = 1u << e;
  unsigned count = pattern < 32 ? pattern_count(pattern, elements_of(eb)) : 0;
  store_leading(s->p[pd.num], count, eb);
  if (kFlags) set_nzcv(s, nzcv_bits(count != 0, count == 0, count == 0, false));
  return kOk;
}

// dst = a AND b, bit 0 of each byte.
inline void and_bytes(uint8_t* dst, const uint8_t* a, const uint8_t* b) {
  map_chunks(dst, [=](unsigned c) { return load_chunk(a, c) & lanes(b, c); });
}

}  // namespace pred_routine
}  // namespace qrx

// ----- Predicate logic: Pd = Pg AND op(Pn, Pm) (byte elements) --------------

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

// ----- PTRUE, PTRUES (element size in pd.qual), PFALSE -----------------------

inline kalt64_decode_rc qrx_ptrue_pi(cpu_state* s, kalt64_p_reg pd, unsigned pattern) {
  return qrx::pred_routine::ptrue<false>(s, pd, pattern);
}
inline kalt64_decode_rc qrx_ptrues_pi(cpu_state* s, kalt64_p_reg pd, unsigned pattern) {
  return qrx::pred_routine::ptrue<true>(s, pd, pattern);
}
inline kalt64_decode_rc qrx_pfalse_p(cpu_state* s, kalt64_p_reg pd) {
  std::memset(s->p[pd.num], 0, qrx::kPredicateBytes);
  return KALT64_DECODE_OK;
}

// ----- PFIRST, PNEXT, PTEST ---------------------------------------------------

// PFIRST: Pdn with Pg's first true bit set; flags by the test under Pg.
inline kalt64_decode_rc qrx_pfirst_pp(cpu_state* s, kalt64_p_reg pdn, kalt64_p_reg pg) {
  using namespace qrx;
  if (p_kind(pg) == kBadCode) return KALT64_DECODE_NOT_EXECUTED;
  const uint8_t* g = s->p[pg.num];
  uint8_t* d = s->p[pdn.num];
  auto active = [g](unsigned c) { return pred_routine::lanes(g, c); };
  unsigned first = first_set_byte(active);
  uint32_t flags = nzcv_bits(false, true, true, false);
  if (first < kPredicateBytes) {
    unsigned last = static_cast<unsigned>(last_set_byte(active));
    flags = nzcv_bits(true, false, !(last == first || (d[last] & 1)), false);
  }
  map_chunks(d, [d](unsigned c) { return pred_routine::lanes(d, c); });
  if (first < kPredicateBytes) d[first] = 1;
  set_nzcv(s, flags);
  return KALT64_DECODE_OK;
}

// PNEXT: Pdn carries its element size in qual2; Pv is a governing predicate.
// The result is true at Pv's first true element after Pdn's last one alone;
// flags by its test under Pv.
inline kalt64_decode_rc qrx_pnext_pp(cpu_state* s, kalt64_p_reg pdn, kalt64_p_reg pv) {
  using namespace qrx;
  unsigned e = p_esize(pdn);
  if (e == kBadCode || p_kind(pv) == kBadCode) return KALT64_DECODE_NOT_EXECUTED;
  uint64_t elems = chunk_elements(1u << e);
  const uint8_t *dn = s->p[pdn.num], *v = s->p[pv.num];
  int last_dn = last_set_byte([dn, elems](unsigned c) { return load_chunk(dn, c) & elems; });
  unsigned start = static_cast<unsigned>(last_dn + 1);
  auto active = [v, elems](unsigned c) { return load_chunk(v, c) & elems; };
  // The search starts at start's chunk.
  const uint8_t* below = below_window(start);
  unsigned next = kPredicateBytes;
  for (unsigned c = start / 8; c < kPredChunks; ++c) {
    uint64_t a = active(c) & ~load_chunk(below, c);
    if (a != 0) {
      next = 8 * c + static_cast<unsigned>(__builtin_ctzll(a)) / 8;
      break;
    }
  }
  unsigned first = first_set_byte(active);
  bool found = next < kPredicateBytes;
  uint32_t flags =
      first == kPredicateBytes
          ? nzcv_bits(false, true, true, false)
          : nzcv_bits(found && next == first, !found,
                      !(found && static_cast<int>(next) == last_set_byte(active)), false);
  std::memset(s->p[pdn.num], 0, kPredicateBytes);
  if (found) s->p[pdn.num][next] = 1;
  set_nzcv(s, flags);
  return KALT64_DECODE_OK;
}

// PTEST: flags of Pn under Pg, byte elements.
inline kalt64_decode_rc qrx_ptest_pp(cpu_state* s, kalt64_p_reg pg, kalt64_p_reg pn) {
  if (qrx::p_kind(pg) == qrx::kBadCode) return KALT64_DECODE_NOT_EXECUTED;
  qrx_ptest<uint8_t>(s, s->p[pg.num], s->p[pn.num]);
  return KALT64_DECODE_OK;
}

// ----- Breaks -------------------------------------------------------------------

// BRKA, BRKB under a merging or zeroing Pg; BRKAS, BRKBS (zeroing) with flags.
inline kalt64_decode_rc qrx_brka_ppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n) {
  return qrx::pred_routine::brk<true, false>(s, d, g, n);
}
inline kalt64_decode_rc qrx_brkb_ppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n) {
  return qrx::pred_routine::brk<false, false>(s, d, g, n);
}
inline kalt64_decode_rc qrx_brkas_ppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g,
                                      kalt64_p_reg n) {
  return qrx::pred_routine::brk<true, true>(s, d, g, n);
}
inline kalt64_decode_rc qrx_brkbs_ppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g,
                                      kalt64_p_reg n) {
  return qrx::pred_routine::brk<false, true>(s, d, g, n);
}

// BRKN, BRKNS: Pdm kept when Pn is set at Pg's last true bit, else cleared.
inline kalt64_decode_rc qrx_brkn(cpu_state* s, kalt64_p_reg pdm, kalt64_p_reg pg, kalt64_p_reg pn,
                                 bool set_flags) {
  using namespace qrx;
  if (p_kind(pg) == kBadCode) return KALT64_DECODE_NOT_EXECUTED;
  uint8_t* d = s->p[pdm.num];
  uint64_t keep_mask = pred_routine::bit_at_last_of(s->p[pg.num], s->p[pn.num]) ? kByteLsbs : 0;
  uint64_t any = 0;
  map_chunks(d, [&](unsigned c) {
    uint64_t r = load_chunk(d, c) & keep_mask;
    any |= r;
    return r;
  });
  // The test under an all-true mask: the first and the last bit decide N and C.
  if (set_flags) set_nzcv(s, nzcv_bits(d[0], any == 0, !d[kPredicateBytes - 1], false));
  return KALT64_DECODE_OK;
}
inline kalt64_decode_rc qrx_brkn_ppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n) {
  return qrx_brkn(s, d, g, n, false);
}
inline kalt64_decode_rc qrx_brkns_ppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g,
                                      kalt64_p_reg n) {
  return qrx_brkn(s, d, g, n, true);
}

// BRKPA, BRKPAS, BRKPB, BRKPBS (zeroing).
inline kalt64_decode_rc qrx_brkpa_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g,
                                       kalt64_p_reg n, kalt64_p_reg m) {
  return qrx::pred_routine::brkp<true, false>(s, d, g, n, m);
}
inline kalt64_decode_rc qrx_brkpas_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g,
                                        kalt64_p_reg n, kalt64_p_reg m) {
  return qrx::pred_routine::brkp<true, true>(s, d, g, n, m);
}
inline kalt64_decode_rc qrx_brkpb_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g,
                                       kalt64_p_reg n, kalt64_p_reg m) {
  return qrx::pred_routine::brkp<false, false>(s, d, g, n, m);
}
inline kalt64_decode_rc qrx_brkpbs_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g,
                                        kalt64_p_reg n, kalt64_p_reg m) {
  return qrx::pred_routine::brkp<false, true>(s, d, g, n, m);
}

// ----- WHILE --------------------------------------------------------------------
// WHILELT (signed <), WHILELE (signed <=), WHILELO (unsigned <), WHILELS
// (unsigned <=); Rn and Rm both 32-bit (W) or both 64-bit (X).

inline kalt64_decode_rc qrx_whilelt_prr(cpu_state* s, kalt64_p_reg d, kalt64_i_reg n,
                                        kalt64_i_reg m) {
  return qrx::pred_routine::while_count(s, d, n, m, qrx::WhileCond::LT);
}
inline kalt64_decode_rc qrx_whilele_prr(cpu_state* s, kalt64_p_reg d, kalt64_i_reg n,
                                        kalt64_i_reg m) {
  return qrx::pred_routine::while_count(s, d, n, m, qrx::WhileCond::LE);
}
inline kalt64_decode_rc qrx_whilelo_prr(cpu_state* s, kalt64_p_reg d, kalt64_i_reg n,
                                        kalt64_i_reg m) {
  return qrx::pred_routine::while_count(s, d, n, m, qrx::WhileCond::LO);
}
inline kalt64_decode_rc qrx_whilels_prr(cpu_state* s, kalt64_p_reg d, kalt64_i_reg n,
                                        kalt64_i_reg m) {
  return qrx::pred_routine::while_count(s, d, n, m, qrx::WhileCond::LS);
}

// ----- CNTP ---------------------------------------------------------------------

// Elements true in both Pg and Pn (Pn's element size) into Xd.
inline kalt64_decode_rc qrx_cntp_rpp(cpu_state* s, kalt64_i_reg xd, kalt64_p_reg pg,
                                     kalt64_p_reg pn) {
  unsigned e = qrx::p_esize(pn);
  if (e == qrx::kBadCode || qrx::p_kind(pg) == qrx::kBadCode) return KALT64_DECODE_NOT_EXECUTED;
  qrx::write_x(s, xd, qrx::count_common(s->p[pg.num], s->p[pn.num], qrx::chunk_elements(1u << e)));
  return KALT64_DECODE_OK;
}

// ----- First-fault register: SETFFR, RDFFR (unpredicated, Pg/Z), RDFFRS, WRFFR

inline kalt64_decode_rc qrx_setffr(cpu_state* s) {
  std::memset(s->ffr, 1, qrx::kPredicateBytes);
  return KALT64_DECODE_OK;
}
inline kalt64_decode_rc qrx_rdffr_p(cpu_state* s, kalt64_p_reg pd) {
  qrx::pred_routine::and_bytes(s->p[pd.num], s->ffr, s->ffr);
  return KALT64_DECODE_OK;
}
inline kalt64_decode_rc qrx_rdffr_pp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg) {
  if (qrx::p_kind(pg) == qrx::kBadCode) return KALT64_DECODE_NOT_EXECUTED;
  qrx::pred_routine::and_bytes(s->p[pd.num], s->ffr, s->p[pg.num]);
  return KALT64_DECODE_OK;
}
// RDFFRS: FFR under Pg, flags by the test under Pg.
inline kalt64_decode_rc qrx_rdffrs_pp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg) {
  using namespace qrx;
  if (p_kind(pg) == kBadCode) return KALT64_DECODE_NOT_EXECUTED;
  const uint8_t* g = s->p[pg.num];
  uint32_t nc = pred_logic_nc<PredAnd>(g, s->ffr, s->ffr);
  uint64_t any = pred_logic_into<PredAnd>(s->p[pd.num], g, s->ffr, s->ffr);
  set_nzcv(s, nc | (any == 0 ? kFlagZ : 0));
  return KALT64_DECODE_OK;
}
inline kalt64_decode_rc qrx_wrffr_p(cpu_state* s, kalt64_p_reg pn) {
  qrx::pred_routine::and_bytes(s->ffr, s->p[pn.num], s->p[pn.num]);
  return KALT64_DECODE_OK;
}

#endif  // QRX_ROUTINES_PREDICATE_ROUTINES_H
