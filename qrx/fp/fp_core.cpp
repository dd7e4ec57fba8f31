// Canonicalisation of a single value.
#include "qrx/fp/fp_core.h"

uint16_t FPProcess16(uint16_t x, FPEnv& env) { return fp_scale_value(x, 0, env.mode, &env.flags); }
uint32_t FPProcess32(uint32_t x, FPEnv& env) { return fp_scale_value(x, 0, env.mode, &env.flags); }
uint64_t FPProcess64(uint64_t x, FPEnv& env) { return fp_scale_value(x, 0, env.mode, &env.flags); }
