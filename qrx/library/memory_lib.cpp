// The library's contiguous memory forms, each a binding of its element types
// to the shared transfers of contiguous_memory.h.
#include "qrx/library/memory_lib.h"

#include "qrx/library/contiguous_memory.h"

namespace {

using qrx::kVectorBytes;

// Clears the packed first-fault register from bit `from` on.
void clear_ffr_from(PredV* ffr, unsigned from) {
  for (unsigned w = 0; w < 4; ++w) {
    unsigned lo = 64 * w;
    if (from <= lo) ffr->w[w] = 0;
    else if (from < lo + 64) ffr->w[w] &= (uint64_t{1} << (from - lo)) - 1;
  }
}

template <typename Mem, typename Reg>
VecValue load_first_fault(const PredV& pg, uint64_t base, uint64_t xm, CpuContext* ctx) {
  VecValue out{};
  const unsigned n = qrx::ctx_elements(ctx, sizeof(Reg));
  unsigned stop = qrx::load_until_unreadable<Mem, Reg>(pg, base + xm * sizeof(Mem), n, qrx::first_access::plain, out.b);
  if (stop < n) clear_ffr_from(&ctx->FFR, stop * sizeof(Reg));
  return out;
}

template <typename Elem>
VecValue load_quad(const PredV& pg, uint64_t addr) {
  VecValue out{};
  qrx::load_replicate_quad<Elem>(pg, addr, out.b);
  return out;
}

}  // namespace

extern "C" {

#define QRX_DEFINE_FIRST_FAULT(name, Mem, Reg)                                 \
  VecValue name(PredV pg, uint64_t base, uint64_t xm, CpuContext* ctx) { \
    return load_first_fault<Mem, Reg>(pg, base, xm, ctx);                \
  }
#define QRX_DEFINE_QUAD(imm_name, reg_name, Elem)                                   \
  VecValue imm_name(PredV pg, uint64_t base, int64_t imm4, CpuContext*) {     \
    return load_quad<Elem>(pg, base + static_cast<uint64_t>(imm4) * 16);      \
  }                                                                           \
  VecValue reg_name(PredV pg, uint64_t base, uint64_t xm, CpuContext*) {      \
    return load_quad<Elem>(pg, base + xm * sizeof(Elem));                     \
  }
QRX_LIB_FIRST_FAULT_FORMS(QRX_DEFINE_FIRST_FAULT)
QRX_LIB_QUAD_FORMS(QRX_DEFINE_QUAD)

}  // extern "C"
