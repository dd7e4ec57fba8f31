// The host path of the floating-point instructions: how a single- or
// double-precision element of a host-path instruction is computed. This is
// the one place that decides it; host-path routines never test the host.
//
// A host-path routine opens one HostFpScope for the instruction and computes
// each active element with an operation of HostFp<T> (T = uint32_t single,
// uint64_t double; values are raw bit patterns), passing the scope:
//
//   HostFpScope scope(s);
//   for (each active i) r[i] = HostFp<T>::add(a[i], b[i], scope);
//
// - On a Kalt64 host (QRX_KALT64_HOST, set by the build for the Kalt64
//   toolchain) the scope saves the host's FPCR and FPSR, loads FPCR with the
//   register file's control bits (fpcr & kHostFpControl: FZ16, RMode, FZ,
//   DN, AHP; no trap enable) and clears FPSR; each operation is the host's
//   own scalar instruction. When the scope closes, only FPSR's cumulative
//   flags (kHostFpFlags) are ORed into the register file's fpsr, and the
//   host's FPCR and FPSR are restored, so flags of the framework or of the
//   emulator's own code never leak in.
// - On any other host each operation is the bit-exact library routine under
//   an FPEnv of the same control bits, and the scope ORs the flags it raised
//   into fpsr when it closes: what a Kalt64 host gives.
//
// Inactive elements must never reach an operation (no flag from them).
//
// Adding an operation: a static function of HostFp<T> taking the operands
// and the scope, whose Kalt64 branch runs the instruction through
// host_insn() (or, for an instruction of another shape, an asm statement in
// the same style: "%s" operands for single, "%d" for double) and whose
// other branch calls the library routine with scope.env; then a row of the
// host-versus-library table in tests/library/fp_host_test.cpp, and a line of
// its host-difference table if the instruction may differ from the library.
#ifndef QRX_LIBRARY_FP_HOST_H
#define QRX_LIBRARY_FP_HOST_H

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "qrx/fp/fp.h"
#include "qrx/fp/fp_host_assist.h"
#include "qrx/state/cpu_state.h"

#ifndef QRX_KALT64_HOST
#define QRX_KALT64_HOST 0
#endif

namespace qrx {

// The control bits a host-path instruction runs under, and the status bits
// it may set.
constexpr uint32_t kHostFpControl = 0x07C80000;
constexpr uint32_t kHostFpFlags = 0x9F;

#if QRX_KALT64_HOST

class HostFpScope {
 public:
  explicit HostFpScope(cpu_state* s) : s_(s) {
    asm volatile("mrs %0, fpcr" : "=r"(saved_fpcr_));
    asm volatile("mrs %0, fpsr" : "=r"(saved_fpsr_));
    asm volatile("msr fpcr, %0" ::"r"(uint64_t{s->fpcr & kHostFpControl}) : "memory");
    asm volatile("msr fpsr, %0" ::"r"(uint64_t{0}) : "memory");
  }
  ~HostFpScope() {
    uint64_t status;
    asm volatile("mrs %0, fpsr" : "=r"(status)::"memory");
    s_->fpsr |= static_cast<uint32_t>(status) & kHostFpFlags;
    asm volatile("msr fpcr, %0" ::"r"(saved_fpcr_) : "memory");
    asm volatile("msr fpsr, %0" ::"r"(saved_fpsr_) : "memory");
  }
  HostFpScope(const HostFpScope&) = delete;
  HostFpScope& operator=(const HostFpScope&) = delete;

 private:
  cpu_state* s_;
  uint64_t saved_fpcr_ = 0, saved_fpsr_ = 0;
};

namespace host {

template <typename T>
using Float = FpHostFloat<T>;

template <typename T>
inline Float<T> to_float(T bits) {
  return fp_host_float(bits);
}
template <typename T>
inline T to_bits(Float<T> f) {
  return fp_host_bits<T>(f);
}

// The scalar instructions, one template per operand shape. Every statement
// is volatile: none moves across the scope's FPCR and FPSR accesses.
enum class Insn { Add, Sub, Mul, Div, Max, MaxNm, MinNm, CmEq, CmGe, CmGt, RecpS };

template <Insn I, typename F>
inline F binary(F a, F b) {
  F r;
  constexpr bool s = sizeof(F) == 4;
#define QRX_HOST_BINARY(NAME, MNEMONIC)                                               \
  if constexpr (I == Insn::NAME) {                                                    \
    if constexpr (s)                                                                  \
      asm volatile(MNEMONIC " %s0, %s1, %s2" : "=w"(r) : "w"(a), "w"(b));             \
    else                                                                              \
      asm volatile(MNEMONIC " %d0, %d1, %d2" : "=w"(r) : "w"(a), "w"(b));             \
  }
  QRX_HOST_BINARY(Add, "fadd")
  QRX_HOST_BINARY(Sub, "fsub")
  QRX_HOST_BINARY(Mul, "fmul")
  QRX_HOST_BINARY(Div, "fdiv")
  QRX_HOST_BINARY(Max, "fmax")
  QRX_HOST_BINARY(MaxNm, "fmaxnm")
  QRX_HOST_BINARY(MinNm, "fminnm")
  QRX_HOST_BINARY(CmEq, "fcmeq")
  QRX_HOST_BINARY(CmGe, "fcmge")
  QRX_HOST_BINARY(CmGt, "fcmgt")
  QRX_HOST_BINARY(RecpS, "frecps")
#undef QRX_HOST_BINARY
  return r;
}

enum class Unary { Sqrt, RintA, RecpE };

template <Unary I, typename F>
inline F unary(F a) {
  F r;
  constexpr bool s = sizeof(F) == 4;
#define QRX_HOST_UNARY(NAME, MNEMONIC)                                \
  if constexpr (I == Unary::NAME) {                                   \
    if constexpr (s)                                                  \
      asm volatile(MNEMONIC " %s0, %s1" : "=w"(r) : "w"(a));          \
    else                                                              \
      asm volatile(MNEMONIC " %d0, %d1" : "=w"(r) : "w"(a));          \
  }
  QRX_HOST_UNARY(Sqrt, "fsqrt")
  QRX_HOST_UNARY(RintA, "frinta")
  QRX_HOST_UNARY(RecpE, "frecpe")
#undef QRX_HOST_UNARY
  return r;
}

// A 32- or 64-bit integer (its signedness from I) to F by SCVTF or UCVTF,
// rounded by FPCR.
template <typename F, typename I>
inline F from_int(I v) {
  F r;
  constexpr bool s = sizeof(F) == 4, w = sizeof(I) == 4;
#define QRX_HOST_CVTF(MNEMONIC)                                                    \
  if constexpr (s && w) asm volatile(MNEMONIC " %s0, %w1" : "=w"(r) : "r"(v));     \
  if constexpr (s && !w) asm volatile(MNEMONIC " %s0, %x1" : "=w"(r) : "r"(v));    \
  if constexpr (!s && w) asm volatile(MNEMONIC " %d0, %w1" : "=w"(r) : "r"(v));    \
  if constexpr (!s && !w) asm volatile(MNEMONIC " %d0, %x1" : "=w"(r) : "r"(v));
  if constexpr (std::is_signed_v<I>) {
    QRX_HOST_CVTF("scvtf")
  } else {
    QRX_HOST_CVTF("ucvtf")
  }
#undef QRX_HOST_CVTF
  return r;
}

// -(a) - n x m with one rounding (FNMADD d, n, m, a).
template <typename F>
inline F nmadd(F a, F n, F m) {
  F r;
  if constexpr (sizeof(F) == 4)
    asm volatile("fnmadd %s0, %s1, %s2, %s3" : "=w"(r) : "w"(n), "w"(m), "w"(a));
  else
    asm volatile("fnmadd %d0, %d1, %d2, %d3" : "=w"(r) : "w"(n), "w"(m), "w"(a));
  return r;
}

// Whether a and b are unordered, by the quiet compare (IOC only for a
// signalling NaN).
template <typename F>
inline bool unordered(F a, F b) {
  uint32_t r;
  if constexpr (sizeof(F) == 4)
    asm volatile("fcmp %s1, %s2\n\tcset %w0, vs" : "=r"(r) : "w"(a), "w"(b) : "cc");
  else
    asm volatile("fcmp %d1, %d2\n\tcset %w0, vs" : "=r"(r) : "w"(a), "w"(b) : "cc");
  return r != 0;
}

template <Insn I, typename T>
inline T host_insn(T a, T b) {
  return to_bits<T>(binary<I>(to_float(a), to_float(b)));
}
template <Unary I, typename T>
inline T host_insn(T a) {
  return to_bits<T>(unary<I>(to_float(a)));
}
template <Insn I, typename T>
inline bool host_compare(T a, T b) {
  return host_insn<I>(a, b) != 0;
}

}  // namespace host

template <typename T>
struct HostFp {
  static_assert(sizeof(T) == 4 || sizeof(T) == 8, "the host path is single and double only");
  using I = host::Insn;
  static T add(T a, T b, HostFpScope&) { return host::host_insn<I::Add>(a, b); }
  static T sub(T a, T b, HostFpScope&) { return host::host_insn<I::Sub>(a, b); }
  static T mul(T a, T b, HostFpScope&) { return host::host_insn<I::Mul>(a, b); }
  static T div(T a, T b, HostFpScope&) { return host::host_insn<I::Div>(a, b); }
  static T max(T a, T b, HostFpScope&) { return host::host_insn<I::Max>(a, b); }
  static T maxnm(T a, T b, HostFpScope&) { return host::host_insn<I::MaxNm>(a, b); }
  static T minnm(T a, T b, HostFpScope&) { return host::host_insn<I::MinNm>(a, b); }
  // -a - n x m, one rounding; NaN operands in the order a, n, m, negated.
  static T nmadd(T a, T n, T m, HostFpScope&) {
    return host::to_bits<T>(host::nmadd(host::to_float(a), host::to_float(n), host::to_float(m)));
  }
  static bool cmp_eq(T a, T b, HostFpScope&) { return host::host_compare<I::CmEq>(a, b); }
  static bool cmp_ge(T a, T b, HostFpScope&) { return host::host_compare<I::CmGe>(a, b); }
  static bool cmp_gt(T a, T b, HostFpScope&) { return host::host_compare<I::CmGt>(a, b); }
  static bool cmp_un(T a, T b, HostFpScope&) {
    return host::unordered(host::to_float(a), host::to_float(b));
  }
  static T sqrt(T a, HostFpScope&) { return host::host_insn<host::Unary::Sqrt>(a); }
  // To an integral value, ties away from zero; no IXC.
  static T rinta(T a, HostFpScope&) { return host::host_insn<host::Unary::RintA>(a); }
  static T recpe(T a, HostFpScope&) { return host::host_insn<host::Unary::RecpE>(a); }
  // 2 - a x b, one rounding.
  static T recps(T a, T b, HostFpScope&) { return host::host_insn<I::RecpS>(a, b); }
  // A 32- or 64-bit integer, signed or unsigned by I, rounded by RMode.
  template <typename Int>
  static T from_int(Int v, HostFpScope&) {
    return host::to_bits<T>(host::from_int<host::Float<T>>(v));
  }
};

#else  // not a Kalt64 host: the library under the register file's control bits

class HostFpScope {
 public:
  explicit HostFpScope(cpu_state* s) : env(fp_env_from_control(s->fpcr & kHostFpControl)), s_(s) {}
  ~HostFpScope() { s_->fpsr |= static_cast<uint32_t>(env.flags) & kHostFpFlags; }
  HostFpScope(const HostFpScope&) = delete;
  HostFpScope& operator=(const HostFpScope&) = delete;

  FPEnv env;

 private:
  cpu_state* s_;
};

template <typename T>
struct HostFp {
  static_assert(sizeof(T) == 4 || sizeof(T) == 8, "the host path is single and double only");
  static T add(T a, T b, HostFpScope& h) { return FPAdd(a, b, h.env); }
  static T sub(T a, T b, HostFpScope& h) { return FPSub(a, b, h.env); }
  static T mul(T a, T b, HostFpScope& h) { return FPMul(a, b, h.env); }
  static T div(T a, T b, HostFpScope& h) { return FPDiv(a, b, h.env); }
  static T max(T a, T b, HostFpScope& h) { return FPMax(a, b, h.env); }
  static T maxnm(T a, T b, HostFpScope& h) { return FPMaxNum(a, b, h.env); }
  static T minnm(T a, T b, HostFpScope& h) { return FPMinNum(a, b, h.env); }
  static T nmadd(T a, T n, T m, HostFpScope& h) { return FPMulAdd(FPNeg(a), FPNeg(n), m, h.env); }
  static bool cmp_eq(T a, T b, HostFpScope& h) { return FPCompareEQ(a, b, h.env); }
  static bool cmp_ge(T a, T b, HostFpScope& h) { return FPCompareGE(a, b, h.env); }
  static bool cmp_gt(T a, T b, HostFpScope& h) { return FPCompareGT(a, b, h.env); }
  static bool cmp_un(T a, T b, HostFpScope& h) { return FPCompareUN(a, b, h.env); }
  static T sqrt(T a, HostFpScope& h) { return FPSqrtInline(a, h.env); }
  static T rinta(T a, HostFpScope& h) { return FPRoundInt(a, FPRounding::TieAway, false, h.env); }
  static T recpe(T a, HostFpScope& h) { return FPRecipEstimate(a, h.env); }
  static T recps(T a, T b, HostFpScope& h) { return FPRecipStepFused(a, b, h.env); }
  template <typename Int>
  static T from_int(Int v, HostFpScope& h) {
    static_assert(sizeof(Int) == 4 || sizeof(Int) == 8, "32- or 64-bit integers");
    using Wide = std::conditional_t<std::is_signed_v<Int>, int64_t, uint64_t>;
    return fplibFixedToFP<T>(static_cast<uint64_t>(Wide{v}), 0, std::is_unsigned_v<Int>,
                             fp_mode_rounding(h.env.mode), h.env);
  }
};

#endif  // QRX_KALT64_HOST

}  // namespace qrx

#endif  // QRX_LIBRARY_FP_HOST_H
