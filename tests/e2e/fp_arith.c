/* Floating-point arithmetic on the host path (single and double FADD, FSUB,
   FMUL, FDIV, FNMLA, FMAX, FCMGT...) and the library path (half, the
   multiply-adds, indexed and complex forms), in every rounding mode with FZ
   and DN on and off. Each kernel sets FPCR, clears FPSR, builds its vectors
   from two bit patterns with INDEX (a spread of values over many binades,
   with zeros, subnormals, infinities and NaNs among them), and hands back
   the low 128 bits of z0 and the FPSR the chain left. */
#include "e2e.h"

#define KERNEL(name, count, body)                                                        \
  static void name(uint64_t a, uint64_t b, uint64_t fpcr) {                              \
    uint64_t lo, hi, status;                                                             \
    __asm__ volatile("msr fpcr, %[cr]\n\tmsr fpsr, xzr\n\t" body                          \
                     "\n\tmrs %[st], fpsr\n\tmsr fpcr, xzr"                               \
                     "\n\tumov %[lo], v0.d[0]\n\tumov %[hi], v0.d[1]"                     \
                     : [lo] "=&r"(lo), [hi] "=&r"(hi), [st] "=&r"(status)                 \
                     : [a] "r"(a), [b] "r"(b), [cr] "r"(fpcr)                            \
                     : "v0", "v1", "v2", "v3", "p0", "p1", "cc", "memory");               \
    e2e_mix(lo);                                                                         \
    e2e_mix(hi);                                                                         \
    e2e_mix(status);                                                                     \
    e2e_qrx_count += (count);                                                            \
  }

KERNEL(k_single_host, 11,
       "ptrue p0.s\n\t"
       "index z1.s, %w[a], %w[b]\n\t"
       "index z2.s, %w[b], %w[a]\n\t"
       "fmul z3.s, z1.s, z2.s\n\t"
       "fsub z0.s, z1.s, z3.s\n\t"
       "fdiv z0.s, p0/m, z0.s, z2.s\n\t"
       "fnmla z0.s, p0/m, z1.s, z3.s\n\t"
       "fmax z0.s, p0/m, z0.s, z1.s\n\t"
       "fcmgt p1.s, p0/z, z0.s, z2.s\n\t"
       "fadd z0.s, p1/m, z0.s, #1.0\n\t"
       "fcmuo p1.s, p0/z, z0.s, z3.s")

KERNEL(k_double_host, 11,
       "ptrue p0.d\n\t"
       "index z1.d, %[a], %[b]\n\t"
       "index z2.d, %[b], %[a]\n\t"
       "fadd z3.d, z1.d, z2.d\n\t"
       "fmul z0.d, z1.d, z3.d\n\t"
       "fdivr z0.d, p0/m, z0.d, z2.d\n\t"
       "fminnm z0.d, p0/m, z0.d, z3.d\n\t"
       "fcmle p1.d, p0/z, z1.d, #0.0\n\t"
       "fsubr z0.d, p1/m, z0.d, #0.5\n\t"
       "fneg z0.d, p1/m, z0.d\n\t"
       "fmaxnm z0.d, p0/m, z0.d, z2.d")

KERNEL(k_half_library, 11,
       "ptrue p0.h\n\t"
       "index z1.h, %w[a], %w[b]\n\t"
       "index z2.h, %w[b], %w[a]\n\t"
       "fmul z0.h, z1.h, z2.h\n\t"
       "fmla z0.h, p0/m, z1.h, z2.h\n\t"
       "fdiv z0.h, p0/m, z0.h, z1.h\n\t"
       "fcmge p1.h, p0/z, z0.h, z2.h\n\t"
       "fmul z0.h, p1/m, z0.h, #2.0\n\t"
       "fminnm z0.h, p0/m, z0.h, #1.0\n\t"
       "fmla z0.h, z1.h, z2.h[5]\n\t"
       "fcadd z0.h, p0/m, z0.h, z1.h, #270")

KERNEL(k_single_library, 11,
       "ptrue p0.s\n\t"
       "index z1.s, %w[a], %w[b]\n\t"
       "index z2.s, %w[b], %w[a]\n\t"
       "fmul z0.s, z1.s, z2.s[3]\n\t"
       "fmad z0.s, p0/m, z1.s, z2.s\n\t"
       "fcmla z0.s, p0/m, z1.s, z2.s, #90\n\t"
       "fcmla z0.s, z1.s, z2.s[1], #180\n\t"
       "fmulx z0.s, p0/m, z0.s, z1.s\n\t"
       "fabd z0.s, p0/m, z0.s, z2.s\n\t"
       "facgt p1.s, p0/z, z0.s, z1.s\n\t"
       "fmls z0.s, p1/m, z1.s, z2.s")

KERNEL(k_double_library, 10,
       "ptrue p0.d\n\t"
       "index z1.d, %[a], %[b]\n\t"
       "index z2.d, %[b], %[a]\n\t"
       "fmul z0.d, z1.d, z2.d[1]\n\t"
       "fnmsb z0.d, p0/m, z1.d, z2.d\n\t"
       "fmin z0.d, p0/m, z0.d, z1.d\n\t"
       "fcmla z0.d, p0/m, z1.d, z2.d, #0\n\t"
       "fscale z0.d, p0/m, z0.d, z1.d\n\t"
       "fcmne p1.d, p0/z, z0.d, #0.0\n\t"
       "fnmad z0.d, p1/m, z1.d, z2.d")

int main(void) {
  /* Bit patterns and steps: ordinary values, steps that cross binades,
     ones that reach the subnormals, infinities and NaNs. */
  static const uint64_t kStarts[] = {0x3f800000, 0x00000001, 0x7f7ffff0, 0x3ff0000000000000,
                                     0x0010000000000003, 0x40490fdb, 0x3c00, 0x7bf0};
  static const uint64_t kSteps[] = {0x00012345, 0x00800001, 0x01234567, 0x0001000000000003,
                                    0x1000000000000001, 0x0123, 0xfffffffd};
  for (uint64_t mode = 0; mode < 16; ++mode) {
    const uint64_t fpcr = mode << 22;  /* RMode, FZ, DN */
    for (unsigned i = 0; i < sizeof kStarts / sizeof kStarts[0]; ++i)
      for (unsigned j = 0; j < sizeof kSteps / sizeof kSteps[0]; ++j) {
        const uint64_t a = kStarts[i], b = kSteps[j];
        k_single_host(a, b, fpcr);
        k_double_host(a, b, fpcr);
        k_half_library(a, b, fpcr);
        k_single_library(a, b, fpcr);
        k_double_library(a, b, fpcr);
      }
  }
  e2e_finish();
  return 0;
}
