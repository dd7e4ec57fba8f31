// The floating-point environment of a library function: the context's FPCR
// read once into an FPEnv for all of its element operations, and the flags
// they raise set in the context's FPSR once at the end.
//
//   VecValue VecF32AddExample(const PredV& pg, const VecValue& a, const VecValue& b,
//                             CpuContext* ctx) {
//     VecValue r = a;
//     qrx::with_fp_env(ctx, [&](FPEnv& env) {
//       for (unsigned i = 0; i < qrx::ctx_elements(ctx, 4); ++i) {
//         if (pg.active(i, 4)) r.set(i, FPAdd(a.get<uint32_t>(i), b.get<uint32_t>(i), env));
//       }
//     });
//     return r;
//   }
//
// Only the six cumulative flags reach FPSR, set and never cleared; its other
// bits, and the control bits of FPCR, are left as they were.
#ifndef QRX_LIBRARY_FP_ENV_H
#define QRX_LIBRARY_FP_ENV_H

#include <type_traits>

#include "qrx/fp/fp_status.h"
#include "qrx/library/lib_types.h"

namespace qrx {

// The environment of the context's control word, with no flag raised yet.
inline FPEnv fp_env_of(const CpuContext* ctx) { return fp_env_from_control(ctx->FPCR); }

// Sets the flags raised under env in the context's status word.
inline void fp_env_merge(CpuContext* ctx, const FPEnv& env) {
  ctx->FPSR = fp_status_with_flags(ctx->FPSR, env.flags);
}

// Runs body(FPEnv&) under the context's control word and merges the flags it
// raised into the context's status word; returns what body returns.
template <typename Body>
inline auto with_fp_env(CpuContext* ctx, Body&& body) {
  FPEnv env = fp_env_of(ctx);
  if constexpr (std::is_void_v<decltype(body(env))>) {
    body(env);
    fp_env_merge(ctx, env);
  } else {
    auto result = body(env);
    fp_env_merge(ctx, env);
    return result;
  }
}

}  // namespace qrx

#endif  // QRX_LIBRARY_FP_ENV_H
