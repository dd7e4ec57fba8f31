// Contiguous loads and stores on the register file: each routine binds its
// row of memory_routines.h to one of the shared transfers of
// contiguous_memory.h. Loads build the destination in a local buffer and
// copy it once, after the last memory access.
#include "qrx/routines/memory_routines.h"

#include <cstring>
#include <type_traits>

#include "qrx/library/contiguous_memory.h"
#include "qrx/library/pred_pack.h"

namespace {

using qrx::kVectorBytes;

// Block address of the scalar-plus-immediate forms: imm4 whole blocks.
template <typename Mem, typename Reg>
uint64_t block_imm(const cpu_state* s, kalt64_i_rsp_reg xn, int imm4) {
  constexpr uint64_t block = kVectorBytes / sizeof(Reg) * sizeof(Mem);
  return qrx::read_base(s, xn) + static_cast<uint64_t>(static_cast<int64_t>(imm4)) * block;
}
// Scalar plus scalar: Xm memory elements (XZR for Rm = 31).
template <typename Mem>
uint64_t block_reg(const cpu_state* s, kalt64_i_rsp_reg xn, kalt64_i_reg xm) {
  return qrx::read_base(s, xn) + qrx::read_x(s, xm) * sizeof(Mem);
}

// A load through one of the shared transfers, into a local buffer copied
// into Zt after the last access.
template <void (*Transfer)(const uint8_t* const&, uint64_t, uint8_t*)>
kalt64_decode_rc load(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg, uint64_t addr) {
  uint8_t out[kVectorBytes];
  Transfer(s->p[pg.num], addr, out);
  std::memcpy(s->z[zt.num], out, kVectorBytes);
  return KALT64_DECODE_OK;
}

template <typename Mem, typename Reg>
kalt64_decode_rc store(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg, uint64_t addr) {
  qrx::store_contiguous<Mem, Reg>(s->p[pg.num], addr, s->z[zt.num]);
  return KALT64_DECODE_OK;
}

// First-fault and non-fault loads: the first-fault register is cleared from
// the first element that could not be loaded.
template <typename Mem, typename Reg, qrx::first_access kFirst>
kalt64_decode_rc load_speculative(cpu_state* s, kalt64_z_reg zt, kalt64_p_reg pg, uint64_t addr) {
  uint8_t out[kVectorBytes];
  unsigned stop = qrx::load_until_unreadable<Mem, Reg>(s->p[pg.num], addr, kVectorBytes / sizeof(Reg), kFirst, out);
  std::memcpy(s->z[zt.num], out, kVectorBytes);
  const unsigned from = stop * sizeof(Reg);
  if (from < qrx::kPredicateBytes) std::memset(s->ffr + from, 0, qrx::kPredicateBytes - from);
  return KALT64_DECODE_OK;
}

template <typename Mem, typename Reg>
using Plain = std::integral_constant<void (*)(const uint8_t* const&, uint64_t, uint8_t*),
                                     qrx::load_contiguous<Mem, Reg, const uint8_t*>>;
template <typename Mem, typename Reg>
using Replicate = std::integral_constant<void (*)(const uint8_t* const&, uint64_t, uint8_t*),
                                         qrx::load_replicate<Mem, Reg, const uint8_t*>>;

}  // namespace

// One routine: its name, parameters, and the transfer with its address.
#define QRX_DEFINE(prefix, form, params, body) \
  kalt64_decode_rc qrx_##prefix##form(params) { return body; }
#define QRX_IMM(Mem, Reg) block_imm<Mem, Reg>(s, xn, imm4)
#define QRX_REG(Mem) block_reg<Mem>(s, xn, xm)

#define QRX_DEFINE_LOADS(sfx, Mem, Reg)                                                                     \
  QRX_DEFINE(ld1, sfx##_zpri, QRX_ZPRI_PARAMS, (load<Plain<Mem, Reg>::value>(s, zt, pg, QRX_IMM(Mem, Reg))))   \
  QRX_DEFINE(ld1, sfx##_scaled_zprr, QRX_ZPRR_PARAMS, (load<Plain<Mem, Reg>::value>(s, zt, pg, QRX_REG(Mem)))) \
  QRX_DEFINE(ldnf1, sfx##_zpri, QRX_ZPRI_PARAMS,                                                            \
             (load_speculative<Mem, Reg, qrx::first_access::probed>(s, zt, pg, QRX_IMM(Mem, Reg))))          \
  QRX_DEFINE(ld1r, sfx##_zpri, QRX_LD1R_PARAMS,                                                             \
             (load<Replicate<Mem, Reg>::value>(s, zt, pg, qrx::read_base(s, xn) + uint64_t{imm6} * sizeof(Mem))))
#define QRX_DEFINE_STORES(sfx, Mem, Reg)                                                            \
  QRX_DEFINE(st1, sfx##_zpri, QRX_ZPRI_PARAMS, (store<Mem, Reg>(s, zt, pg, QRX_IMM(Mem, Reg)))) \
  QRX_DEFINE(st1, sfx##_scaled_zprr, QRX_ZPRR_PARAMS, (store<Mem, Reg>(s, zt, pg, QRX_REG(Mem))))
#define QRX_DEFINE_NONTEMPORAL(sfx, Mem, Reg)                                                                \
  QRX_DEFINE(ldnt1, sfx##_zpri, QRX_ZPRI_PARAMS, (qrx_ld1##sfx##_zpri(s, zt, pg, xn, imm4)))                 \
  QRX_DEFINE(ldnt1, sfx##_scaled_zprr, QRX_ZPRR_PARAMS, (qrx_ld1##sfx##_scaled_zprr(s, zt, pg, xn, xm)))     \
  QRX_DEFINE(stnt1, sfx##_zpri, QRX_ZPRI_PARAMS, (qrx_st1##sfx##_zpri(s, zt, pg, xn, imm4)))                 \
  QRX_DEFINE(stnt1, sfx##_scaled_zprr, QRX_ZPRR_PARAMS, (qrx_st1##sfx##_scaled_zprr(s, zt, pg, xn, xm)))
#define QRX_DEFINE_FIRST_FAULT(sfx, Mem, Reg) \
  QRX_DEFINE(ldff1, sfx##_scaled_zprr, QRX_ZPRR_PARAMS,  \
             (load_speculative<Mem, Reg, qrx::first_access::plain>(s, zt, pg, QRX_REG(Mem))))

QRX_LOAD_SIZES(QRX_DEFINE_LOADS)
QRX_STORE_SIZES(QRX_DEFINE_STORES)
QRX_NONTEMPORAL_SIZES(QRX_DEFINE_NONTEMPORAL)
QRX_FIRST_FAULT_SIZES(QRX_DEFINE_FIRST_FAULT)

// ----- Fill and spill ---------------------------------------------------------

namespace {

uint64_t fill_address(const cpu_state* s, kalt64_i_rsp_reg xn, int imm9, unsigned unit) {
  return qrx::read_base(s, xn) + static_cast<uint64_t>(static_cast<int64_t>(imm9) * unit);
}

constexpr unsigned kPackedBytes = qrx::kPredicateBits / 8;
// STR writes doublewords: one that runs into an inaccessible page faults
// with the doublewords before it stored.
constexpr size_t kSpillUnit = 8;

}  // namespace

kalt64_decode_rc qrx_ldr_zri(cpu_state* s, kalt64_z_reg zt, kalt64_i_rsp_reg xn, int imm9) {
  uint8_t v[kVectorBytes];
  qrx::memory_backend().read(reinterpret_cast<const void*>(fill_address(s, xn, imm9, kVectorBytes)), v, sizeof v);
  std::memcpy(s->z[zt.num], v, sizeof v);
  return KALT64_DECODE_OK;
}

kalt64_decode_rc qrx_str_zri(cpu_state* s, kalt64_z_reg zt, kalt64_i_rsp_reg xn, int imm9) {
  qrx::write_ascending(fill_address(s, xn, imm9, kVectorBytes), s->z[zt.num], kVectorBytes, kSpillUnit);
  return KALT64_DECODE_OK;
}

kalt64_decode_rc qrx_ldr_pri(cpu_state* s, kalt64_p_reg pt, kalt64_i_rsp_reg xn, int imm9) {
  uint8_t packed[kPackedBytes];
  qrx::memory_backend().read(reinterpret_cast<const void*>(fill_address(s, xn, imm9, kPackedBytes)), packed,
                             sizeof packed);
  for (unsigned j = 0; j < qrx::kPredicateBits; j += 8) {
    uint64_t bytes = qrx::spread_bits_to_bytes(packed[j / 8]);
    std::memcpy(s->p[pt.num] + j, &bytes, 8);
  }
  return KALT64_DECODE_OK;
}

kalt64_decode_rc qrx_str_pri(cpu_state* s, kalt64_p_reg pt, kalt64_i_rsp_reg xn, int imm9) {
  uint8_t packed[kPackedBytes];
  for (unsigned j = 0; j < qrx::kPredicateBits; j += 8) {
    uint64_t bytes;
    std::memcpy(&bytes, s->p[pt.num] + j, 8);
    packed[j / 8] = static_cast<uint8_t>(qrx::gather_byte_lsbs(bytes));
  }
  qrx::write_ascending(fill_address(s, xn, imm9, kPackedBytes), packed, sizeof packed, kSpillUnit);
  return KALT64_DECODE_OK;
}
