// Canonicalisation of a single value: NaN processing, input flushing and a
// pass through the rounding core, which leaves every representable value as
// it was.
#include "qrx/fp/fp_core.h"

namespace {

template <typename T>
T fp_process(T x, FPSCR& fpscr) {
  return fp_run(fpscr, [x](int mode, int* flags) { return fp_scale_value(x, 0, mode, flags); });
}

}  // namespace

uint16_t FPProcess16(uint16_t x, FPSCR& fpscr) { return fp_process(x, fpscr); }
uint32_t FPProcess32(uint32_t x, FPSCR& fpscr) { return fp_process(x, fpscr); }
uint64_t FPProcess64(uint64_t x, FPSCR& fpscr) { return fp_process(x, fpscr); }
