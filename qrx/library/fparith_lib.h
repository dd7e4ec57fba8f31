// Instruction library: the floating-point arithmetic family (arithmetic,
// minimum and maximum, multiply-add, complex arithmetic, compares).
//
// The element cores below run an element operation of fparith_ops.h under an
// environment (FPEnv on the library path, HostFpScope on the host path) over
// an active view and operand readers; inactive elements never reach the
// operation. values::lib_f* are the exported functions (declared in the
// generated library_fparith.h, value operands, the context last) and
// bind::lib_f* the library-path handlers: both run the same cores, the
// handlers directly on the register file's bytes, reading the control word
// once per instruction and setting the raised flags in fpsr once.
#ifndef QRX_LIBRARY_FPARITH_LIB_H
#define QRX_LIBRARY_FPARITH_LIB_H

#include <cstdint>
#include <cstring>

#include "qrx/decode/library_fparith.h"
#include "qrx/handlers/handler_support.h"
#include "qrx/library/fp_env.h"
#include "qrx/library/fp_fast.h"
#include "qrx/library/fparith_ops.h"
#include "qrx/library/lib_types.h"
#include "qrx/library/skeletons.h"

namespace qrx {

// ----- Operand readers ------------------------------------------------------

// Element (segment of i) + index of zm: the indexed forms select within each
// 128-bit segment.
template <typename T>
struct IndexedRhs {
  const uint8_t* v;
  unsigned index;
  T operator()(unsigned i) const {
    constexpr unsigned kPerSegment = 16 / sizeof(T);
    return elem<T>(v, (i & ~(kPerSegment - 1)) + (index & (kPerSegment - 1)));
  }
};

// The index fields of the indexed multiplies: Zm and the element index within
// the segment, by element size (half: index bits 22 and 20..19).
template <typename T>
constexpr unsigned idx_zm(uint32_t w) {
  return sizeof(T) == 8 ? field(w, 19, 16) : field(w, 18, 16);
}
template <typename T>
constexpr unsigned idx_index(uint32_t w) {
  return sizeof(T) == 2   ? (field(w, 22, 22) << 2) | field(w, 20, 19)
         : sizeof(T) == 4 ? field(w, 20, 19)
                          : field(w, 20, 20);
}
// FCMLA (indexed): half Zm 18..16 and pair index 20..19, single Zm 19..16
// and pair index 20.
template <typename T>
constexpr unsigned cmla_idx_zm(uint32_t w) {
  return sizeof(T) == 2 ? field(w, 18, 16) : field(w, 19, 16);
}
template <typename T>
constexpr unsigned cmla_idx_index(uint32_t w) {
  return sizeof(T) == 2 ? field(w, 20, 19) : field(w, 20, 20);
}

// ----- Element cores ----------------------------------------------------------
// Each writes the n elements of a result into out; inactive elements keep
// their value (or give false) and never reach the operation. Operations with
// a fast form take the fast loops of fp_fast.h where they apply.

// out[i] = active(i) ? op(a[i], rhs(i)) : a[i].
template <typename T, typename Op, typename Active, typename Rhs, typename Env>
inline void fp_binary(uint8_t* out, unsigned n, Active active, const uint8_t* a, Rhs rhs,
                      Env& env) {
  if (FPEnv* fast = fp_fast_env(env)) {
    if (fp_fast_binary<T, Op>(out, n, active, a, rhs, *fast)) return;
  }
  merge_binary<T>(out, n, active, a, rhs, [&](T x, T y) { return Op{}(x, y, env); });
}

// out[i] = active(i) ? op(acc[i], zn[i], m(i)) : keep[i].
template <typename T, typename Op, typename Active, typename M, typename Env>
inline void fp_ternary(uint8_t* out, unsigned n, Active active, const uint8_t* keep,
                       const uint8_t* acc, const uint8_t* zn, M m, Env& env) {
  if (FPEnv* fast = fp_fast_env(env)) {
    if (fp_fast_ternary<T, Op>(out, n, active, keep, acc, zn, m, *fast)) return;
  }
  for (unsigned i = 0; i < n; ++i)
    set_elem<T>(out, i,
                active(i) ? Op{}(elem<T>(acc, i), elem<T>(zn, i), m(i), env) : elem<T>(keep, i));
}

// Unpacked predicate bytes (out, zeroed first) of active(i) && op(a[i], rhs(i)).
template <typename T, typename Op, typename Active, typename Rhs, typename Env>
inline void fp_compare(uint8_t* out, unsigned n, Active active, const uint8_t* a, Rhs rhs,
                       Env& env) {
  std::memset(out, 0, n * sizeof(T));
  for (unsigned i = 0; i < n; ++i)
    out[i * sizeof(T)] = static_cast<uint8_t>(active(i) && Op{}(elem<T>(a, i), rhs(i), env));
}

// The compares whose outcome on operands that compare by their bits (see
// fp_compares_by_bits) is an integer compare of the order keys (by
// magnitude for the absolute compares, the operands swapped for LE and LT).
template <typename Op>
struct FpKeyCompare {
  static constexpr bool kDefined = false;
};
template <FpKeyCmp C, bool Abs = false, bool Swap = false>
struct FpKeyRule {
  static constexpr bool kDefined = true, kByMagnitude = Abs, kSwap = Swap;
  static constexpr FpKeyCmp kCmp = C;
};
template <> struct FpKeyCompare<FCmpEqOp> : FpKeyRule<FpKeyCmp::Eq> {};
template <> struct FpKeyCompare<FCmpNeOp> : FpKeyRule<FpKeyCmp::Ne> {};
template <> struct FpKeyCompare<FCmpGeOp> : FpKeyRule<FpKeyCmp::Ge> {};
template <> struct FpKeyCompare<FCmpGtOp> : FpKeyRule<FpKeyCmp::Gt> {};
template <> struct FpKeyCompare<FCmpLeOp> : FpKeyRule<FpKeyCmp::Ge, false, true> {};
template <> struct FpKeyCompare<FCmpLtOp> : FpKeyRule<FpKeyCmp::Gt, false, true> {};
template <> struct FpKeyCompare<FCmpUnOp> : FpKeyRule<FpKeyCmp::False> {};
template <> struct FpKeyCompare<FAcGeOp> : FpKeyRule<FpKeyCmp::Ge, true> {};
template <> struct FpKeyCompare<FAcGtOp> : FpKeyRule<FpKeyCmp::Gt, true> {};

// The compare of fp_compare without an environment, when every active
// element's operands compare by their bits under the mode word `mode`: out
// then holds the unpacked predicate lanes (1 or 0 in the T at byte i*E) and
// the result is true. Otherwise out is unspecified and the result false:
// the caller runs fp_compare, which raises the flags. The operands are
// gathered into lanes and compared by fp_key_compare, one flat loop
// without a branch (built for the host's widest vector unit).
template <typename T, typename Op, typename Rhs>
inline bool fp_compare_by_bits(uint8_t* out, unsigned n, const uint8_t* pg, const uint8_t* a,
                               Rhs rhs, int mode) {
  using Rule = FpKeyCompare<Op>;
  if constexpr (!Rule::kDefined) {
    return false;
  } else {
    // The registers are the kernel's lanes; an immediate operand is spread
    // into a register first.
    const uint8_t* b;
    alignas(16) uint8_t spread[kMaxVectorBytes];
    if constexpr (std::is_same_v<Rhs, VecRhs<T>>) {
      b = rhs.v;
    } else {
      for (unsigned i = 0; i < n; ++i) set_elem<T>(spread, i, rhs(i));
      b = spread;
    }
    if (!fp_key_compare<T>(Rule::kCmp, Rule::kByMagnitude, Rule::kSwap ? b : a, Rule::kSwap ? a : b,
                           pg, out, n, mode))
      return false;
    return true;
  }
}

// Complex pairs: element 2k the real part, 2k + 1 the imaginary part; each
// element is governed by its own predicate bit.
// FCADD, rotation 0 (90 degrees) or 1 (270 degrees):
//   90: re + (-zm.im), im + zm.re;   270: re + zm.im, im + (-zm.re).
template <typename T, typename Active>
inline void fp_cadd(uint8_t* out, unsigned n, Active active, const uint8_t* zdn, const uint8_t* zm,
                    uint32_t rot, FPEnv& env) {
  for (unsigned k = 0; k + 1 < n; k += 2) {
    const T re = elem<T>(zdn, k), im = elem<T>(zdn, k + 1);
    const T m_re = elem<T>(zm, k), m_im = elem<T>(zm, k + 1);
    set_elem<T>(out, k, active(k) ? FPAdd(re, rot ? m_im : FPNeg(m_im), env) : re);
    set_elem<T>(out, k + 1, active(k + 1) ? FPAdd(im, rot ? FPNeg(m_re) : m_re, env) : im);
  }
}
// FCMLA, rotation 0..3 (0, 90, 180, 270 degrees): re = zda.re + a x b_re,
// im = zda.im + a x b_im, a = zn.re (0, 180) or zn.im (90, 270),
//   (b_re, b_im) = (m.re, m.im), (-m.im, m.re), (-m.re, -m.im), (m.im, -m.re);
// m is the pair of zm that pair_of(k) names.
template <typename T, typename Active, typename PairOf>
inline void fp_cmla(uint8_t* out, unsigned n, Active active, const uint8_t* zda, const uint8_t* zn,
                    const uint8_t* zm, PairOf pair_of, uint32_t rot, FPEnv& env) {
  const bool odd = rot & 1, neg_re = rot == 1 || rot == 2, neg_im = rot >= 2;
  for (unsigned k = 0; k + 1 < n; k += 2) {
    const unsigned p = pair_of(k);
    const T a = elem<T>(zn, odd ? k + 1 : k);
    T b_re = elem<T>(zm, odd ? p + 1 : p), b_im = elem<T>(zm, odd ? p : p + 1);
    if (neg_re) b_re = FPNeg(b_re);
    if (neg_im) b_im = FPNeg(b_im);
    const T re = elem<T>(zda, k), im = elem<T>(zda, k + 1);
    set_elem<T>(out, k, active(k) ? FPMulAdd(re, a, b_re, env) : re);
    set_elem<T>(out, k + 1, active(k + 1) ? FPMulAdd(im, a, b_im, env) : im);
  }
}
// The zm pair of pair k: its own (vectors), or the index-th of its segment.
struct SamePair {
  unsigned operator()(unsigned k) const { return k; }
};
template <typename T>
struct IndexedPair {
  unsigned index;
  unsigned operator()(unsigned k) const {
    constexpr unsigned kPerSegment = 16 / sizeof(T);
    return (k & ~(kPerSegment - 1)) + 2 * (index & (kPerSegment / 2 - 1));
  }
};

// ----- Library-path environment ---------------------------------------------

// Runs body(FPEnv&) under the register file's control word (fpcr with
// fpcr_extra folded in, as the context has it), sets the raised flags in fpsr
// and applies the library path's other register-file effects.
template <typename Body>
inline void fp_library_path(cpu_state* s, Body&& body) {
  FPEnv env = fp_env_from_control(s->fpcr | s->fpcr_extra);
  body(env);
  s->fpsr = fp_status_with_flags(s->fpsr, env.flags);
  library_path_effects(s);
}

// The result vector of body(out, env) under the register file's control word
// (handlers) or the context's (exported functions).
template <typename Body>
inline kalt64_decode_rc fp_library_vector(cpu_state* s, unsigned zd, Body&& body) {
  VecResult r;
  fp_library_path(s, [&](FPEnv& env) { body(r.b, env); });
  return store_result(s, zd, r);
}
template <typename Body>
inline VecValue fp_values(CpuContext* ctx, Body&& body) {
  VecValue r{};
  with_fp_env(ctx, [&](FPEnv& env) { body(r.b, env); });
  return r;
}

namespace values {

template <typename T, typename Op>
VecValue lib_fvvm(const VecValue& zdn, const PredV& pg, const VecValue& zm, CpuContext* ctx) {
  return fp_values(ctx, [&](uint8_t* out, FPEnv& env) {
    fp_binary<T, Op>(out, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zdn.b, VecRhs<T>{zm.b},
                     env);
  });
}
template <typename T, typename Op>
VecValue lib_fvvx(const VecValue& zn, const VecValue& zm, CpuContext* ctx) {
  return fp_values(ctx, [&](uint8_t* out, FPEnv& env) {
    fp_binary<T, Op>(out, ctx_elements(ctx, sizeof(T)), AllActive{}, zn.b, VecRhs<T>{zm.b}, env);
  });
}
template <typename T, typename Op, typename Pair>
VecValue lib_fvim(const VecValue& zdn, const PredV& pg, uint32_t imm, CpuContext* ctx) {
  return fp_values(ctx, [&](uint8_t* out, FPEnv& env) {
    fp_binary<T, Op>(out, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zdn.b,
                     ImmRhs<T>{fp_imm_constant<T, Pair>(imm, env)}, env);
  });
}

template <typename T, typename Op>
VecValue lib_fmla(const VecValue& zda, const PredV& pg, const VecValue& zn, const VecValue& zm,
                  CpuContext* ctx) {
  return fp_values(ctx, [&](uint8_t* out, FPEnv& env) {
    fp_ternary<T, Op>(out, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zda.b, zda.b, zn.b,
                      VecRhs<T>{zm.b}, env);
  });
}
template <typename T, typename Op>
VecValue lib_fmad(const VecValue& zdn, const PredV& pg, const VecValue& zm, const VecValue& za,
                  CpuContext* ctx) {
  return fp_values(ctx, [&](uint8_t* out, FPEnv& env) {
    fp_ternary<T, Op>(out, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zdn.b, za.b, zdn.b,
                      VecRhs<T>{zm.b}, env);
  });
}
template <typename T, typename Op>
VecValue lib_fmul_idx(const VecValue& zn, const VecValue& zm, uint32_t index, CpuContext* ctx) {
  return fp_values(ctx, [&](uint8_t* out, FPEnv& env) {
    fp_binary<T, Op>(out, ctx_elements(ctx, sizeof(T)), AllActive{}, zn.b,
                     IndexedRhs<T>{zm.b, index}, env);
  });
}
template <typename T, typename Op>
VecValue lib_fmla_idx(const VecValue& zda, const VecValue& zn, const VecValue& zm, uint32_t index,
                      CpuContext* ctx) {
  return fp_values(ctx, [&](uint8_t* out, FPEnv& env) {
    fp_ternary<T, Op>(out, ctx_elements(ctx, sizeof(T)), AllActive{}, zda.b, zda.b, zn.b,
                      IndexedRhs<T>{zm.b, index}, env);
  });
}
template <typename T>
VecValue lib_fcadd(const VecValue& zdn, const PredV& pg, const VecValue& zm, uint32_t rot,
                   CpuContext* ctx) {
  return fp_values(ctx, [&](uint8_t* out, FPEnv& env) {
    fp_cadd<T>(out, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zdn.b, zm.b, rot & 1, env);
  });
}
template <typename T>
VecValue lib_fcmla(const VecValue& zda, const PredV& pg, const VecValue& zn, const VecValue& zm,
                   uint32_t rot, CpuContext* ctx) {
  return fp_values(ctx, [&](uint8_t* out, FPEnv& env) {
    fp_cmla<T>(out, ctx_elements(ctx, sizeof(T)), PackedActive<T>{pg}, zda.b, zn.b, zm.b,
               SamePair{}, rot & 3, env);
  });
}
template <typename T>
VecValue lib_fcmla_idx(const VecValue& zda, const VecValue& zn, const VecValue& zm, uint32_t index,
                       uint32_t rot, CpuContext* ctx) {
  return fp_values(ctx, [&](uint8_t* out, FPEnv& env) {
    fp_cmla<T>(out, ctx_elements(ctx, sizeof(T)), AllActive{}, zda.b, zn.b, zm.b,
               IndexedPair<T>{index}, rot & 3, env);
  });
}
// Compares: the packed predicate of the active elements that compare true.
template <typename T, typename Op, typename Rhs>
PredV fp_compare_packed(const PredV& pg, const VecValue& zn, Rhs rhs, CpuContext* ctx) {
  uint8_t bytes[kMaxVectorBytes];
  const unsigned n = ctx_elements(ctx, sizeof(T));
  with_fp_env(
      ctx, [&](FPEnv& env) { fp_compare<T, Op>(bytes, n, PackedActive<T>{pg}, zn.b, rhs, env); });
  PredV r{};
  for (unsigned i = 0; i < n; ++i) r.set_bit(i * sizeof(T), bytes[i * sizeof(T)]);
  return r;
}
template <typename T, typename Op>
PredV lib_fcmp(const PredV& pg, const VecValue& zn, const VecValue& zm, CpuContext* ctx) {
  return fp_compare_packed<T, Op>(pg, zn, VecRhs<T>{zm.b}, ctx);
}
template <typename T, typename Op>
PredV lib_fcmp0(const PredV& pg, const VecValue& zn, CpuContext* ctx) {
  return fp_compare_packed<T, Op>(pg, zn, ImmRhs<T>{0}, ctx);
}

}  // namespace values

namespace bind {

// Zdn 4..0, Pg 12..10, Zm 9..5.
template <typename T, typename Op>
kalt64_decode_rc lib_fvvm(cpu_state* s, unsigned w) {
  return fp_library_vector(s, z_4_0(w), [&](uint8_t* out, FPEnv& env) {
    fp_binary<T, Op>(out, elements_of(sizeof(T)), UnpackedActive<T>{s->p[p_12_10(w)]},
                     s->z[z_4_0(w)], VecRhs<T>{s->z[z_9_5(w)]}, env);
  });
}
// Zd 4..0, Zn 9..5, Zm 20..16.
template <typename T, typename Op>
kalt64_decode_rc lib_fvvx(cpu_state* s, unsigned w) {
  return fp_library_vector(s, z_4_0(w), [&](uint8_t* out, FPEnv& env) {
    fp_binary<T, Op>(out, elements_of(sizeof(T)), AllActive{}, s->z[z_9_5(w)],
                     VecRhs<T>{s->z[z_20_16(w)]}, env);
  });
}
// Zdn 4..0, Pg 12..10, the constant chosen by bit 5.
template <typename T, typename Op, typename Pair>
kalt64_decode_rc lib_fvim(cpu_state* s, unsigned w) {
  return fp_library_vector(s, z_4_0(w), [&](uint8_t* out, FPEnv& env) {
    fp_binary<T, Op>(out, elements_of(sizeof(T)), UnpackedActive<T>{s->p[p_12_10(w)]},
                     s->z[z_4_0(w)], ImmRhs<T>{fp_imm_constant<T, Pair>(field(w, 5, 5), env)}, env);
  });
}

// Zda 4..0, Pg 12..10, Zn 9..5, Zm 20..16: Zda = op(Zda, Zn, Zm).
template <typename T, typename Op>
kalt64_decode_rc lib_fmla(cpu_state* s, unsigned w) {
  return fp_library_vector(s, z_4_0(w), [&](uint8_t* out, FPEnv& env) {
    fp_ternary<T, Op>(out, elements_of(sizeof(T)), UnpackedActive<T>{s->p[p_12_10(w)]},
                      s->z[z_4_0(w)], s->z[z_4_0(w)], s->z[z_9_5(w)], VecRhs<T>{s->z[z_20_16(w)]},
                      env);
  });
}
// Zdn 4..0, Pg 12..10, Zm 9..5, Za 20..16: Zdn = op(Za, Zdn, Zm).
template <typename T, typename Op>
kalt64_decode_rc lib_fmad(cpu_state* s, unsigned w) {
  return fp_library_vector(s, z_4_0(w), [&](uint8_t* out, FPEnv& env) {
    fp_ternary<T, Op>(out, elements_of(sizeof(T)), UnpackedActive<T>{s->p[p_12_10(w)]},
                      s->z[z_4_0(w)], s->z[z_20_16(w)], s->z[z_4_0(w)], VecRhs<T>{s->z[z_9_5(w)]},
                      env);
  });
}
// Zd 4..0, Zn 9..5, Zm and index by size.
template <typename T, typename Op>
kalt64_decode_rc lib_fmul_idx(cpu_state* s, unsigned w) {
  return fp_library_vector(s, z_4_0(w), [&](uint8_t* out, FPEnv& env) {
    fp_binary<T, Op>(out, elements_of(sizeof(T)), AllActive{}, s->z[z_9_5(w)],
                     IndexedRhs<T>{s->z[idx_zm<T>(w)], idx_index<T>(w)}, env);
  });
}
template <typename T, typename Op>
kalt64_decode_rc lib_fmla_idx(cpu_state* s, unsigned w) {
  return fp_library_vector(s, z_4_0(w), [&](uint8_t* out, FPEnv& env) {
    fp_ternary<T, Op>(out, elements_of(sizeof(T)), AllActive{}, s->z[z_4_0(w)], s->z[z_4_0(w)],
                      s->z[z_9_5(w)], IndexedRhs<T>{s->z[idx_zm<T>(w)], idx_index<T>(w)}, env);
  });
}
// Zdn 4..0, Pg 12..10, Zm 9..5, rotation bit 16.
template <typename T>
kalt64_decode_rc lib_fcadd(cpu_state* s, unsigned w) {
  return fp_library_vector(s, z_4_0(w), [&](uint8_t* out, FPEnv& env) {
    fp_cadd<T>(out, elements_of(sizeof(T)), UnpackedActive<T>{s->p[p_12_10(w)]}, s->z[z_4_0(w)],
               s->z[z_9_5(w)], field(w, 16, 16), env);
  });
}
// Zda 4..0, Pg 12..10, Zn 9..5, Zm 20..16, rotation 14..13.
template <typename T>
kalt64_decode_rc lib_fcmla(cpu_state* s, unsigned w) {
  return fp_library_vector(s, z_4_0(w), [&](uint8_t* out, FPEnv& env) {
    fp_cmla<T>(out, elements_of(sizeof(T)), UnpackedActive<T>{s->p[p_12_10(w)]}, s->z[z_4_0(w)],
               s->z[z_9_5(w)], s->z[z_20_16(w)], SamePair{}, field(w, 14, 13), env);
  });
}
// Zda 4..0, Zn 9..5, Zm and pair index by size, rotation 11..10.
template <typename T>
kalt64_decode_rc lib_fcmla_idx(cpu_state* s, unsigned w) {
  return fp_library_vector(s, z_4_0(w), [&](uint8_t* out, FPEnv& env) {
    fp_cmla<T>(out, elements_of(sizeof(T)), AllActive{}, s->z[z_4_0(w)], s->z[z_9_5(w)],
               s->z[cmla_idx_zm<T>(w)], IndexedPair<T>{cmla_idx_index<T>(w)}, field(w, 11, 10),
               env);
  });
}
// Pd 3..0, Pg 12..10 (zeroing), Zn 9..5, Zm 20..16 or zero. The condition
// flags are left alone.
// Without a NaN (or a flushed subnormal) among the active operands, no
// flag is raised and the library path has only its register-file effects.
template <typename T, typename Op, typename Rhs>
kalt64_decode_rc lib_fcmp_rhs(cpu_state* s, unsigned w, Rhs rhs) {
  alignas(16) uint8_t r[kPredicateBytes];
  const uint8_t* pg = s->p[p_12_10(w)];
  if (fp_compare_by_bits<T, Op>(r, elements_of(sizeof(T)), pg, s->z[z_9_5(w)], rhs,
                                fp_mode_from_control(s->fpcr | s->fpcr_extra))) {
    library_path_effects(s);
  } else {
    fp_library_path(s, [&](FPEnv& env) {
      fp_compare<T, Op>(r, elements_of(sizeof(T)), UnpackedActive<T>{pg}, s->z[z_9_5(w)], rhs,
                        env);
    });
  }
  std::memcpy(s->p[p_3_0(w)], r, kPredicateBytes);
  return kOk;
}
template <typename T, typename Op>
kalt64_decode_rc lib_fcmp(cpu_state* s, unsigned w) {
  return lib_fcmp_rhs<T, Op>(s, w, VecRhs<T>{s->z[z_20_16(w)]});
}
template <typename T, typename Op>
kalt64_decode_rc lib_fcmp0(cpu_state* s, unsigned w) {
  return lib_fcmp_rhs<T, Op>(s, w, ImmRhs<T>{0});
}

}  // namespace bind
}  // namespace qrx

#endif  // QRX_LIBRARY_FPARITH_LIB_H
