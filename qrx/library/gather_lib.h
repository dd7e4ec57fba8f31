// The instruction library's gathers, scatters, first-fault gathers and ADR
// forms (qrx/decode/rows/gather.txt): the exported functions' bodies
// (values::) and the library-path binders (bind::), both on the loops of
// gather_memory.h.
//
// Library functions take the packed governing predicate, (for scatters the
// stored vector,) the offset or base vector, the base address or the
// immediate, and the context; a gather returns the loaded vector. The
// first-fault gathers clear the context's FFR from the first element that
// could not be loaded. Row arguments: the register element (ELEMENT-BITS),
// the memory element type (signed: sign-extending) and the addressing shape
// (gather::VIZ ... gather::YSVZ).
#ifndef QRX_LIBRARY_GATHER_LIB_H
#define QRX_LIBRARY_GATHER_LIB_H

#include <cstdint>

#include "qrx/handlers/handler_support.h"
#include "qrx/library/gather_memory.h"
#include "qrx/library/lib_types.h"
#include "qrx/library/memory_lib.h"
#include "qrx/library/skeletons.h"

namespace qrx {
namespace gather {

// ADR: a + (the extended offset b shifted left by Shift), in the element's
// width.
template <unsigned Shift, ext X>
struct Adr {
  template <typename T>
  T operator()(T a, T b) const {
    return static_cast<T>(uint64_t{a} + (extend<T, X>(b) << Shift));
  }
};

}  // namespace gather

namespace values {

template <typename Reg, typename Mem, typename Shape>
VecValue lib_gather(const PredV& pg, const VecValue& zv, uint64_t scalar, const CpuContext* ctx) {
  VecValue out{};
  gather::gather_load<Mem, Reg, Shape>(pg, zv.b, scalar, ctx_elements(ctx, sizeof(Reg)), out.b);
  return out;
}
template <typename Reg, typename Mem, typename Shape>
VecValue lib_gather_ff(const PredV& pg, const VecValue& zv, uint64_t scalar, CpuContext* ctx) {
  VecValue out{};
  const unsigned n = ctx_elements(ctx, sizeof(Reg));
  unsigned stop = gather::gather_first_fault<Mem, Reg, Shape>(pg, zv.b, scalar, n, out.b);
  if (stop < n) clear_ffr_from(&ctx->FFR, stop * sizeof(Reg));
  return out;
}
template <typename Reg, typename Mem, typename Shape>
void lib_scatter(const PredV& pg, const VecValue& zt, const VecValue& zv, uint64_t scalar, const CpuContext* ctx) {
  gather::scatter_store<Mem, Reg, Shape>(pg, zt.b, zv.b, scalar, ctx_elements(ctx, sizeof(Reg)));
}

}  // namespace values

namespace bind {

// Library-path handlers run the loops on the register file's bytes: Zt 4..0,
// Pg 12..10, and the shape's vector (Zn 9..5 or Zm 20..16) and scalar (imm5
// 20..16 or Xn|SP 9..5).
template <typename Reg, typename Mem, typename Shape>
kalt64_decode_rc lib_gather(cpu_state* s, unsigned w) {
  gather::gather_load<Mem, Reg, Shape>(s->p[p_12_10(w)], s->z[Shape::vector(w)], Shape::scalar(s, w),
                                       elements_of(sizeof(Reg)), s->z[z_4_0(w)]);
  library_path_effects(s);
  return kOk;
}
template <typename Reg, typename Mem, typename Shape>
kalt64_decode_rc lib_gather_ff(cpu_state* s, unsigned w) {
  const unsigned n = elements_of(sizeof(Reg));
  unsigned stop = gather::gather_first_fault<Mem, Reg, Shape>(s->p[p_12_10(w)], s->z[Shape::vector(w)],
                                                               Shape::scalar(s, w), n, s->z[z_4_0(w)]);
  library_path_effects(s);
  if (stop < n) std::memset(s->ffr + stop * sizeof(Reg), 0, kPredicateBytes - stop * sizeof(Reg));
  return kOk;
}
template <typename Reg, typename Mem, typename Shape>
kalt64_decode_rc lib_scatter(cpu_state* s, unsigned w) {
  gather::scatter_store<Mem, Reg, Shape>(s->p[p_12_10(w)], s->z[z_4_0(w)], s->z[Shape::vector(w)],
                                         Shape::scalar(s, w), elements_of(sizeof(Reg)));
  library_path_effects(s);
  return kOk;
}

}  // namespace bind
}  // namespace qrx

#endif  // QRX_LIBRARY_GATHER_LIB_H
