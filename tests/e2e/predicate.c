/* Predicate generation, partitioning and logic, and the condition flags they
   set, over many loop bounds. Each kernel returns active-element counts
   (CNTP) and the flags (NZCV) its last flag-setting instruction left. */
#include "e2e.h"

#define KERNEL(name, count, body)                                                  \
  static void name(uint64_t a, uint64_t b) {                                       \
    uint64_t c0, c1, flags;                                                        \
    __asm__ volatile(body "\n\tmrs %[f], nzcv"                                      \
                     : [c0] "=&r"(c0), [c1] "=&r"(c1), [f] "=&r"(flags)            \
                     : [a] "r"(a), [b] "r"(b)                                      \
                     : "p0", "p1", "p2", "p3", "cc");                              \
    e2e_mix(c0);                                                                   \
    e2e_mix(c1);                                                                   \
    e2e_mix(flags >> 28);                                                          \
    e2e_qrx_count += (count);                                                      \
  }

KERNEL(k_while, 6,
       "whilelo p0.b, %[a], %[b]\n\t"
       "whilelt p1.h, %w[a], %w[b]\n\t"
       "whilele p2.s, %[a], %[b]\n\t"
       "cntp %[c0], p0, p0.b\n\t"
       "cntp %[c1], p1, p2.s\n\t"
       "whilels p3.d, %w[b], %w[a]")

KERNEL(k_ptrue_patterns, 7,
       "ptrue p0.h, vl7\n\t"
       "ptrues p1.s, pow2\n\t"
       "cntp %[c0], p0, p1.s\n\t"
       "ptrue p2.b, mul3\n\t"
       "whilelo p3.b, xzr, %[a]\n\t"
       "cntp %[c1], p3, p2.b\n\t"
       "ptrues p0.d, vl16")

KERNEL(k_breaks, 9,
       "whilelo p0.b, xzr, %[a]\n\t"
       "whilelo p1.b, xzr, %[b]\n\t"
       "not p1.b, p0/z, p1.b\n\t"
       "brka p2.b, p0/z, p1.b\n\t"
       "brkb p3.b, p0/m, p1.b\n\t"
       "cntp %[c0], p0, p2.b\n\t"
       "brkn p3.b, p0/z, p2.b, p3.b\n\t"
       "cntp %[c1], p0, p3.b\n\t"
       "brkpas p2.b, p0/z, p2.b, p1.b")

KERNEL(k_first_next, 8,
       "ptrue p0.s\n\t"
       "whilelo p1.s, %[b], %[a]\n\t"
       "pfalse p2.b\n\t"
       "pnext p2.s, p0, p2.s\n\t"
       "pnext p2.s, p1, p2.s\n\t"
       "cntp %[c0], p0, p2.s\n\t"
       "pfirst p1.b, p0, p1.b\n\t"
       "cntp %[c1], p0, p1.s")

KERNEL(k_logic, 10,
       "whilelo p0.h, xzr, %[a]\n\t"
       "whilelo p1.h, %[b], %[a]\n\t"
       "ptrue p3.h, mul4\n\t"
       "eor p2.b, p3/z, p0.b, p1.b\n\t"
       "nand p2.b, p3/z, p2.b, p0.b\n\t"
       "orn p2.b, p0/z, p2.b, p1.b\n\t"
       "cntp %[c0], p3, p2.h\n\t"
       "nors p2.b, p3/z, p0.b, p1.b\n\t"
       "cntp %[c1], p3, p2.h\n\t"
       "bics p2.b, p0/z, p3.b, p1.b")

KERNEL(k_test_terminate, 6,
       "whilelo p0.d, xzr, %[a]\n\t"
       "whilelo p1.d, %[b], %[a]\n\t"
       "cntp %[c0], p0, p1.d\n\t"
       "cntp %[c1], p1, p0.d\n\t"
       "ptest p0, p1.b\n\t"
       "ctermeq %[a], %[b]")

KERNEL(k_ffr, 7,
       "whilelo p0.h, %[b], %[a]\n\t"
       "setffr\n\t"
       "rdffr p1.b\n\t"
       "cntp %[c0], p1, p1.b\n\t"
       "wrffr p0.b\n\t"
       "rdffrs p2.b, p1/z\n\t"
       "cntp %[c1], p2, p2.h")

int main(void) {
  static const uint64_t bounds[] = {0, 1, 2, 5, 8, 17, 18, 35, 36, 37, 71, 72, 100, 143, 144, 145,
                                    1000, 0x7fffffff, 0x80000000, ~0ull};
  const unsigned n = sizeof bounds / sizeof bounds[0];
  for (unsigned i = 0; i < n; ++i)
    for (unsigned j = 0; j < n; ++j) {
      uint64_t a = bounds[i], b = bounds[j];
      k_while(a, b);
      k_ptrue_patterns(a, b);
      k_breaks(a, b);
      k_first_next(a, b);
      k_logic(a, b);
      k_test_terminate(a, b);
      k_ffr(a, b);
    }
  e2e_finish();
  return 0;
}
