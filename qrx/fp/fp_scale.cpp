// Scaling: the scale is clamped to a range that already overflows or
// underflows every finite input, then added to the exponent before the one
// rounding.
#include "qrx/fp/fp_scale.h"

#include "qrx/fp/fp_core.h"

namespace {

template <typename T, typename S>
T fp_scale(T x, S scale, S limit, FPEnv& env) {
  const S clamped = scale < -limit ? -limit : scale > limit ? limit : scale;
  return fp_scale_value(x, int(clamped), env.mode, &env.flags);
}

}  // namespace

uint16_t FPScale16(uint16_t x, int16_t scale, FPEnv& env) {
  return fp_scale<uint16_t, int16_t>(x, scale, 60, env);
}
uint32_t FPScale32(uint32_t x, int32_t scale, FPEnv& env) {
  return fp_scale<uint32_t, int32_t>(x, scale, 300, env);
}
uint64_t FPScale64(uint64_t x, int64_t scale, FPEnv& env) {
  return fp_scale<uint64_t, int64_t>(x, scale, 3000, env);
}
