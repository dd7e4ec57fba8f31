#include "qrx/library/pred_support.h"

namespace qrx {

namespace {

// Element count of esize_bits elements in the context's vector; an element
// size other than 8, 16, 32 or 64 bits has no elements.
unsigned esize_elements(int esize_bits, const CpuContext* ctx) {
  switch (esize_bits) {
    case 8: case 16: case 32: case 64:
      return pred_elements(ctx, static_cast<unsigned>(esize_bits) / 8);
    default:
      return 0;
  }
}

uint32_t pred_test_flags(const PredV& mask, const PredV& result, int esize, const CpuContext* ctx) {
  unsigned e = esize > 0 ? static_cast<unsigned>(esize) / 8 : 0;
  return predicate_test(esize_elements(esize, ctx), [&](unsigned i) { return mask.active(i, e); },
                        [&](unsigned i) { return result.active(i, e); });
}

int64_t sign_extend(uint64_t v, unsigned width_bits) {
  uint64_t sign = uint64_t{1} << (width_bits - 1);
  return static_cast<int64_t>((v ^ sign) - sign);
}

}  // namespace

unsigned while_true_count(uint64_t rn, uint64_t rm, unsigned width_bits, WhileCond cond,
                          unsigned n) {
  uint64_t wmask = width_bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << width_bits) - 1;
  uint64_t b = rm & wmask;
  for (unsigned i = 0; i < n; ++i) {
    uint64_t a = (rn + i) & wmask;
    bool holds = false;
    switch (cond) {
      case WhileCond::LT: holds = sign_extend(a, width_bits) < sign_extend(b, width_bits); break;
      case WhileCond::LE: holds = sign_extend(a, width_bits) <= sign_extend(b, width_bits); break;
      case WhileCond::LO: holds = a < b; break;
      case WhileCond::LS: holds = a <= b; break;
    }
    if (!holds) return i;
  }
  return n;
}

void ptest_esize(cpu_state* s, unsigned esize_code, const uint8_t* mask, const uint8_t* result) {
  switch (esize_code) {
    case ESIZE_B: qrx_ptest<uint8_t>(s, mask, result); break;
    case ESIZE_H: qrx_ptest<uint16_t>(s, mask, result); break;
    case ESIZE_S: qrx_ptest<uint32_t>(s, mask, result); break;
    case ESIZE_D: qrx_ptest<uint64_t>(s, mask, result); break;
    default: QRX_DEBUG_ASSERT(false && "bad element size code"); break;
  }
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
  unsigned e = esize > 0 ? static_cast<unsigned>(esize) / 8 : 0;
  for (unsigned i = qrx::esize_elements(esize, ctx); i-- > 0;)
    if (mask.active(i, e)) return static_cast<int>(i);
  return -1;
}

unsigned long VecTrueILength(unsigned long pattern, int elements) {
  if (elements <= 0) return 0;
  unsigned long n = static_cast<unsigned long>(elements);
  auto fixed = [n](unsigned long count) { return count <= n ? count : 0; };
  switch (pattern) {
    case 0: {  // POW2
      unsigned long p = 1;
      while (p * 2 <= n) p *= 2;
      return p;
    }
    case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 8:  // VL1..VL8
      return fixed(pattern);
    case 9: case 10: case 11: case 12: case 13:  // VL16..VL256
      return fixed(1ul << (pattern - 5));
    case 29: return n - n % 4;  // MUL4
    case 30: return n - n % 3;  // MUL3
    case 31: return n;          // ALL
    default: return 0;          // unallocated
  }
}

}  // extern "C"
