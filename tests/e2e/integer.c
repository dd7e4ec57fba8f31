/* Integer vector arithmetic, logic and shifts over many operand values. Each
   kernel builds its vectors from two scalars, runs a short chain of QRX
   instructions, and hands the low 128 bits of z0 back through v0. */
#include "e2e.h"

#define KERNEL(name, count, body)                                                   \
  static void name(uint64_t a, uint64_t b) {                                        \
    uint64_t lo, hi;                                                                \
    __asm__ volatile(body "\n\tumov %[lo], v0.d[0]\n\tumov %[hi], v0.d[1]"           \
                     : [lo] "=&r"(lo), [hi] "=&r"(hi)                               \
                     : [a] "r"(a), [b] "r"(b)                                       \
                     : "v0", "v1", "v2", "v3", "p0", "p1", "cc", "memory");         \
    e2e_mix(lo);                                                                    \
    e2e_mix(hi);                                                                    \
    e2e_qrx_count += (count);                                                       \
  }

KERNEL(k_index_add_mul, 6,
       "ptrue p0.s\n\t"
       "index z1.s, %w[a], %w[b]\n\t"
       "index z2.s, #-3, %w[a]\n\t"
       "add z0.s, z1.s, z2.s\n\t"
       "mul z0.s, p0/m, z0.s, z1.s\n\t"
       "sub z0.s, z0.s, #17")

KERNEL(k_bytes_saturate, 6,
       "index z1.b, %w[a], #7\n\t"
       "index z2.b, %w[b], #-5\n\t"
       "sqadd z0.b, z1.b, z2.b\n\t"
       "uqsub z3.b, z1.b, z2.b\n\t"
       "uqadd z3.b, z3.b, #200\n\t"
       "eor z0.d, z0.d, z3.d")

KERNEL(k_minmax_abs, 8,
       "ptrue p0.h\n\t"
       "index z1.h, %w[a], #-9\n\t"
       "index z2.h, %w[b], #13\n\t"
       "smax z1.h, p0/m, z1.h, z2.h\n\t"
       "umin z2.h, z2.h, #77\n\t"
       "sabd z1.h, p0/m, z1.h, z2.h\n\t"
       "neg z0.h, p0/m, z1.h\n\t"
       "abs z0.h, p0/m, z0.h")

KERNEL(k_divide, 6,
       "ptrue p0.d\n\t"
       "index z1.d, %[a], %[b]\n\t"
       "index z2.d, %[b], #-1\n\t"
       "sdiv z1.d, p0/m, z1.d, z2.d\n\t"
       "movprfx z0, z2\n\t"
       "udivr z0.d, p0/m, z0.d, z1.d")

KERNEL(k_shifts, 7,
       "ptrue p0.s\n\t"
       "index z1.s, %w[a], %w[b]\n\t"
       "index z2.d, #0, #3\n\t"
       "lsl z1.s, z1.s, #5\n\t"
       "asr z1.s, p0/m, z1.s, #3\n\t"
       "lsr z0.s, z1.s, z2.d\n\t"
       "asrd z0.s, p0/m, z0.s, #2")

KERNEL(k_multiply_add, 7,
       "ptrue p0.s\n\t"
       "whilelo p1.s, xzr, %[b]\n\t"
       "index z0.s, %w[a], #1\n\t"
       "index z1.s, #1, %w[b]\n\t"
       "index z2.s, %w[b], #-2\n\t"
       "mla z0.s, p1/m, z1.s, z2.s\n\t"
       "umulh z0.s, p0/m, z0.s, z1.s")

KERNEL(k_dot, 5,
       "index z0.s, %w[a], #1\n\t"
       "index z1.b, %w[b], #3\n\t"
       "index z2.b, %w[a], #-7\n\t"
       "sdot z0.s, z1.b, z2.b\n\t"
       "udot z0.s, z1.b, z2.b[1]")

KERNEL(k_logic, 7,
       "ptrue p0.d\n\t"
       "index z1.d, %[a], %[b]\n\t"
       "dupm z2.d, #0xff00ff00ff00ff00\n\t"
       "and z0.d, z1.d, z2.d\n\t"
       "orr z0.d, z0.d, #0x6\n\t"
       "bic z0.d, p0/m, z0.d, z1.d\n\t"
       "eor z0.d, z0.d, #0x3c3c3c3c3c3c3c3c")

int main(void) {
  static const uint64_t values[] = {0, 1, 2, 3, 7, 100, 255, 1000, 0x7fffffff, 0x80000000,
                                    0xfffffffe, 0x123456789abcdef0ull, ~0ull, 0x8000000000000000ull};
  const unsigned n = sizeof values / sizeof values[0];
  for (unsigned i = 0; i < n; ++i)
    for (unsigned j = 0; j < n; ++j) {
      uint64_t a = values[i], b = values[j];
      k_index_add_mul(a, b);
      k_bytes_saturate(a, b);
      k_minmax_abs(a, b);
      k_divide(a, b);
      k_shifts(a, b);
      k_multiply_add(a, b);
      k_dot(a, b);
      k_logic(a, b);
    }
  e2e_finish();
  return 0;
}
