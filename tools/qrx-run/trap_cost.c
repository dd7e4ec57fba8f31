/* trap_cost [N]: the cost of one QRX instruction, in ns, measured inside one
   process as (time of N iterations with one QRX instruction - time of N
   empty iterations) / N. Under qrx-run on a processor without QRX this is
   the price of one trap; on a processor (or model) with QRX, the
   instruction's own cost. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double now_ns(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e9 + ts.tv_nsec;
}

int main(int argc, char** argv) {
  const uint64_t n = argc > 1 ? strtoull(argv[1], NULL, 10) : 20000;
  __asm__ volatile("index z0.s, #0, #1" ::: "v0");
  double t0 = now_ns();
  for (uint64_t i = 0; i < n; ++i) __asm__ volatile("" ::: "memory");
  double t1 = now_ns();
  for (uint64_t i = 0; i < n; ++i) __asm__ volatile("add z0.s, z0.s, #1" ::: "v0", "memory");
  double t2 = now_ns();
  printf("empty loop: %.1f ns per iteration\n", (t1 - t0) / n);
  printf("QRX loop:   %.1f ns per iteration\n", (t2 - t1) / n);
  printf("one QRX instruction: %.1f ns\n", ((t2 - t1) - (t1 - t0)) / n);
  return 0;
}
