#include "qrx/library/predicate_lib.h"

#include "qrx/library/pred_support.h"

namespace {

using qrx::ctx_elements;

constexpr int kByteBits = 8;

// Predicate bits (one per vector byte) of the context's vector.
unsigned pred_bits(const CpuContext* ctx) { return ctx_elements(ctx, 1); }

// Pg AND op(Pn, Pm), bit by bit within the vector length.
template <typename Op, bool kFlags>
PredV pred_logic(const PredV& pg, const PredV& pn, const PredV& pm, CpuContext* ctx) {
  unsigned nbits = pred_bits(ctx);
  PredV r{};
  for (unsigned k = 0; k < 4; ++k)
    r.w[k] = pg.w[k] & Op()(pn.w[k], pm.w[k]) & qrx::pred_word_limit(k, nbits);
  if (kFlags) PredSetNZCV(pg, r, kByteBits, ctx);
  return r;
}

template <unsigned kEsize>
PredV true_flags(unsigned long pattern, CpuContext* ctx) {
  unsigned n = ctx_elements(ctx, kEsize);
  PredV r = qrx::pred_leading(static_cast<unsigned>(VecTrueILength(pattern, static_cast<int>(n))),
                              kEsize);
  PredSetNZCV(r, r, kEsize * 8, ctx);
  return r;
}

// Pg's bits below `limit`, within the vector length.
PredV governed_below(const PredV& pg, unsigned limit, unsigned nbits) {
  unsigned bits = limit < nbits ? limit : nbits;
  PredV r;
  for (unsigned k = 0; k < 4; ++k) r.w[k] = pg.w[k] & qrx::pred_word_limit(k, bits);
  return r;
}

// Index of the first bit set in both a and b below nbits, or nbits.
unsigned first_common(const PredV& a, const PredV& b, unsigned nbits) {
  PredV both;
  for (unsigned k = 0; k < 4; ++k) both.w[k] = a.w[k] & b.w[k];
  return qrx::first_set_bit(both, nbits);
}

// BRKAS keeps the first active bit set in Pn true, BRKBS makes it false;
// every later bit is false.
template <bool kAfter>
PredV break_flags(const PredV& pg, const PredV& pn, CpuContext* ctx) {
  unsigned nbits = pred_bits(ctx);
  unsigned brk = first_common(pg, pn, nbits);
  PredV r = governed_below(pg, kAfter && brk < nbits ? brk + 1 : brk, nbits);
  PredSetNZCV(pg, r, kByteBits, ctx);
  return r;
}

// BRKPA(S): with Pn set at Pg's last true bit, Pg's bits up to and including
// the first one also set in Pm; otherwise nothing.
template <bool kFlags>
PredV break_prev_after(const PredV& pg, const PredV& pn, const PredV& pm, CpuContext* ctx) {
  unsigned nbits = pred_bits(ctx);
  int last = qrx::last_set_bit(pg, nbits);
  bool carry = last >= 0 && pn.bit(static_cast<unsigned>(last));
  unsigned stop = first_common(pg, pm, nbits);
  PredV r = governed_below(pg, carry ? (stop < nbits ? stop + 1 : stop) : 0, nbits);
  if (kFlags) PredSetNZCV(pg, r, kByteBits, ctx);
  return r;
}

// WHILELE: signed Rn + i <= Rm at T's width, flags under an all-true mask.
template <unsigned kEsize, typename T>
PredV while_le(T rn, T rm, CpuContext* ctx) {
  unsigned n = ctx_elements(ctx, kEsize);
  unsigned count = qrx::while_true_count(static_cast<uint64_t>(rn), static_cast<uint64_t>(rm),
                                         sizeof(T) * 8, qrx::WhileCond::LE, n);
  PredV r = qrx::pred_leading(count, kEsize);
  PredSetNZCV(qrx::pred_leading(n, kEsize), r, kEsize * 8, ctx);
  return r;
}

// CTERMEQ/NE: N = condition; V = NOT C when it fails; Z and C kept.
template <bool kEq, typename T>
void cterm(T rn, T rm, CpuContext* ctx) {
  bool holds = (rn == rm) == kEq;
  bool c = (ctx->NZCV & qrx::kFlagC) != 0;
  ctx->NZCV = (ctx->NZCV & ~(qrx::kFlagN | qrx::kFlagV)) |
              qrx::nzcv_bits(holds, false, false, !holds && !c);
}

}  // namespace

extern "C" {

PredV VecPOrNPPZ(PredV g, PredV n, PredV m, CpuContext* c) {
  return pred_logic<qrx::PredOrN, false>(g, n, m, c);
}
PredV VecPNandPPZ(PredV g, PredV n, PredV m, CpuContext* c) {
  return pred_logic<qrx::PredNand, false>(g, n, m, c);
}
PredV VecPAndFlgPPZ(PredV g, PredV n, PredV m, CpuContext* c) {
  return pred_logic<qrx::PredAnd, true>(g, n, m, c);
}
PredV VecPBicFlgPPZ(PredV g, PredV n, PredV m, CpuContext* c) {
  return pred_logic<qrx::PredBic, true>(g, n, m, c);
}
PredV VecPOrFlgPPZ(PredV g, PredV n, PredV m, CpuContext* c) {
  return pred_logic<qrx::PredOr, true>(g, n, m, c);
}
PredV VecPOrNFlgPPZ(PredV g, PredV n, PredV m, CpuContext* c) {
  return pred_logic<qrx::PredOrN, true>(g, n, m, c);
}
PredV VecPNorFlgPPZ(PredV g, PredV n, PredV m, CpuContext* c) {
  return pred_logic<qrx::PredNor, true>(g, n, m, c);
}
PredV VecPNandFlgPPZ(PredV g, PredV n, PredV m, CpuContext* c) {
  return pred_logic<qrx::PredNand, true>(g, n, m, c);
}
PredV VecPXorFlgPPZ(PredV g, PredV n, PredV m, CpuContext* c) {
  return pred_logic<qrx::PredXor, true>(g, n, m, c);
}

PredV VecP8TrueFlgI(unsigned long pattern, CpuContext* c) { return true_flags<1>(pattern, c); }
PredV VecP16TrueFlgI(unsigned long pattern, CpuContext* c) { return true_flags<2>(pattern, c); }
PredV VecP32TrueFlgI(unsigned long pattern, CpuContext* c) { return true_flags<4>(pattern, c); }
PredV VecP64TrueFlgI(unsigned long pattern, CpuContext* c) { return true_flags<8>(pattern, c); }

PredV VecPSetFirstActiveP(PredV pg, PredV pdn, CpuContext* ctx) {
  unsigned nbits = pred_bits(ctx);
  PredV r = governed_below(pdn, nbits, nbits);
  unsigned first = qrx::first_set_bit(pg, nbits);
  if (first < nbits) r.set_bit(first, true);
  PredSetNZCV(pg, r, kByteBits, ctx);
  return r;
}

PredV VecPBreakAFlgPZ(PredV pg, PredV pn, CpuContext* c) { return break_flags<true>(pg, pn, c); }
PredV VecPBreakBFlgPZ(PredV pg, PredV pn, CpuContext* c) { return break_flags<false>(pg, pn, c); }

PredV VecPBreakPrevAPZ(PredV g, PredV n, PredV m, CpuContext* c) {
  return break_prev_after<false>(g, n, m, c);
}
PredV VecPBreakPrevAFlgPZ(PredV g, PredV n, PredV m, CpuContext* c) {
  return break_prev_after<true>(g, n, m, c);
}

PredV VecPActualFlgP(PredV pg, CpuContext* ctx) {
  unsigned nbits = pred_bits(ctx);
  PredV r{};
  for (unsigned k = 0; k < 4; ++k)
    r.w[k] = ctx->FFR.w[k] & pg.w[k] & qrx::pred_word_limit(k, nbits);
  PredSetNZCV(pg, r, kByteBits, ctx);
  return r;
}

PredV VecS8While4LESS(int32_t n, int32_t m, CpuContext* c) { return while_le<1>(n, m, c); }
PredV VecS16While4LESS(int32_t n, int32_t m, CpuContext* c) { return while_le<2>(n, m, c); }
PredV VecS32While4LESS(int32_t n, int32_t m, CpuContext* c) { return while_le<4>(n, m, c); }
PredV VecS64While4LESS(int32_t n, int32_t m, CpuContext* c) { return while_le<8>(n, m, c); }
PredV VecS8While8LESS(int64_t n, int64_t m, CpuContext* c) { return while_le<1>(n, m, c); }
PredV VecS16While8LESS(int64_t n, int64_t m, CpuContext* c) { return while_le<2>(n, m, c); }
PredV VecS32While8LESS(int64_t n, int64_t m, CpuContext* c) { return while_le<4>(n, m, c); }
PredV VecS64While8LESS(int64_t n, int64_t m, CpuContext* c) { return while_le<8>(n, m, c); }

void VecU32CTermEQ(uint32_t n, uint32_t m, CpuContext* c) { cterm<true>(n, m, c); }
void VecU32CTermNE(uint32_t n, uint32_t m, CpuContext* c) { cterm<false>(n, m, c); }
void VecU64CTermEQ(uint64_t n, uint64_t m, CpuContext* c) { cterm<true>(n, m, c); }
void VecU64CTermNE(uint64_t n, uint64_t m, CpuContext* c) { cterm<false>(n, m, c); }

}  // extern "C"
