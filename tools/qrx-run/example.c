/* The bundled example: a strip-mined QRX loop over n elements, whatever the
   vector length. Each pass takes the next elements under a WHILELO
   predicate, builds their values with INDEX and accumulates value * 3 + 1
   into z0 under that predicate; CNTP counts the elements each pass took. */
#include <stdint.h>
#include <stdio.h>

int main(void) {
  const uint64_t n = 1000;
  uint64_t lanes, passes = 0, taken = 0, first[2];
  __asm__ volatile(
      "ptrue p1.s\n\t"
      "cntp %[lanes], p1, p1.s\n\t"
      "index z0.s, #0, #0\n\t"
      "mov x9, #0\n"
      "1:\n\t"
      "whilelo p0.s, x9, %[n]\n\t"
      "b.none 2f\n\t"
      "cntp x10, p0, p0.s\n\t"
      "add %[taken], %[taken], x10\n\t"
      "index z1.s, w9, #1\n\t"
      "mul z1.s, z1.s, #3\n\t"
      "add z1.s, z1.s, #1\n\t"
      "add z0.s, p0/m, z0.s, z1.s\n\t"
      "add x9, x9, %[lanes]\n\t"
      "add %[passes], %[passes], #1\n\t"
      "b 1b\n"
      "2:\n\t"
      "umov %[lo], v0.d[0]\n\t"
      "umov %[hi], v0.d[1]"
      : [lanes] "=&r"(lanes), [passes] "+r"(passes), [taken] "+r"(taken), [lo] "=&r"(first[0]),
        [hi] "=&r"(first[1])
      : [n] "r"(n)
      : "x9", "x10", "p0", "p1", "v0", "v1", "cc");
  printf("vector length: %llu bits (%llu 32-bit lanes)\n", (unsigned long long)lanes * 32,
         (unsigned long long)lanes);
  printf("%llu elements in %llu passes\n", (unsigned long long)taken, (unsigned long long)passes);
  printf("lane sums 0..3: %u %u %u %u\n", (unsigned)first[0], (unsigned)(first[0] >> 32),
         (unsigned)first[1], (unsigned)(first[1] >> 32));
  /* Three set-up instructions, six per pass and the WHILELO that ends the
     loop: the exit report's count. */
  printf("QRX instructions: %llu\n", (unsigned long long)(3 + 6 * passes + 1));
  return 0;
}
