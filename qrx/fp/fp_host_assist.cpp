// The host arithmetic kernels of fp_host_assist.h. Built with -fno-math-errno
// (qrx/CMakeLists.txt).
#include "qrx/fp/fp_host_assist.h"

#include "qrx/fp/fp_compare.h"
#include "qrx/state/elements.h"

#include <cmath>
#include <type_traits>

namespace {

namespace check = fp_host_check;

// One loop per operation: the host result and its acceptance, AND-reduced.
template <FpHostOp K, typename T>
inline bool run(const T* __restrict a, const T* __restrict x, const T* __restrict y,
                T* __restrict r, unsigned n) {
  T all = T(~T(0));
  for (unsigned i = 0; i < n; ++i) {
    if constexpr (K == FpHostOp::Add) {
      r[i] = fp_host_bits<T>(fp_host_float(x[i]) + fp_host_float(y[i]));
      all &= check::accepted<K>(x[i], y[i], r[i]);
    } else if constexpr (K == FpHostOp::Mul) {
      r[i] = fp_host_bits<T>(fp_host_float(x[i]) * fp_host_float(y[i]));
      all &= check::accepted<K>(x[i], y[i], r[i]);
    } else if constexpr (K == FpHostOp::Div) {
      r[i] = fp_host_bits<T>(fp_host_float(x[i]) / fp_host_float(y[i]));
      all &= check::accepted<K>(x[i], y[i], r[i]);
    } else if constexpr (K == FpHostOp::MulAdd) {
      r[i] =
          fp_host_bits<T>(std::fma(fp_host_float(x[i]), fp_host_float(y[i]), fp_host_float(a[i])));
      all &= check::accepted(a[i], x[i], y[i], r[i]);
    } else {
      // A rejected operand becomes +0: the host never sees it.
      const T ok = check::accepted<K>(x[i]);
      const auto v = fp_host_float(T(x[i] & ok));
      if constexpr (K == FpHostOp::Sqrt)
        r[i] = fp_host_bits<T>(std::sqrt(v));
      else
        r[i] = T(static_cast<std::make_signed_t<T>>(v));
      all &= ok;
    }
  }
  return all != 0;
}

#if QRX_FP_HOST_ASSIST == 2
// The baseline x86-64 has neither a fused multiply-add nor a 64-bit compare
// in its vector unit: a copy of each loop built for the hosts with AVX2 and
// FMA, chosen at run time.
bool has_avx2_fma() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  }();
  return has;
}
template <FpHostOp K, typename T>
__attribute__((target("avx2,fma"))) bool run_avx2(const T* a, const T* x, const T* y, T* r,
                                                  unsigned n) {
  return run<K>(a, x, y, r, n);
}
#endif

template <FpHostOp K, typename T>
bool dispatch(const T* a, const T* x, const T* y, T* r, unsigned n) {
#if QRX_FP_HOST_ASSIST == 2
  if (has_avx2_fma()) return run_avx2<K>(a, x, y, r, n);
#endif
  return run<K>(a, x, y, r, n);
}

using qrx::elem;
using qrx::set_elem;

// One loop per compare: the lanes' outcomes and whether any active lane
// needs the library. Flush is the mode word's flush bit for T, a constant
// so that the subnormal check folds away without it.
template <FpKeyCmp C, bool Mag, bool Flush, typename T>
inline bool key_run(const uint8_t* __restrict x, const uint8_t* __restrict y,
                    const uint8_t* __restrict on, uint8_t* __restrict hit, unsigned n) {
  constexpr int mode = Flush ? fp_format<T>::flush_bit : 0;
  T hard = 0;
  for (unsigned i = 0; i < n; ++i) {
    const auto kx = fp_order_key(elem<T>(x, i), Mag), ky = fp_order_key(elem<T>(y, i), Mag);
    bool h = false;
    if constexpr (C == FpKeyCmp::Eq) h = kx == ky;
    if constexpr (C == FpKeyCmp::Ne) h = kx != ky;
    if constexpr (C == FpKeyCmp::Ge) h = kx >= ky;
    if constexpr (C == FpKeyCmp::Gt) h = kx > ky;
    const T active = T(elem<T>(on, i) & 1);
    hard |= T(active & T(!(fp_compares_by_bits(elem<T>(x, i), mode) &
                           fp_compares_by_bits(elem<T>(y, i), mode))));
    set_elem<T>(hit, i, T(active & T(h)));
  }
  return hard == 0;
}

#if QRX_FP_HOST_ASSIST == 2
template <FpKeyCmp C, bool Mag, bool Flush, typename T>
__attribute__((target("avx2,fma"))) bool key_run_avx2(const uint8_t* x, const uint8_t* y,
                                                      const uint8_t* on, uint8_t* hit, unsigned n) {
  return key_run<C, Mag, Flush, T>(x, y, on, hit, n);
}
#endif

#if QRX_FP_HOST_ASSIST == 2
// Without FZ, singles and doubles compare on x86-64 by the host's own
// compare of the values, fewer operations than the keys: for operands that
// are not NaNs it orders them exactly as the keys do (+0 equals -0, the
// infinities are the ends, subnormals compare exactly since the emulator
// never runs with denormals-are-zero set), and a NaN in an active lane
// only makes the instruction the library's. The host's own status flags
// are the emulator's, never the register file's.
template <FpKeyCmp C, bool Mag, typename T>
__attribute__((target("avx2,fma"))) bool value_run_avx2(const uint8_t* __restrict x,
                                                        const uint8_t* __restrict y,
                                                        const uint8_t* __restrict on,
                                                        uint8_t* __restrict hit, unsigned n) {
  T hard = 0;
  for (unsigned i = 0; i < n; ++i) {
    const auto a = fp_host_float(T(elem<T>(x, i) & (Mag ? T(~fp_sign_bit<T>) : T(~T(0)))));
    const auto b = fp_host_float(T(elem<T>(y, i) & (Mag ? T(~fp_sign_bit<T>) : T(~T(0)))));
    bool h = false;
    if constexpr (C == FpKeyCmp::Eq) h = a == b;
    if constexpr (C == FpKeyCmp::Ne) h = a != b;
    if constexpr (C == FpKeyCmp::Ge) h = a >= b;
    if constexpr (C == FpKeyCmp::Gt) h = a > b;
    const T active = T(elem<T>(on, i) & 1);
    hard |= T(active & T(!((a == a) & (b == b))));
    set_elem<T>(hit, i, T(active & T(h)));
  }
  return hard == 0;
}
#endif

template <FpKeyCmp C, bool Mag, bool Flush, typename T>
bool key_dispatch(const uint8_t* x, const uint8_t* y, const uint8_t* on, uint8_t* hit, unsigned n) {
#if QRX_FP_HOST_ASSIST == 2
  if constexpr (!Flush && sizeof(T) >= 4) {
    if (has_avx2_fma()) return value_run_avx2<C, Mag, T>(x, y, on, hit, n);
  }
  if (has_avx2_fma()) return key_run_avx2<C, Mag, Flush, T>(x, y, on, hit, n);
#endif
  return key_run<C, Mag, Flush, T>(x, y, on, hit, n);
}

template <FpKeyCmp C, typename T>
bool key_dispatch(bool mag, const uint8_t* x, const uint8_t* y, const uint8_t* on, uint8_t* hit,
                  unsigned n, int mode) {
  const bool flush = (mode & fp_format<T>::flush_bit) != 0;
  if (mag)
    return flush ? key_dispatch<C, true, true, T>(x, y, on, hit, n)
                 : key_dispatch<C, true, false, T>(x, y, on, hit, n);
  return flush ? key_dispatch<C, false, true, T>(x, y, on, hit, n)
               : key_dispatch<C, false, false, T>(x, y, on, hit, n);
}

}  // namespace

template <typename T>
bool fp_key_compare(FpKeyCmp c, bool mag, const uint8_t* x, const uint8_t* y, const uint8_t* on,
                    uint8_t* hit, unsigned n, int mode) {
  switch (c) {
    case FpKeyCmp::Eq: return key_dispatch<FpKeyCmp::Eq, T>(mag, x, y, on, hit, n, mode);
    case FpKeyCmp::Ne: return key_dispatch<FpKeyCmp::Ne, T>(mag, x, y, on, hit, n, mode);
    case FpKeyCmp::Ge: return key_dispatch<FpKeyCmp::Ge, T>(mag, x, y, on, hit, n, mode);
    case FpKeyCmp::Gt: return key_dispatch<FpKeyCmp::Gt, T>(mag, x, y, on, hit, n, mode);
    case FpKeyCmp::False: break;
  }
  return key_dispatch<FpKeyCmp::False, T>(mag, x, y, on, hit, n, mode);
}
template bool fp_key_compare<uint16_t>(FpKeyCmp, bool, const uint8_t*, const uint8_t*,
                                       const uint8_t*, uint8_t*, unsigned, int);
template bool fp_key_compare<uint32_t>(FpKeyCmp, bool, const uint8_t*, const uint8_t*,
                                       const uint8_t*, uint8_t*, unsigned, int);
template bool fp_key_compare<uint64_t>(FpKeyCmp, bool, const uint8_t*, const uint8_t*,
                                       const uint8_t*, uint8_t*, unsigned, int);

bool fp_host_has_muladd() {
#if QRX_FP_HOST_ASSIST == 1
  return true;
#elif QRX_FP_HOST_ASSIST == 2
  return has_avx2_fma();
#else
  return false;
#endif
}

template <typename T>
bool fp_host_add(const T* x, const T* y, T* r, unsigned n) {
  return dispatch<FpHostOp::Add>(x, x, y, r, n);
}
template <typename T>
bool fp_host_mul(const T* x, const T* y, T* r, unsigned n) {
  return dispatch<FpHostOp::Mul>(x, x, y, r, n);
}
template <typename T>
bool fp_host_div(const T* x, const T* y, T* r, unsigned n) {
  return dispatch<FpHostOp::Div>(x, x, y, r, n);
}
template <FpHostOp K, typename T>
bool fp_host_unary(const T* x, T* r, unsigned n) {
  return dispatch<K>(x, x, x, r, n);
}
template <typename T>
bool fp_host_muladd(const T* a, const T* x, const T* y, T* r, unsigned n) {
  return dispatch<FpHostOp::MulAdd>(a, x, y, r, n);
}

#define QRX_FP_HOST_KERNELS(T)                                             \
  template bool fp_host_add<T>(const T*, const T*, T*, unsigned);          \
  template bool fp_host_mul<T>(const T*, const T*, T*, unsigned);          \
  template bool fp_host_div<T>(const T*, const T*, T*, unsigned);          \
  template bool fp_host_unary<FpHostOp::Sqrt, T>(const T*, T*, unsigned);  \
  template bool fp_host_unary<FpHostOp::ToInt, T>(const T*, T*, unsigned); \
  template bool fp_host_muladd<T>(const T*, const T*, const T*, T*, unsigned);
QRX_FP_HOST_KERNELS(uint32_t)
QRX_FP_HOST_KERNELS(uint64_t)
#undef QRX_FP_HOST_KERNELS
