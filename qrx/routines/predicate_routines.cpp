#include "qrx/routines/predicate_routines.h"

#include <cstring>

#include "qrx/library/pred_support.h"

namespace {

using qrx::kBadCode;
using qrx::kPredicateBytes;

constexpr kalt64_decode_rc kOk = KALT64_DECODE_OK;
constexpr kalt64_decode_rc kBad = KALT64_DECODE_NOT_EXECUTED;

using qrx::kByteLsbs;
using qrx::kPredChunks;
using qrx::load_chunk;

// Index of the last byte whose bit is set in p, or -1.
int last_set(const uint8_t* p) {
  return qrx::last_set_byte([p](unsigned c) { return load_chunk(p, c) & kByteLsbs; });
}

// Pn's bit at Pg's last set bit; false when Pg is empty.
bool bit_at_last_of(const uint8_t* pg, const uint8_t* pn) {
  int last = last_set(pg);
  return last >= 0 && (pn[last] & 1);
}

// Index of the first byte set in both a and b, or kPredicateBytes.
unsigned first_common(const uint8_t* a, const uint8_t* b) {
  return qrx::first_set_byte(
      [a, b](unsigned c) { return load_chunk(a, c) & load_chunk(b, c) & kByteLsbs; });
}

// Pd = Pg's set bits below `limit`; bits where Pg is 0 become 0 (zeroing)
// or keep Pd's bit (merging).
void store_governed_below(cpu_state* s, const kalt64_p_reg& pd, const uint8_t* g, unsigned limit,
                          bool zeroing) {
  uint8_t* d = s->p[pd.num];
  qrx::map_chunks(d, [=](unsigned c) {
    uint64_t gc = load_chunk(g, c) & kByteLsbs;
    uint64_t kept = zeroing ? 0 : load_chunk(d, c) & ~gc & kByteLsbs;
    return (gc & qrx::chunk_below(c, limit)) | kept;
  });
}

// BRKA makes the first active bit set in Pn true and every later one false;
// BRKB makes it false too.
template <bool kAfter>
kalt64_decode_rc break_routine(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn) {
  unsigned kind = qrx::p_kind(pg);
  if (kind == kBadCode) return kBad;
  const uint8_t* g = s->p[pg.num];
  unsigned brk = first_common(g, s->p[pn.num]);
  unsigned limit = kAfter && brk < kPredicateBytes ? brk + 1 : brk;
  store_governed_below(s, pd, g, limit, kind == kalt64_p_reg::ZEROING);
  return kOk;
}

}  // namespace

kalt64_decode_rc qrx_ptrue_pi(cpu_state* s, kalt64_p_reg pd, unsigned pattern) {
  unsigned e = qrx::p_esize(pd);
  if (e == kBadCode) return kBad;
  unsigned eb = 1u << e;
  unsigned long count = VecTrueILength(pattern, static_cast<int>(qrx::elements_of(eb)));
  qrx::store_leading(s->p[pd.num], static_cast<unsigned>(count), eb);
  return kOk;
}

kalt64_decode_rc qrx_pfalse_p(cpu_state* s, kalt64_p_reg pd) {
  std::memset(s->p[pd.num], 0, kPredicateBytes);
  return kOk;
}

kalt64_decode_rc qrx_pnext_pp(cpu_state* s, kalt64_p_reg pdn, kalt64_p_reg pv) {
  unsigned e = qrx::p_esize(pdn);
  if (e == kBadCode || qrx::p_kind(pv) == kBadCode) return kBad;
  unsigned eb = 1u << e;
  uint64_t elems = qrx::chunk_elements(eb);
  const uint8_t *dn = s->p[pdn.num], *v = s->p[pv.num];
  // From just after Pdn's last true element to Pv's first true element.
  int last = qrx::last_set_byte([dn, elems](unsigned c) { return load_chunk(dn, c) & elems; });
  unsigned start = static_cast<unsigned>(last + 1);
  auto active = [v, elems](unsigned c) { return load_chunk(v, c) & elems; };
  unsigned next =
      qrx::first_set_byte([&](unsigned c) { return active(c) & ~qrx::chunk_below(c, start); });
  // The test of a result that is true at `next` alone, under Pv.
  unsigned first = qrx::first_set_byte(active);
  bool found = next < kPredicateBytes;
  uint32_t flags =
      first == kPredicateBytes
          ? qrx::nzcv_bits(false, true, true, false)
          : qrx::nzcv_bits(found && next == first, !found,
                           !(found && static_cast<int>(next) == qrx::last_set_byte(active)), false);
  std::memset(s->p[pdn.num], 0, kPredicateBytes);
  if (found) s->p[pdn.num][next] = 1;
  qrx::set_nzcv(s, flags);
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

kalt64_decode_rc qrx_brkn(cpu_state* s, kalt64_p_reg pdm, kalt64_p_reg pg, kalt64_p_reg pn,
                          bool set_flags) {
  if (qrx::p_kind(pg) == kBadCode) return kBad;
  uint8_t* d = s->p[pdm.num];
  bool keep = bit_at_last_of(s->p[pg.num], s->p[pn.num]);
  uint64_t keep_mask = keep ? kByteLsbs : 0;
  qrx::map_chunks(d, [=](unsigned c) { return load_chunk(d, c) & keep_mask; });
  // The test under an all-true mask: the first and the last bit decide N and C.
  if (set_flags) {
    uint64_t any = 0;
    for (unsigned c = 0; c < kPredChunks; ++c) any |= load_chunk(d, c);
    qrx::set_nzcv(s, qrx::nzcv_bits(d[0], any == 0, !d[kPredicateBytes - 1], false));
  }
  return kOk;
}
kalt64_decode_rc qrx_brkn_ppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n) {
  return qrx_brkn(s, d, g, n, false);
}
kalt64_decode_rc qrx_brkns_ppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n) {
  return qrx_brkn(s, d, g, n, true);
}

kalt64_decode_rc qrx_brkpb(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg, kalt64_p_reg pn,
                           kalt64_p_reg pm, bool set_flags) {
  if (qrx::p_kind(pg) == kBadCode) return kBad;
  const uint8_t* g = s->p[pg.num];
  // With the carry set, Pg's bits before its first one also set in Pm.
  unsigned limit = bit_at_last_of(g, s->p[pn.num]) ? first_common(g, s->p[pm.num]) : 0;
  uint8_t r[kPredicateBytes];
  qrx::map_chunks(
      r, [=](unsigned c) { return load_chunk(g, c) & kByteLsbs & qrx::chunk_below(c, limit); });
  if (set_flags) qrx_ptest<uint8_t>(s, g, r);
  std::memcpy(s->p[pd.num], r, kPredicateBytes);
  return kOk;
}
kalt64_decode_rc qrx_brkpb_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n,
                                kalt64_p_reg m) {
  return qrx_brkpb(s, d, g, n, m, false);
}
kalt64_decode_rc qrx_brkpbs_pppp(cpu_state* s, kalt64_p_reg d, kalt64_p_reg g, kalt64_p_reg n,
                                 kalt64_p_reg m) {
  return qrx_brkpb(s, d, g, n, m, true);
}

kalt64_decode_rc qrx_setffr(cpu_state* s) {
  std::memset(s->ffr, 1, kPredicateBytes);
  return kOk;
}

// dst = a AND b, bit 0 of each byte.
void and_bytes(uint8_t* dst, const uint8_t* a, const uint8_t* b) {
  qrx::map_chunks(dst, [=](unsigned c) { return load_chunk(a, c) & load_chunk(b, c) & kByteLsbs; });
}

kalt64_decode_rc qrx_rdffr_p(cpu_state* s, kalt64_p_reg pd) {
  and_bytes(s->p[pd.num], s->ffr, s->ffr);
  return kOk;
}

kalt64_decode_rc qrx_rdffr_pp(cpu_state* s, kalt64_p_reg pd, kalt64_p_reg pg) {
  if (qrx::p_kind(pg) == kBadCode) return kBad;
  and_bytes(s->p[pd.num], s->ffr, s->p[pg.num]);
  return kOk;
}

kalt64_decode_rc qrx_wrffr_p(cpu_state* s, kalt64_p_reg pn) {
  and_bytes(s->ffr, s->p[pn.num], s->p[pn.num]);
  return kOk;
}
