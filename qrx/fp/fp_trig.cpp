// Trigonometric support operations and their coefficient tables: entries 0-7
// are the sine series, 8-15 the cosine series.
#include "qrx/fp/fp_trig.h"

#include "qrx/fp/fp_add.h"
#include "qrx/fp/fp_format.h"
#include "qrx/fp/fp_mul.h"
#include "qrx/fp/fp_muladd.h"

namespace {

constexpr uint16_t kTrigCoeff16[16] = {
    0x3C00, 0xB155, 0x2030, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
    0x3C00, 0xB800, 0x293A, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,
};
constexpr uint32_t kTrigCoeff32[16] = {
    0x3F800000, 0xBE2AAAAB, 0x3C088886, 0xB95008B9, 0x36369D6D, 0x00000000, 0x00000000, 0x00000000,
    0x3F800000, 0xBF000000, 0x3D2AAAA6, 0xBAB60705, 0x37CD37CC, 0x00000000, 0x00000000, 0x00000000,
};
constexpr uint64_t kTrigCoeff64[16] = {
    0x3FF0000000000000, 0xBFC5555555555543, 0x3F8111111110F30C, 0xBF2A01A019B92FC6,
    0x3EC71DE351F3D22B, 0xBE5AE5E2B60F7B91, 0x3DE5D8408868552F, 0x0000000000000000,
    0x3FF0000000000000, 0xBFE0000000000000, 0x3FA5555555555536, 0xBF56C16C16C13A0B,
    0x3EFA01A019B1E8D8, 0xBE927E4F7282F468, 0x3E21EE96D2641B13, 0xBDA8F76380FBB401,
};

}  // namespace

template <> uint16_t fp_trig_coefficient<uint16_t>(unsigned i) { return kTrigCoeff16[i & 15]; }
template <> uint32_t fp_trig_coefficient<uint32_t>(unsigned i) { return kTrigCoeff32[i & 15]; }
template <> uint64_t fp_trig_coefficient<uint64_t>(unsigned i) { return kTrigCoeff64[i & 15]; }

template <typename T>
T FPTRISMUL(T a, T b, FPEnv& env) {
  const T product = FPMul(a, a, env);
  if (fp_is_nan(product)) return product;
  return T(FPAbs(product) | (b & 1 ? fp_sign_bit<T> : T(0)));
}

template <typename T>
T FPTRIMADD(unsigned index, T a, T b, FPEnv& env) {
  const T coefficient = fp_trig_coefficient<T>((index & 7) + (fp_sign_of(b) ? 8 : 0));
  return FPMulAdd(coefficient, a, FPAbs(b), env);
}

template <typename T>
T FPTRISSEL(T a, T b) {
  const T value = (b & 1) ? fp_pack_normal<T>(0, 0, 0) : a;
  return (b & 2) ? FPNeg(value) : value;
}

#define QRX_FP_TRIG_INSTANCES(T)                        \
  template T FPTRISMUL<T>(T, T, FPEnv&);                \
  template T FPTRIMADD<T>(unsigned, T, T, FPEnv&);      \
  template T FPTRISSEL<T>(T, T);
QRX_FP_TRIG_INSTANCES(uint16_t)
QRX_FP_TRIG_INSTANCES(uint32_t)
QRX_FP_TRIG_INSTANCES(uint64_t)
