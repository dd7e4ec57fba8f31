// Semantic routines of the integer reductions and the element-counting
// instructions, each the binding of one element operation from
// reduce_ops.h to the register file.
#include "qrx/routines/reduce_routines.h"

#include <cstring>

#include "qrx/library/reduce_ops.h"

using namespace qrx;

namespace {

// Vd = the reduction of Zn's active elements as its low element, the rest
// of the register cleared. The result is formed before Vd is written, so Vd
// may be Zn.
template <template <typename> class Red>
kalt64_decode_rc reduce_routine(cpu_state* s, unsigned vd, kalt64_p_reg pg, kalt64_z_reg zn) {
  if (p_kind(pg) == kBadCode) return kNotExecuted;
  return for_esize(z_esize(zn),
                   [&](auto tag) {
                     using T = decltype(tag);
                     auto acc = reduce<Red, T>(s->z[zn.num], elements_of(sizeof(T)),
                                               ActiveBit<T>{s->p[pg.num]});
                     std::memset(s->z[vd], 0, kVectorBytes);
                     std::memcpy(s->z[vd], &acc, sizeof acc);
                   })
             ? kOk
             : kNotExecuted;
}

// Xdn stepped by the pattern's count of T elements, in 64 bits.
template <typename T, typename Step>
kalt64_decode_rc step_x(cpu_state* s, kalt64_i_reg xdn, unsigned pattern, unsigned multiplier) {
  uint64_t count = scaled_count(pattern, multiplier, elements_of(sizeof(T)));
  write_x(s, xdn, Step{}(read_x(s, xdn), count));
  return kOk;
}

// Every T element of Zdn stepped by the pattern's count.
template <typename T, typename Step>
kalt64_decode_rc step_z(cpu_state* s, kalt64_z_reg zdn, unsigned pattern, unsigned multiplier) {
  uint8_t* z = s->z[zdn.num];
  step_elements<T, Step>(z, z, elements_of(sizeof(T)),
                         scaled_count(pattern, multiplier, elements_of(sizeof(T))));
  return kOk;
}

// UQDECB in T's width: old > dec ? old - dec : 0, zero-extended.
template <typename T>
kalt64_decode_rc qrx_uqdec(cpu_state* s, kalt64_i_reg rdn, uint64_t dec) {
  write_x(s, rdn, step_register<T, QDecStep<true>>(read_x(s, rdn), dec));
  return kOk;
}

// Register 31 is SP here.
void write_xsp(cpu_state* s, unsigned n, uint64_t v) {
  if (n == 31)
    s->sp = v;
  else
    s->x[n] = v;
}
kalt64_decode_rc add_scaled(cpu_state* s, kalt64_i_rsp_reg xd, kalt64_i_rsp_reg xn, int imm,
                            unsigned unit) {
  write_xsp(s, xd.num, read_base(s, xn) + static_cast<uint64_t>(int64_t{imm} * unit));
  return kOk;
}

}  // namespace

kalt64_decode_rc qrx_uaddv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return reduce_routine<UAddV>(s, vd, pg, zn);
}
kalt64_decode_rc qrx_smaxv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return reduce_routine<SMaxV>(s, vd, pg, zn);
}
kalt64_decode_rc qrx_sminv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return reduce_routine<SMinV>(s, vd, pg, zn);
}
kalt64_decode_rc qrx_umaxv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return reduce_routine<UMaxV>(s, vd, pg, zn);
}
kalt64_decode_rc qrx_uminv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return reduce_routine<UMinV>(s, vd, pg, zn);
}
kalt64_decode_rc qrx_andv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return reduce_routine<AndV>(s, vd, pg, zn);
}
kalt64_decode_rc qrx_orv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return reduce_routine<OrV>(s, vd, pg, zn);
}
kalt64_decode_rc qrx_eorv_vpz(cpu_state* s, unsigned int vd, kalt64_p_reg pg, kalt64_z_reg zn) {
  return reduce_routine<EorV>(s, vd, pg, zn);
}

kalt64_decode_rc qrx_incb_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_x<uint8_t, IncStep>(s, xdn, pattern, multiplier);
}
kalt64_decode_rc qrx_inch_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_x<uint16_t, IncStep>(s, xdn, pattern, multiplier);
}
kalt64_decode_rc qrx_incw_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_x<uint32_t, IncStep>(s, xdn, pattern, multiplier);
}
kalt64_decode_rc qrx_incd_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_x<uint64_t, IncStep>(s, xdn, pattern, multiplier);
}
kalt64_decode_rc qrx_decb_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_x<uint8_t, DecStep>(s, xdn, pattern, multiplier);
}
kalt64_decode_rc qrx_dech_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_x<uint16_t, DecStep>(s, xdn, pattern, multiplier);
}
kalt64_decode_rc qrx_decw_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_x<uint32_t, DecStep>(s, xdn, pattern, multiplier);
}
kalt64_decode_rc qrx_decd_rii(cpu_state* s, kalt64_i_reg xdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_x<uint64_t, DecStep>(s, xdn, pattern, multiplier);
}

kalt64_decode_rc qrx_inch_zii(cpu_state* s, kalt64_z_reg zdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_z<uint16_t, IncStep>(s, zdn, pattern, multiplier);
}
kalt64_decode_rc qrx_incw_zii(cpu_state* s, kalt64_z_reg zdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_z<uint32_t, IncStep>(s, zdn, pattern, multiplier);
}
kalt64_decode_rc qrx_incd_zii(cpu_state* s, kalt64_z_reg zdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_z<uint64_t, IncStep>(s, zdn, pattern, multiplier);
}
kalt64_decode_rc qrx_dech_zii(cpu_state* s, kalt64_z_reg zdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_z<uint16_t, DecStep>(s, zdn, pattern, multiplier);
}
kalt64_decode_rc qrx_decw_zii(cpu_state* s, kalt64_z_reg zdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_z<uint32_t, DecStep>(s, zdn, pattern, multiplier);
}
kalt64_decode_rc qrx_decd_zii(cpu_state* s, kalt64_z_reg zdn, unsigned int pattern,
                              unsigned int multiplier) {
  return step_z<uint64_t, DecStep>(s, zdn, pattern, multiplier);
}

kalt64_decode_rc qrx_incp_rp(cpu_state* s, kalt64_i_reg xdn, kalt64_p_reg pm) {
  unsigned e = p_esize(pm);
  if (e == kBadCode) return kNotExecuted;
  unsigned eb = 1u << e;
  const uint8_t* p = s->p[pm.num];
  write_x(s, xdn, read_x(s, xdn) + count_common(p, p, chunk_elements(eb)));
  return kOk;
}

// The width comes from the descriptor's width code, wherever the
// descriptor keeps it (qual2 for the destructive form).
kalt64_decode_rc qrx_uqdecb_rii(cpu_state* s, kalt64_i_reg rdn, unsigned int pattern,
                                unsigned int multiplier) {
  unsigned width = i_width(rdn);
  if (width == kBadCode) return kNotExecuted;
  uint64_t dec = scaled_count(pattern, multiplier, kBytesElems);
  return width == kalt64_i_reg::W64 ? qrx_uqdec<uint64_t>(s, rdn, dec)
                                    : qrx_uqdec<uint32_t>(s, rdn, dec);
}

kalt64_decode_rc qrx_addvl_rri(cpu_state* s, kalt64_i_rsp_reg xd, kalt64_i_rsp_reg xn, int imm) {
  return add_scaled(s, xd, xn, imm, kVectorBytes);
}
kalt64_decode_rc qrx_addpl_rri(cpu_state* s, kalt64_i_rsp_reg xd, kalt64_i_rsp_reg xn, int imm) {
  return add_scaled(s, xd, xn, imm, kVectorBytes / 8);
}
kalt64_decode_rc qrx_rdvl_ri(cpu_state* s, kalt64_i_reg xd, int imm) {
  write_x(s, xd, static_cast<uint64_t>(int64_t{imm} * kVectorBytes));
  return kOk;
}
