#include "qrx/routines/predicate_routines.h"

#include <cstring>

#include "qrx/library/pred_support.h"

namespace {

using qrx::kBadCode;
using qrx::kPredicateBits;
using qrx::kPredicateBytes;

constexpr kalt64_decode_rc kOk = KALT64_DECODE_OK;
constexpr kalt64_decode_rc kBad = KALT64_DECODE_NOT_EXECUTED;

// A predicate result under construction, one byte (0 or 1) per bit.
struct PredBytes {
  uint8_t b[kPredicateBytes];
};

// Predicate bit j of an unpacked predicate.
bool bit(const uint8_t* p, unsigned j) { return qrx::pred_active(p, j, 1); }

void store(cpu_state* s, const kalt64_p_reg& pd, const PredBytes& r) {
  std::memcpy(s->p[pd.num], r.b, kPredicateBytes);
}

// Sets the flags by the predicate test of a packed result under a packed
// mask over a whole vector of esize_bytes elements, then stores the result.
void store_tested(cpu_state* s, const kalt64_p_reg& pd, const PredV& mask, const PredV& r,
                  unsigned esize_bytes) {
  qrx::set_nzcv(s, qrx::predicate_test(mask, r, esize_bytes, qrx::elements_of(esize_bytes)));
  qrx::unpack_predicate(r, s->p[pd.num]);
}

// Index of the last set bit of p, or -1.
int last_set_bit(const uint8_t* p) {
  for (unsigned j = kPredicateBytes; j-- > 0;)
    if (bit(p, j)) return static_cast<int>(j);
  return -1;
}

// Pn's bit at Pg's last set bit; false when Pg is empty.
bool bit_at_last_of(const uint8_t* pg, const uint8_t* pn) {
  int last = last_set_bit(pg);
  return last >= 0 && bit(pn, static_cast<unsigned>(last));
}

template <typename Op>
kalt64_decode_rc pred_logic(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn, kalt64_p_reg pm) {
  unsigned kind = qrx::p_kind(pg);
  if (kind == kBadCode) return kBad;
  const uint8_t *g = s->p[pg.num], *n = s->p[pn.num], *m = s->p[pm.num], *old = s->p[pd.num];
  bool zeroing = kind == kalt64_p_reg::ZEROING;
  PredBytes r;
  for (unsigned j = 0; j < kPredicateBytes; ++j)
    r.b[j] = bit(g, j) ? (Op()(n[j], m[j]) & 1) : (zeroing ? 0 : (old[j] & 1));
  store(s, pd, r);
  return kOk;
}

template <bool kAfter>
kalt64_decode_rc break_routine(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn) {
  unsigned kind = qrx::p_kind(pg);
  if (kind == kBadCode) return kBad;
  const uint8_t *g = s->p[pg.num], *n = s->p[pn.num], *old = s->p[pd.num];
  bool zeroing = kind == kalt64_p_reg::ZEROING;
  PredBytes r;
  for (unsigned j = 0; j < kPredicateBytes; ++j) r.b[j] = zeroing ? 0 : (old[j] & 1);
  qrx::break_walk<kAfter>(
      kPredicateBytes, [g](unsigned j) { return bit(g, j); }, [n](unsigned j) { return bit(n, j); },
      [&r](unsigned j, bool v) { r.b[j] = v; });
  store(s, pd, r);
  return kOk;
}

kalt64_decode_rc while_routine(cpu_state* s, kalt64_p_reg pd, kalt64_i_reg rn, kalt64_i_reg rm,
                               qrx::WhileCond cond) {
  unsigned e = qrx::p_esize(pd), width = qrx::i_width(rn);
  if (e == kBadCode || width == kBadCode || width < kalt64_i_reg::W32 || qrx::i_width(rm) != width)
    return kBad;
  unsigned eb = 1u << e, n = qrx::elements_of(eb);
  unsigned count = qrx::while_true_count(qrx::read_x(s, rn), qrx::read_x(s, rm),
                                         width == kalt64_i_reg::W64 ? 64 : 32, cond, n);
  store_tested(s, pd, qrx::pred_leading(n, eb), qrx::pred_leading(count, eb), eb);
  return kOk;
}

}  // namespace

kalt64_decode_rc qrx_and_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n, kalt64_p_reg m) {
  return pred_logic<qrx::PredAnd>(s, d, g, n, m);
}
kalt64_decode_rc qrx_bic_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n, kalt64_p_reg m) {
  return pred_logic<qrx::PredBic>(s, d, g, n, m);
}
kalt64_decode_rc qrx_orr_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n, kalt64_p_reg m) {
  return pred_logic<qrx::PredOr>(s, d, g, n, m);
}
kalt64_decode_rc qrx_nor_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n, kalt64_p_reg m) {
  return pred_logic<qrx::PredNor>(s, d, g, n, m);
}
kalt64_decode_rc qrx_eor_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n, kalt64_p_reg m) {
  return pred_logic<qrx::PredXor>(s, d, g, n, m);
}

kalt64_decode_rc qrx_ptrue_pi(cpu_state* s, kalt64_p_reg pd, unsigned pattern) {
  unsigned e = qrx::p_esize(pd);
  if (e == kBadCode) return kBad;
  unsigned eb = 1u << e;
  unsigned long count = VecTrueILength(pattern, static_cast<int>(qrx::elements_of(eb)));
  qrx::unpack_predicate(qrx::pred_leading(static_cast<unsigned>(count), eb), s->p[pd.num]);
  return kOk;
}

kalt64_decode_rc qrx_pfalse_p(cpu_state* s, kalt64_p_reg pd) {
  std::memset(s->p[pd.num], 0, kPredicateBytes);
  return kOk;
}

kalt64_decode_rc qrx_pnext_pp(cpu_state* s, kalt64_p_reg pdn, kalt64_p_reg pv) {
  unsigned e = qrx::p_esize(pdn);
  if (e == kBadCode || qrx::p_kind(pv) == kBadCode) return kBad;
  unsigned eb = 1u << e, n = qrx::elements_of(eb);
  const uint8_t *dn = s->p[pdn.num], *v = s->p[pv.num];
  // From just after Pdn's last true element to Pv's first true element.
  unsigned i = n;
  while (i > 0 && !qrx::pred_active(dn, i - 1, eb)) --i;
  while (i < n && !qrx::pred_active(v, i, eb)) ++i;
  PredV r{};
  if (i < n) r.set_bit(i * eb, true);
  store_tested(s, pdn, qrx::pack_predicate(v), r, eb);
  return kOk;
}

kalt64_decode_rc qrx_ptest_pp(cpu_state* s, kalt64_p_reg pg, kalt64_p_reg pn) {
  if (qrx::p_kind(pg) == kBadCode) return kBad;
  qrx_ptest<uint8_t>(s, s->p[pg.num], s->p[pn.num]);
  return kOk;
}

kalt64_decode_rc qrx_brka_ppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n) {
  return break_routine<true>(s, d, g, n);
}
kalt64_decode_rc qrx_brkb_ppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n) {
  return break_routine<false>(s, d, g, n);
}

kalt64_decode_rc qrx_brkn(cpu_state* s, kalt64_p_reg pdm, kalt64_p_reg pg, kalt64_p_reg pn, bool set_flags) {
  if (qrx::p_kind(pg) == kBadCode) return kBad;
  PredV r = bit_at_last_of(s->p[pg.num], s->p[pn.num]) ? qrx::pack_predicate(s->p[pdm.num]) : PredV{};
  if (set_flags)
    store_tested(s, pdm, qrx::pred_leading(kPredicateBits, 1), r, 1);
  else
    qrx::unpack_predicate(r, s->p[pdm.num]);
  return kOk;
}
kalt64_decode_rc qrx_brkn_ppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n) {
  return qrx_brkn(s, d, g, n, false);
}
kalt64_decode_rc qrx_brkns_ppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n) {
  return qrx_brkn(s, d, g, n, true);
}

kalt64_decode_rc qrx_brkpb(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn, kalt64_p_reg pm,
                           bool set_flags) {
  if (qrx::p_kind(pg) == kBadCode) return kBad;
  const uint8_t *g = s->p[pg.num], *m = s->p[pm.num];
  PredBytes r{};
  qrx::break_prev_walk<false>(
      kPredicateBytes, bit_at_last_of(g, s->p[pn.num]), [g](unsigned j) { return bit(g, j); },
      [m](unsigned j) { return bit(m, j); }, [&r](unsigned j, bool v) { r.b[j] = v; });
  if (set_flags) qrx_ptest<uint8_t>(s, g, r.b);
  store(s, pd, r);
  return kOk;
}
kalt64_decode_rc qrx_brkpb_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n, kalt64_p_reg m) {
  return qrx_brkpb(s, d, g, n, m, false);
}
kalt64_decode_rc qrx_brkpbs_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n, kalt64_p_reg m) {
  return qrx_brkpb(s, d, g, n, m, true);
}

kalt64_decode_rc qrx_whilelt_prr(cpu_state* s, kalt64_p_reg d, kalt64_i_reg n, kalt64_i_reg m) {
  return while_routine(s, d, n, m, qrx::WhileCond::LT);
}
kalt64_decode_rc qrx_whilelo_prr(cpu_state* s, kalt64_p_reg d, kalt64_i_reg n, kalt64_i_reg m) {
  return while_routine(s, d, n, m, qrx::WhileCond::LO);
}
kalt64_decode_rc qrx_whilels_prr(cpu_state* s, kalt64_p_reg d, kalt64_i_reg n, kalt64_i_reg m) {
  return while_routine(s, d, n, m, qrx::WhileCond::LS);
}

kalt64_decode_rc qrx_cntp_rpp(cpu_state* s, kalt64_i_reg xd, kalt64_p_reg pg, kalt64_p_reg pn) {
  unsigned e = qrx::p_esize(pn);
  if (e == kBadCode || qrx::p_kind(pg) == kBadCode) return kBad;
  unsigned eb = 1u << e, n = qrx::elements_of(eb);
  uint64_t count = 0;
  for (unsigned i = 0; i < n; ++i)
    count += qrx::pred_active(s->p[pg.num], i, eb) && qrx::pred_active(s->p[pn.num], i, eb);
  qrx::write_x(s, xd, count);
  return kOk;
}

kalt64_decode_rc qrx_setffr(cpu_state* s) {
  std::memset(s->ffr, 1, kPredicateBytes);
  return kOk;
}

kalt64_decode_rc qrx_rdffr_p(cpu_state* s, kalt64_p_reg pd) {
  for (unsigned j = 0; j < kPredicateBytes; ++j) s->p[pd.num][j] = s->ffr[j] & 1;
  return kOk;
}

kalt64_decode_rc qrx_rdffr_pp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg) {
  if (qrx::p_kind(pg) == kBadCode) return kBad;
  for (unsigned j = 0; j < kPredicateBytes; ++j) s->p[pd.num][j] = s->ffr[j] & s->p[pg.num][j] & 1;
  return kOk;
}

kalt64_decode_rc qrx_wrffr_p(cpu_state* s, kalt64_p_reg pn) {
  for (unsigned j = 0; j < kPredicateBytes; ++j) s->ffr[j] = s->p[pn.num][j] & 1;
  return kOk;
}
