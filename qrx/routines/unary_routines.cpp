// Semantic routines of the sign- and zero-extensions: one merging skeleton,
// bound to the extended width and signedness.
#include "qrx/routines/unary_routines.h"

#include <cstring>

#include "qrx/library/unary_ops.h"

using namespace qrx;

namespace {

// Zd = active ? extend(Zn) : Zd, for element sizes wider than Narrow.
template <typename Narrow, bool Signed>
kalt64_decode_rc extend_routine(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  if (p_kind(pg) == kBadCode) return KALT64_DECODE_NOT_EXECUTED;
  bool done = false;
  for_esize(z_esize(zd), [&](auto tag) {
    using T = decltype(tag);
    if constexpr (sizeof(T) > sizeof(Narrow)) {
      uint8_t out[kVectorBytes];
      merge_unary<T>(out, elements_of(sizeof(T)), UnpackedLanes<T>{s->p[pg.num]}, s->z[zd.num],
                     s->z[zn.num], ExtendOp<Narrow, Signed>{});
      std::memcpy(s->z[zd.num], out, kVectorBytes);
      done = true;
    }
  });
  return done ? KALT64_DECODE_OK : KALT64_DECODE_NOT_EXECUTED;
}

}  // namespace

kalt64_decode_rc qrx_sxtb_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return extend_routine<uint8_t, true>(s, zd, pg, zn);
}
kalt64_decode_rc qrx_sxth_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return extend_routine<uint16_t, true>(s, zd, pg, zn);
}
kalt64_decode_rc qrx_sxtw_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return extend_routine<uint32_t, true>(s, zd, pg, zn);
}
kalt64_decode_rc qrx_uxth_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return extend_routine<uint16_t, false>(s, zd, pg, zn);
}
kalt64_decode_rc qrx_uxtw_zpz(cpu_state* s, kalt64_z_reg zd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return extend_routine<uint32_t, false>(s, zd, pg, zn);
}
