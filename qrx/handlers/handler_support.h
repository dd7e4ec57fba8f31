// What every decode/execute handler shares: operand-field extraction, the
// routine-path convention and the library-path context build and write-back.
//
// A routine-path handler stores the word, extracts its fields, builds the
// descriptors and calls its semantic routine:
//
//   kalt64_decode_rc VecS8CmpFlgGTVIZ(cpu_state* s, unsigned int w) {
//     begin_routine(s, w);
//     return qrx_cmpgt_ppzi(s, p_operand(field(w, 3, 0), ESIZE_B), ...);
//   }
//
// A library-path handler runs its library call inside library_path(), which
// builds the context from the register file and writes it back afterwards:
//
//   kalt64_decode_rc VecU8CmpFlgGEVIZ(cpu_state* s, unsigned int w) {
//     return library_path(s, [&](CpuContext* ctx) {
//       write_pred(s, field(w, 3, 0),
//                  ::VecU8CmpFlgGEVIZ(read_pred(s, field(w, 12, 10)),
//                                     read_vec(s, field(w, 9, 5)), field(w, 20, 14), ctx));
//     });
//   }
#ifndef QRX_HANDLERS_HANDLER_SUPPORT_H
#define QRX_HANDLERS_HANDLER_SUPPORT_H

#include <cstdint>
#include <cstring>

#include "qrx/library/lib_types.h"
#include "qrx/library/pred_pack.h"
#include "qrx/state/cpu_state.h"

namespace qrx {

// Bits hi..lo of w, unsigned.
constexpr uint32_t field(uint32_t w, unsigned hi, unsigned lo) {
  return (w >> lo) & (hi - lo == 31 ? 0xFFFFFFFFu : ((1u << (hi - lo + 1)) - 1));
}
// Bits hi..lo of w, sign-extended.
constexpr int32_t sfield(uint32_t w, unsigned hi, unsigned lo) {
  unsigned width = hi - lo + 1;
  uint32_t v = field(w, hi, lo);
  uint32_t sign = 1u << (width - 1);
  return static_cast<int32_t>((v ^ sign) - sign);
}

// ----- Routine path --------------------------------------------------------

inline void begin_routine(cpu_state* s, unsigned int w) { s->encoding = w; }

// ----- Library path --------------------------------------------------------

// The context as the library sees the register file (FPCR with fpcr_extra
// folded in, FFR packed). The reserved parts are left unset: no library
// function reads them.
inline void build_context(const cpu_state* s, CpuContext* ctx) {
  ctx->NZCV = static_cast<uint32_t>(s->nzcv);
  ctx->FPSR = s->fpsr;
  ctx->FPCR = s->fpcr | s->fpcr_extra;
  ctx->VL = kContextVL;
  ctx->FFR = pack_predicate(s->ffr);
}

// The context back into the register file: nzcv zero-extended, fpsr, fpcr
// and ffr unpacked.
inline void write_back_context(cpu_state* s, const CpuContext& ctx) {
  s->nzcv = ctx.NZCV;
  s->fpsr = ctx.FPSR;
  s->fpcr = ctx.FPCR;
  unpack_predicate(ctx.FFR, s->ffr);
}

// Runs body(CpuContext*) between the context build and the write-back.
// A library-path handler always reports success.
template <typename Body>
inline kalt64_decode_rc library_path(cpu_state* s, Body&& body) {
  CpuContext ctx;
  build_context(s, &ctx);
  body(&ctx);
  write_back_context(s, ctx);
  return KALT64_DECODE_OK;
}

// Operand marshalling: a vector register's bytes into a VecValue (the bytes
// beyond the vector length are zero), a predicate register packed.
inline VecValue read_vec(const cpu_state* s, unsigned n) {
  VecValue v;
  std::memcpy(v.b, s->z[n], kVectorBytes);
  std::memset(v.b + kVectorBytes, 0, sizeof v.b - kVectorBytes);
  return v;
}
inline void write_vec(cpu_state* s, unsigned n, const VecValue& v) {
  std::memcpy(s->z[n], v.b, kVectorBytes);
}
inline PredV read_pred(const cpu_state* s, unsigned n) { return pack_predicate(s->p[n]); }
inline void write_pred(cpu_state* s, unsigned n, const PredV& p) { unpack_predicate(p, s->p[n]); }

}  // namespace qrx

#endif  // QRX_HANDLERS_HANDLER_SUPPORT_H
