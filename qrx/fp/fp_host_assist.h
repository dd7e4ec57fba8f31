// The host's own floating-point arithmetic standing in for the library on
// single and double elements: the one host-specific layer of the fast
// element loops (qrx/library/fp_fast.h).
//
// FpHostAssist is opened once per instruction around a batch of host
// operations. It saves the host's control and status, selects the mode
// word's rounding direction with every exception masked, no flush to zero
// and no denormals-as-zero, and clears the host's inexact flag; when it
// closes it adds IXC to the flag word if the host raised inexact, and
// restores the host's control and status, so nothing of the framework's or
// the program's floating-point state changes.
//
// Branches:
//   - Kalt64 host: FPCR (RMode, nothing else) and FPSR.
//   - x86-64 with SSE2: MXCSR.
//   - anything else: no assist; fp_host_assist_allowed() is false and the
//     loops compute every element with the library.
//
// The kernels below run the host's arithmetic over arrays of raw bit
// patterns. They live in their own translation unit, compiled with
// -fno-math-errno so that square root is the host instruction, and
// vectorised. They are out of line, read their operands from memory and
// write their results to memory, and the control accesses are volatile asm
// with a memory clobber, so no operation of a batch moves outside the
// assist that brackets it. -frounding-math is not needed: a kernel has no
// constant operand to fold and the compiler does not reassociate or
// contract without being asked; it would also stop the square root and
// multiply-add loops from vectorising (it makes those calls read state).
#ifndef QRX_FP_FP_HOST_ASSIST_H
#define QRX_FP_FP_HOST_ASSIST_H

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "qrx/fp/fp_format.h"
#include "qrx/fp/fp_status.h"

#ifndef QRX_KALT64_HOST
#define QRX_KALT64_HOST 0
#endif

#if QRX_KALT64_HOST
#define QRX_FP_HOST_ASSIST 1
#elif defined(__x86_64__) && defined(__SSE2__)
#define QRX_FP_HOST_ASSIST 2
#else
#define QRX_FP_HOST_ASSIST 0
#endif

// Whether host arithmetic may compute elements under the mode word. Only
// without FZ: a flushed tiny result raises UFC without IXC, which the host's
// sticky inexact cannot express. RMode selects the host's rounding; DN, FZ16
// and AHP change nothing for the finite, normal operands and results the
// fast loops accept.
constexpr bool fp_host_assist_allowed(int mode) {
  return QRX_FP_HOST_ASSIST != 0 && !(mode & FP_MODE_FZ);
}

class FpHostAssist {
 public:
  FpHostAssist(int mode, int* flags) : flags_(flags) {
#if QRX_FP_HOST_ASSIST == 1
    asm volatile("mrs %0, fpcr" : "=r"(saved_control_)::"memory");
    asm volatile("mrs %0, fpsr" : "=r"(saved_status_)::"memory");
    const uint64_t control = uint64_t(mode & FP_MODE_RMODE) << 22;
    asm volatile("msr fpcr, %0" ::"r"(control) : "memory");
    asm volatile("msr fpsr, %0" ::"r"(uint64_t{0}) : "memory");
#elif QRX_FP_HOST_ASSIST == 2
    asm volatile("stmxcsr %0" : "=m"(saved_control_)::"memory");
    // RMode 0 nearest, 1 up, 2 down, 3 zero; the RC field has down and up
    // the other way round.
    static constexpr uint32_t kRc[4] = {0, 2, 1, 3};
    const uint32_t control = kMasks | kRc[mode & FP_MODE_RMODE] << 13;
    asm volatile("ldmxcsr %0" ::"m"(control) : "memory");
#else
    (void)mode;
#endif
  }
  ~FpHostAssist() {
#if QRX_FP_HOST_ASSIST == 1
    uint64_t status;
    asm volatile("mrs %0, fpsr" : "=r"(status)::"memory");
    if (status & FPSCR::IXC) *flags_ |= FP_FLAG_IXC;
    asm volatile("msr fpcr, %0" ::"r"(saved_control_) : "memory");
    asm volatile("msr fpsr, %0" ::"r"(saved_status_) : "memory");
#elif QRX_FP_HOST_ASSIST == 2
    uint32_t status;
    asm volatile("stmxcsr %0" : "=m"(status)::"memory");
    if (status & kInexact) *flags_ |= FP_FLAG_IXC;
    asm volatile("ldmxcsr %0" ::"m"(saved_control_) : "memory");
#endif
  }
  FpHostAssist(const FpHostAssist&) = delete;
  FpHostAssist& operator=(const FpHostAssist&) = delete;

 private:
  int* flags_;
#if QRX_FP_HOST_ASSIST == 1
  uint64_t saved_control_ = 0, saved_status_ = 0;
#elif QRX_FP_HOST_ASSIST == 2
  static constexpr uint32_t kMasks = 0x1F80, kInexact = 0x20;
  uint32_t saved_control_ = 0;
#endif
};

// ----- Which host results are the library's ---------------------------------
// An element is accepted when every operand is zero or a finite normal value
// (no NaN, infinity or subnormal: no NaN rule, invalid operation or flush
// applies) and the host's result has a biased exponent of at least 2 and is
// below the largest finite magnitude (no infinity or NaN), or is a zero that
// is exact: a sum (a sum that rounds to zero is exactly zero), a product
// or multiply-add with a zero multiplicand, or a zero divided by a non-zero
// value (a zero divisor is always rejected). A square root is accepted for a
// zero or positive normal operand (its root is normal), a conversion toward
// zero to the signed integer of the same width for a zero or normal operand
// of magnitude below 2^(width - 1) (no invalid operation).
//
// Such an element neither overflowed (the largest finite value, which a
// directed rounding leaves on overflow, is excluded) nor was tiny before
// rounding (a result rounded to at least twice the smallest normal value
// lies more than one unit above the tiny range), so the library raises no
// OFC, UFC, IOC, DZC or IDC for it. The library and the host both return the
// exact result rounded once in the same direction, so the bits agree, and
// the library raises IXC exactly when the host raises inexact.
//
// The assist ORs the host's inexact, raised by any lane, into the flags. A
// rejected element adds no wrong IXC: with FZ = 0 and the host flushing
// nothing, the library and the host both follow IEEE 754 for these
// operations, so the host raises inexact for an element exactly when the
// library raises IXC for it (never for NaN or infinite operands or an
// invalid operation; on overflow both do). The loops feed inactive lanes,
// and the rejected operands of the one-operand forms, as +0 operands: exact
// operations that raise nothing.
//
// The checks are masks (all ones for true) in the element's width, built
// without branches so that the kernels' loops vectorise.
enum class FpHostOp { None, Add, Mul, Div, MulAdd, Sqrt, ToInt };

namespace fp_host_check {

template <typename T>
constexpr T mask(bool b) {
  return T(T(0) - T(b));
}
template <typename T>
constexpr T magnitude(T x) {
  return T(x & ~fp_sign_bit<T>);
}
template <typename T>
constexpr T is_zero(T x) {
  return mask<T>(magnitude(x) == 0);
}
// Zero, or finite and normal.
template <typename T>
constexpr T operand_ok(T x) {
  constexpr T kMinNormal = T(T(1) << fp_format<T>::F);
  return T(is_zero(x) | mask<T>(T(magnitude(x) - kMinNormal) < T(fp_inf_bits<T> - kMinNormal)));
}
// Biased exponent 2 or more, below the largest finite magnitude.
template <typename T>
constexpr T result_ok(T r) {
  constexpr T kLow = T(T(2) << fp_format<T>::F);
  return mask<T>(T(magnitude(r) - kLow) < T(fp_max_finite<T> - kLow));
}
// x + y, x x y or x / y (K Add, Mul or Div) with the host's result r.
template <FpHostOp K, typename T>
constexpr T accepted(T x, T y, T r) {
  const T ok = T(operand_ok(x) & operand_ok(y));
  if constexpr (K == FpHostOp::Add) return T(ok & (result_ok(r) | is_zero(r)));
  else if constexpr (K == FpHostOp::Mul) return T(ok & (result_ok(r) | is_zero(x) | is_zero(y)));
  else return T(ok & ~is_zero(y) & (result_ok(r) | is_zero(x)));
}
// a + x x y with the host's result r.
template <typename T>
constexpr T accepted(T a, T x, T y, T r) {
  return T(operand_ok(a) & accepted<FpHostOp::Mul>(x, y, r));
}
// The operand x of a one-operand operation (Sqrt or ToInt).
template <FpHostOp K, typename T>
constexpr T accepted(T x) {
  if constexpr (K == FpHostOp::Sqrt) {
    return T(is_zero(x) | (operand_ok(x) & mask<T>(!(x & fp_sign_bit<T>))));
  } else {
    constexpr T kLimit = T(T(fp_format<T>::bias + fp_format<T>::W - 1) << fp_format<T>::F);
    return T(operand_ok(x) & mask<T>(magnitude(x) < kLimit));
  }
}

}  // namespace fp_host_check

// ----- Host values --------------------------------------------------------------
// The host's float (T = uint32_t) or double (uint64_t) of a bit pattern, and
// back.
template <typename T>
using FpHostFloat = std::conditional_t<sizeof(T) == 4, float, double>;
template <typename T>
inline FpHostFloat<T> fp_host_float(T bits) {
  FpHostFloat<T> f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
template <typename T>
inline T fp_host_bits(FpHostFloat<T> f) {
  T bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

// ----- Kernels ------------------------------------------------------------------
// r[i] = x[i] + y[i], x[i] x y[i], x[i] / y[i], a[i] + x[i] x y[i] (one rounding),
// sqrt(x[i]) for i < n, T = uint32_t (single) or uint64_t (double), in the
// host's current rounding; each returns whether every element is accepted.
// fp_host_unary<Sqrt> and <ToInt> (toward zero to the signed integer of T's
// width) compute +0 in place of a rejected operand.
template <typename T> bool fp_host_add(const T* x, const T* y, T* r, unsigned n);
template <typename T> bool fp_host_mul(const T* x, const T* y, T* r, unsigned n);
template <typename T> bool fp_host_div(const T* x, const T* y, T* r, unsigned n);
template <FpHostOp K, typename T> bool fp_host_unary(const T* x, T* r, unsigned n);
// Whether the host has a fused multiply-add; fp_host_muladd may be called
// only when it has.
bool fp_host_has_muladd();
template <typename T> bool fp_host_muladd(const T* a, const T* x, const T* y, T* r, unsigned n);

// ----- Compares by key ------------------------------------------------------------
// Lane i of hit (a T, 1 or 0) = bit 0 of lane i of on and whether the order
// keys of lanes i of x and y (fp_order_key, by magnitude when mag) satisfy
// the compare, for i < n; the lanes are T = uint16_t, uint32_t or uint64_t
// elements of register bytes (a predicate's lane is its bytes over the
// element). Returns whether every lane with bit 0 of on set compares by
// its bits under the mode word (fp_compares_by_bits). Integer work, or on
// x86-64 the host's compare of values that are not NaNs; the register
// file's status is never touched.
enum class FpKeyCmp { False, Eq, Ne, Ge, Gt };
template <typename T>
bool fp_key_compare(FpKeyCmp c, bool mag, const uint8_t* x, const uint8_t* y, const uint8_t* on,
                    uint8_t* hit, unsigned n, int mode);

#endif  // QRX_FP_FP_HOST_ASSIST_H
