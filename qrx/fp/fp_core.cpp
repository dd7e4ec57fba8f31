// Canonicalisation of a single value: NaN processing, input flushing and a
// pass through the rounding core, which leaves every representable value as
// it was.
#include "qrx/fp/fp_core.h"

namespace {

template <typename T>
T fp_process(T x, FPSCR& fpscr) {
  return fp_run(fpscr, [x](int mode, int* flags) -> T {
    const fp_unpacked<T> u = fp_unpack(x, mode, flags);
    if (fp_is_nan(x)) return fp_process_nan(x, mode, flags);
    if (fp_is_inf(x)) return x;
    if (!u.mnt) return fp_zero<T>(u.sign);
    return fp_round_unpacked(u, 0, mode & FP_MODE_RMODE, mode, flags);
  });
}

}  // namespace

uint16_t FPProcess16(uint16_t x, FPSCR& fpscr) { return fp_process(x, fpscr); }
uint32_t FPProcess32(uint32_t x, FPSCR& fpscr) { return fp_process(x, fpscr); }
uint64_t FPProcess64(uint64_t x, FPSCR& fpscr) { return fp_process(x, fpscr); }
