#include "qrx/library/pred_support.h"

namespace qrx {

namespace {

// Element count of esize_bits elements in the context's vector; an element
// size other than 8, 16, 32 or 64 bits has no elements.
unsigned esize_elements(int esize_bits, const CpuContext* ctx) {
  switch (esize_bits) {
    case 8:
    case 16:
    case 32:
    case 64: return ctx_elements(ctx, static_cast<unsigned>(esize_bits) / 8);
    default: return 0;
  }
}

uint32_t pred_test_flags(const PredV& mask, const PredV& result, int esize, const CpuContext* ctx) {
  unsigned n = esize_elements(esize, ctx);
  return predicate_test(mask, result, n ? static_cast<unsigned>(esize) / 8 : 1, n);
}

}  // namespace

// On whole words: the mask's element bits within the vector, then its first
// and last set bit.
uint32_t predicate_test(const PredV& mask, const PredV& result, unsigned esize_bytes, unsigned n) {
  bool any = false;
  int first = -1, last = -1;
  for (unsigned k = 0; k < 4; ++k) {
    uint64_t m = mask.w[k] & pred_element_bits(esize_bytes) & pred_word_limit(k, n * esize_bytes);
    any = any || (m & result.w[k]) != 0;
    if (m != 0) {
      if (first < 0) first = static_cast<int>(k * 64 + __builtin_ctzll(m));
      last = static_cast<int>(k * 64 + 63 - __builtin_clzll(m));
    }
  }
  if (first < 0) return nzcv_bits(false, true, true, false);
  return nzcv_bits(result.bit(static_cast<unsigned>(first)), !any,
                   !result.bit(static_cast<unsigned>(last)), false);
}

}  // namespace qrx

extern "C" {

void PredSetNZC(PredV mask, PredV result, int esize, CpuContext* ctx) {
  constexpr uint32_t kNZC = qrx::kFlagN | qrx::kFlagZ | qrx::kFlagC;
  ctx->NZCV = (ctx->NZCV & ~kNZC) | (qrx::pred_test_flags(mask, result, esize, ctx) & kNZC);
}

void PredSetNZCV(PredV mask, PredV result, int esize, CpuContext* ctx) {
  PredSetNZC(mask, result, esize, ctx);
  ctx->NZCV &= ~qrx::kFlagV;
}

int FindLastActive(PredV mask, int esize, CpuContext* ctx) {
  unsigned n = qrx::esize_elements(esize, ctx);
  if (n == 0) return -1;
  unsigned e = static_cast<unsigned>(esize) / 8;
  for (uint64_t& w : mask.w) w &= qrx::pred_element_bits(e);
  int last = qrx::last_set_bit(mask, n * e);
  return last < 0 ? -1 : last / static_cast<int>(e);
}

unsigned long VecTrueILength(unsigned long pattern, int elements) {
  if (elements <= 0 || pattern > 31) return 0;
  return qrx::pattern_count(static_cast<unsigned>(pattern), static_cast<unsigned>(elements));
}

}  // extern "C"
