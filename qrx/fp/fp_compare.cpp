// Comparisons on the unpacked fields, so that flushed subnormals compare as
// zeros.
#include "qrx/fp/fp_compare.h"

#include "qrx/fp/fp_core.h"

namespace {

enum class fp_order { unordered, less, equal, greater };

// Orders a and b; NaN operands raise IOC when signalling, or always when
// signal_nans is set.
template <typename T>
fp_order fp_compare(T a, T b, bool signal_nans, int mode, int* flags) {
  const fp_unpacked<T> ua = fp_unpack(a, mode, flags);
  const fp_unpacked<T> ub = fp_unpack(b, mode, flags);
  if (fp_is_nan(a) || fp_is_nan(b)) {
    if (signal_nans || fp_is_snan(a) || fp_is_snan(b)) *flags |= FP_FLAG_IOC;
    return fp_order::unordered;
  }
  if (a == b || (!ua.mnt && !ub.mnt)) return fp_order::equal;
  if (ua.sign != ub.sign) return ua.sign ? fp_order::less : fp_order::greater;
  const bool a_larger_magnitude =
      ua.exp != ub.exp ? ua.exp > ub.exp : ua.mnt > ub.mnt;
  return (a_larger_magnitude != bool(ua.sign)) ? fp_order::greater : fp_order::less;
}

template <typename T>
fp_order fp_compare(T a, T b, bool signal_nans, FPEnv& env) {
  return fp_compare(a, b, signal_nans, env.mode, &env.flags);
}

}  // namespace

template <typename T>
bool FPCompareEQ(T a, T b, FPEnv& env) {
  return fp_compare(a, b, false, env) == fp_order::equal;
}

template <typename T>
bool FPCompareUN(T a, T b, FPEnv& env) {
  return fp_compare(a, b, false, env) == fp_order::unordered;
}

template <typename T>
bool FPCompareGE(T a, T b, FPEnv& env) {
  const fp_order o = fp_compare(a, b, true, env);
  return o == fp_order::greater || o == fp_order::equal;
}

template <typename T>
bool FPCompareGT(T a, T b, FPEnv& env) {
  return fp_compare(a, b, true, env) == fp_order::greater;
}

template <typename T>
int FPCompare(T a, T b, bool signal_nans, FPEnv& env) {
  switch (fp_compare(a, b, signal_nans, env)) {
    case fp_order::unordered: return 3;  // C and V
    case fp_order::equal: return 6;      // Z and C
    case fp_order::less: return 8;       // N
    case fp_order::greater: break;
  }
  return 2;  // C
}

#define QRX_FP_COMPARE_INSTANCES(T)                  \
  template bool FPCompareEQ<T>(T, T, FPEnv&);        \
  template bool FPCompareGE<T>(T, T, FPEnv&);        \
  template bool FPCompareGT<T>(T, T, FPEnv&);        \
  template bool FPCompareUN<T>(T, T, FPEnv&);        \
  template int FPCompare<T>(T, T, bool, FPEnv&);
QRX_FP_COMPARE_INSTANCES(uint16_t)
QRX_FP_COMPARE_INSTANCES(uint32_t)
QRX_FP_COMPARE_INSTANCES(uint64_t)
