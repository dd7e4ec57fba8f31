// The instruction library's contiguous memory forms: the first-fault loads
// LDFF1H (every register size) and LDFF1S*, and LD1RQ* in both address
// forms. Their exported functions (named like their handlers) are generated
// from qrx/decode/rows/memory.txt and call the templates below.
//
// Arguments: the governing predicate, the base address, the offset (Xm, 0
// for Rm = 31, or imm4) and the context; the loaded vector is the result.
// Element i of a first-fault load is at base + (xm + i) * M; the context's
// FFR loses the bits of the first element that could not be loaded and of
// every later one. LD1RQ reads the 16 bytes at base + imm4 * 16 or
// base + xm * M under the predicate's first 16 bytes and repeats them in
// every 16-byte segment.
#ifndef QRX_LIBRARY_MEMORY_LIB_H
#define QRX_LIBRARY_MEMORY_LIB_H

#include <cstdint>

#include "qrx/handlers/handler_support.h"
#include "qrx/library/contiguous_memory.h"
#include "qrx/library/lib_types.h"

namespace qrx {
namespace values {

// Clears the packed first-fault register from bit `from` on.
inline void clear_ffr_from(PredV* ffr, unsigned from) {
  for (unsigned w = 0; w < 4; ++w) {
    unsigned lo = 64 * w;
    if (from <= lo)
      ffr->w[w] = 0;
    else if (from < lo + 64)
      ffr->w[w] &= (uint64_t{1} << (from - lo)) - 1;
  }
}

// Reg: the register element; Mem: the memory element (signed: sign-extends).
template <typename Reg, typename Mem>
VecValue lib_ldff(const PredV& pg, uint64_t base, uint64_t xm, CpuContext* ctx) {
  VecValue out{};
  const unsigned n = ctx_elements(ctx, sizeof(Reg));
  unsigned stop = load_until_unreadable<Mem, Reg>(pg, base + xm * sizeof(Mem), n, first_access::plain, out.b);
  if (stop < n) clear_ffr_from(&ctx->FFR, stop * sizeof(Reg));
  return out;
}

template <typename Elem>
VecValue load_quad(const PredV& pg, uint64_t addr) {
  VecValue out{};
  load_replicate_quad<Elem>(pg, addr, out.b);
  return out;
}
template <typename Elem>
VecValue lib_ld1rq_imm(const PredV& pg, uint64_t base, int64_t imm4, const CpuContext*) {
  return load_quad<Elem>(pg, base + static_cast<uint64_t>(imm4) * 16);
}
template <typename Elem>
VecValue lib_ld1rq_reg(const PredV& pg, uint64_t base, uint64_t xm, const CpuContext*) {
  return load_quad<Elem>(pg, base + xm * sizeof(Elem));
}

}  // namespace values

namespace bind {

// Zt 4..0, Pg 12..10, Rn 9..5 (31: SP), and Rm 20..16 (31: no offset) or
// imm4 19..16.
template <typename Reg, typename Mem>
kalt64_decode_rc lib_ldff(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, z_4_0(w), values::lib_ldff<Reg, Mem>(read_pred(s, p_12_10(w)), read_xsp(s, r_9_5(w)),
                                                       read_xzr(s, r_20_16(w)), ctx));
  });
}
template <typename Elem>
kalt64_decode_rc lib_ld1rq_imm(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, z_4_0(w), values::lib_ld1rq_imm<Elem>(read_pred(s, p_12_10(w)), read_xsp(s, r_9_5(w)),
                                                        sfield(w, 19, 16), ctx));
  });
}
template <typename Elem>
kalt64_decode_rc lib_ld1rq_reg(cpu_state* s, unsigned w) {
  return library_path(s, [&](CpuContext* ctx) {
    write_vec(s, z_4_0(w), values::lib_ld1rq_reg<Elem>(read_pred(s, p_12_10(w)), read_xsp(s, r_9_5(w)),
                                                        read_xzr(s, r_20_16(w)), ctx));
  });
}

}  // namespace bind
}  // namespace qrx

#endif  // QRX_LIBRARY_MEMORY_LIB_H
