/* A statically linked QRX program: nothing can be preloaded into it. */
#include <stdint.h>
#include <stdio.h>

int main(void) {
  uint64_t n;
  __asm__ volatile("ptrue p0.s\n\tcntp %0, p0, p0.s" : "=r"(n) : : "p0");
  printf("%llu\n", (unsigned long long)n);
  return 0;
}
