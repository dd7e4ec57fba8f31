// The fast element loops of the floating-point families: single and double
// additions, multiplications, divisions, fused multiply-adds, square roots and
// conversions toward zero to integers of the same width computed
// a whole vector at a time by the host's arithmetic under one FpHostAssist
// (qrx/fp/fp_host_assist.h, which also says which host results are the
// library's and why), and the elements the check rejects computed again by
// the bit-exact library. Half precision, FZ = 1, hosts without an assist
// and operations without a fast form take the library for every element.
//
// An element operation declares its fast form by a specialisation of
// kFpFast (fparith_ops.h, fpconv_ops.h): the host operation, and the operand
// order and sign flips that turn the element's operands into its operands,
// exactly as the library routine the operation calls receives them (FNMLA:
// -acc + -n x m). A rejected element is computed by the operation itself.
#ifndef QRX_LIBRARY_FP_FAST_H
#define QRX_LIBRARY_FP_FAST_H

#include <cstdint>
#include <utility>

#include "qrx/fp/fp_host_assist.h"
#include "qrx/library/fp_host.h"
#include "qrx/library/skeletons.h"

namespace qrx {

// The operands (a, b) of a binary form, or (acc, n, m) of a multiply-add,
// swapped first when swap is set (a binary form only), then the first or
// the second sign-flipped.
struct FpFastForm {
  FpHostOp op = FpHostOp::None;
  bool swap = false;
  bool neg_first = false;
  bool neg_second = false;
};
constexpr FpFastForm fp_fast_swapped(FpFastForm f) {
  return {f.op, !f.swap, f.neg_first, f.neg_second};
}

template <typename Op>
inline constexpr FpFastForm kFpFast{};

// The library environment a fast loop runs its rejected elements under: the
// FPEnv itself, or on a host without its own instructions the host-path
// scope's. A Kalt64 host path computes with its own instructions already.
inline FPEnv* fp_fast_env(FPEnv& env) { return &env; }
inline FPEnv* fp_fast_env(HostFpScope& scope) {
#if QRX_KALT64_HOST
  (void)scope;
  return nullptr;
#else
  return &scope.env;
#endif
}

namespace fast {

template <bool Neg, typename T>
constexpr T flip(T x) {
  return Neg ? T(x ^ fp_sign_bit<T>) : x;
}

// All ones for an active element, zero otherwise; the register file's
// predicate has bit 0 of element i's first byte, the low bit of the
// little-endian element-sized word there.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "predicate words read little-endian");
template <typename T, typename Active>
inline T lanes(const Active& active, unsigned i) {
  return T(T(0) - T(active(i)));
}
template <typename T>
inline T lanes(const AllActive&, unsigned) {
  return T(~T(0));
}
template <typename T>
inline T lanes(const UnpackedActive<T>& active, unsigned i) {
  return T(T(0) - T(elem<T>(active.pred, i) & 1));
}

template <typename T>
constexpr unsigned kLanes = kMaxVectorBytes / sizeof(T);

// out[i] = r[i] where active, keep[i] elsewhere.
template <typename T>
inline void merge_lanes(uint8_t* out, unsigned n, const T* on, const T* r, const uint8_t* keep) {
  for (unsigned i = 0; i < n; ++i)
    set_elem<T>(out, i, T((r[i] & on[i]) | (elem<T>(keep, i) & ~on[i])));
}

}  // namespace fast

// out[i] = active(i) ? op(a[i], rhs(i)) : a[i], or false (nothing written)
// when op has no fast form here.
template <typename T, typename Op, typename Active, typename Rhs>
inline bool fp_fast_binary(uint8_t* out, unsigned n, Active active, const uint8_t* a, Rhs rhs,
                           FPEnv& env) {
  constexpr FpFastForm f = kFpFast<Op>;
  constexpr FpHostOp K = f.op;
  constexpr bool kBinary = K == FpHostOp::Add || K == FpHostOp::Mul || K == FpHostOp::Div;
  if constexpr (sizeof(T) < 4 || !kBinary) {
    return false;
  } else {
    if (!fp_host_assist_allowed(env.mode)) return false;
    T on[fast::kLanes<T>], x[fast::kLanes<T>], y[fast::kLanes<T>], r[fast::kLanes<T>];
    for (unsigned i = 0; i < n; ++i) {
      T p = elem<T>(a, i), q = rhs(i);
      if (f.swap) std::swap(p, q);
      on[i] = fast::lanes<T>(active, i);
      x[i] = T(fast::flip<f.neg_first>(p) & on[i]);
      y[i] = T(fast::flip<f.neg_second>(q) & on[i]);
    }
    bool all;
    {
      FpHostAssist assist(env.mode, &env.flags);
      if constexpr (K == FpHostOp::Add) all = fp_host_add(x, y, r, n);
      else if constexpr (K == FpHostOp::Mul) all = fp_host_mul(x, y, r, n);
      else all = fp_host_div(x, y, r, n);
    }
    fast::merge_lanes(out, n, on, r, a);
    if (!all) {
      for (unsigned i = 0; i < n; ++i)
        if (on[i] && !fp_host_check::accepted<K>(x[i], y[i], r[i]))
          set_elem<T>(out, i, Op{}(elem<T>(a, i), rhs(i), env));
    }
    return true;
  }
}

// out[i] = active(i) ? op(acc[i], zn[i], m(i)) : keep[i], or false.
template <typename T, typename Op, typename Active, typename M>
inline bool fp_fast_ternary(uint8_t* out, unsigned n, Active active, const uint8_t* keep,
                            const uint8_t* acc, const uint8_t* zn, M m, FPEnv& env) {
  constexpr FpFastForm f = kFpFast<Op>;
  if constexpr (sizeof(T) < 4 || f.op != FpHostOp::MulAdd) {
    return false;
  } else {
    if (!fp_host_assist_allowed(env.mode) || !fp_host_has_muladd()) return false;
    T on[fast::kLanes<T>], c[fast::kLanes<T>], x[fast::kLanes<T>], y[fast::kLanes<T>],
        r[fast::kLanes<T>];
    for (unsigned i = 0; i < n; ++i) {
      on[i] = fast::lanes<T>(active, i);
      c[i] = T(fast::flip<f.neg_first>(elem<T>(acc, i)) & on[i]);
      x[i] = T(fast::flip<f.neg_second>(elem<T>(zn, i)) & on[i]);
      y[i] = T(m(i) & on[i]);
    }
    bool all;
    {
      FpHostAssist assist(env.mode, &env.flags);
      all = fp_host_muladd(c, x, y, r, n);
    }
    fast::merge_lanes(out, n, on, r, keep);
    if (!all) {
      for (unsigned i = 0; i < n; ++i)
        if (on[i] && !fp_host_check::accepted(c[i], x[i], y[i], r[i]))
          set_elem<T>(out, i, Op{}(elem<T>(acc, i), elem<T>(zn, i), m(i), env));
    }
    return true;
  }
}

// out[i] = active(i) ? op(src[i]) : keep[i], or false.
template <typename T, typename Op, typename Active>
inline bool fp_fast_unary(uint8_t* out, unsigned n, Active active, const uint8_t* keep,
                          const uint8_t* src, FPEnv& env) {
  constexpr FpHostOp K = kFpFast<Op>.op;
  if constexpr (sizeof(T) < 4 || (K != FpHostOp::Sqrt && K != FpHostOp::ToInt)) {
    return false;
  } else {
    if (!fp_host_assist_allowed(env.mode)) return false;
    T on[fast::kLanes<T>], x[fast::kLanes<T>], r[fast::kLanes<T>];
    for (unsigned i = 0; i < n; ++i) {
      on[i] = fast::lanes<T>(active, i);
      x[i] = T(elem<T>(src, i) & on[i]);
    }
    bool all;
    {
      FpHostAssist assist(env.mode, &env.flags);
      all = fp_host_unary<K>(x, r, n);
    }
    fast::merge_lanes(out, n, on, r, keep);
    if (!all) {
      for (unsigned i = 0; i < n; ++i)
        if (on[i] && !fp_host_check::accepted<K>(x[i])) set_elem<T>(out, i, Op{}(x[i], env));
    }
    return true;
  }
}

// The pairwise sum of the n lanes (inactive ones already the identity +0):
// lane j = lane 2j + lane 2j + 1 (the identity past the live lanes) until
// one is left, each level one batch, all of them under one assist (the
// library's sum of a rejected pair is integer code and reads no host state).
// False (the lanes untouched) when op is not a plain sum here.
template <typename T, typename Op>
inline bool fp_fast_pairwise(T* lane, unsigned n, T id, FPEnv& env, T* sum) {
  constexpr FpFastForm f = kFpFast<Op>;
  if constexpr (sizeof(T) < 4 || f.op != FpHostOp::Add || f.swap || f.neg_first ||
                f.neg_second) {
    return false;
  } else {
    if (!fp_host_assist_allowed(env.mode)) return false;
    FpHostAssist assist(env.mode, &env.flags);
    unsigned live = n;
    for (unsigned p = 1; p < n; p <<= 1) {
      const unsigned pairs = (live + 1) / 2;
      T x[fast::kLanes<T>], y[fast::kLanes<T>];
      for (unsigned j = 0; j < pairs; ++j) {
        x[j] = lane[2 * j];
        y[j] = 2 * j + 1 < live ? lane[2 * j + 1] : id;
      }
      if (!fp_host_add(x, y, lane, pairs)) {
        for (unsigned j = 0; j < pairs; ++j)
          if (!fp_host_check::accepted<FpHostOp::Add>(x[j], y[j], lane[j]))
            lane[j] = Op{}(x[j], y[j], env);
      }
      live = pairs;
    }
    *sum = live ? lane[0] : id;
    return true;
  }
}

}  // namespace qrx

#endif  // QRX_LIBRARY_FP_FAST_H
